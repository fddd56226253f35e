#!/usr/bin/env bash
# Packs Pellux.oxt: the component, its type library and configuration, and
# the add-in modules it calls (those that exist: the Linux module always, the
# Windows ones when their build trees are given).
#
#   package.sh SOURCE_DIR STAGE OUT.oxt RDB XCU DESCRIPTION LINUX_MODULE [WIN64_XLL WIN32_XLL]
set -euo pipefail
src=$1 stage=$2 out=$3 rdb=$4 xcu=$5 description=$6 linux=$7
win64=${8:-} win32=${9:-}
rm -rf "$stage"
mkdir -p "$stage/META-INF" "$stage/pythonpath" "$stage/lib/linux-x86_64" "$stage/lib/windows" "$stage/registration"
cp "$src/META-INF/manifest.xml" "$stage/META-INF/"
cp "$src/pellux_calc.py" "$rdb" "$xcu" "$stage/"
cp "$description" "$stage/description.xml"
cp "$src/description-en.txt" "$src/icon.png" "$stage/"
cp "$src/../LICENSE" "$stage/registration/license-en.txt"
cp "$src/pythonpath/pellux_bridge.py" "$stage/pythonpath/"
cp "$linux" "$stage/lib/linux-x86_64/Pellux.so"
for f in "$win64" "$win32"; do
    if [ -n "$f" ] && [ -f "$f" ]; then cp "$f" "$stage/lib/windows/"; fi
done
rm -f "$out"
(cd "$stage" && zip -q -X -r "$out" META-INF description.xml description-en.txt icon.png registration pellux_calc.py pellux.rdb CalcAddIns.xcu pythonpath lib)
