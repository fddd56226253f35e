#!/usr/bin/env bash
# Checks what an add-in module shows the loader: exactly the nineteen names
# the host looks up, undecorated, and, for a Windows DLL, its module name (the
# file's own), its machine and no import beyond KERNEL32 and the C runtime.
#   check_module.sh elf PATH
#   check_module.sh pe64 PATH OBJDUMP    (Pellux.XLL, x86-64)
#   check_module.sh pe32 PATH OBJDUMP    (Pellux32.XLL, i386)
#   check_module.sh host32 PATH OBJDUMP  (xlhost32.exe, i386: MdCallBack12)
# On i386 each export must also be a standard-convention procedure: its
# defined symbol carries the @N suffix of that convention, which the export
# drops.
set -euo pipefail

kind=$1
module=$2
expected="SetExcel12EntryPt
xlAddInManagerInfo12
xlAutoAdd
xlAutoClose
xlAutoFree12
xlAutoOpen
xlAutoRegister12
xlAutoRemove
xl_CalcMaxAbsTA
xl_CalcWFE
xl_Correction
xl_FigureUncertainty
xl_MinimizeMaxAbsTA
xl_MinimizeWFE
xl_MirrorFigures
xl_StrehlRatio
xl_Vignetting
xl_WholeMirrorPV
xl_WholeMirrorRMS"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

compare_exports() {
  local actual=$1
  if [ "$actual" != "$expected" ]; then
    diff <(echo "$expected") <(echo "$actual") >&2 || true
    fail "$module exports other names than expected (< expected, > actual)"
  fi
}

case $kind in
elf)
  compare_exports "$(nm -D --defined-only --format=posix "$module" | awk '{print $1}' | LC_ALL=C sort)"
  ;;
pe64 | pe32 | host32)
  objdump=$3
  dump=$("$objdump" -p "$module")
  if [ "$kind" = pe64 ]; then
    format=pei-x86-64 magic='020b	(PE32+)'
  else
    format=pei-i386 magic='010b	(PE32)'
  fi
  grep -q "file format $format\$" <<<"$dump" || fail "$module is not a $format image"
  grep -qF "$magic" <<<"$dump" || fail "$module has not the optional header $magic"
  if [ "$kind" = host32 ]; then
    expected=MdCallBack12
  else
    grep -A12 '^Characteristics' <<<"$dump" | grep -Eq '^[[:space:]]+DLL$' || fail "$module is not a DLL"
    name=$(awk '/^Name[[:space:]]/ {print $NF; exit}' <<<"$dump")
    [ "$name" = "$(basename "$module")" ] || fail "module name is '$name', not $(basename "$module")"
  fi
  exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" |
    sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]\+\([^[:space:]]\+\)$/\1/p' | LC_ALL=C sort)
  compare_exports "$exports"
  if [ "$kind" != pe64 ]; then
    symbols=$("$objdump" -t "$module" | awk '/\(sec +[1-9][0-9]*\)/ {print $NF}')
    while read -r export; do
      grep -Eqx "_$export@[0-9]+" <<<"$symbols" || fail "$export is not a standard-convention procedure (_$export@N)"
    done <<<"$expected"
  fi
  imports=$(awk '/DLL Name:/ {print $3}' <<<"$dump" | LC_ALL=C sort -u)
  while read -r dll; do
    [ -z "$dll" ] && continue
    case ${dll,,} in
    kernel32.dll | msvcrt.dll | api-ms-win-crt-*.dll) ;;
    *) fail "$module imports $dll, which not every Windows has" ;;
    esac
  done <<<"$imports"
  echo "$format imports: $(echo $imports)"
  ;;
*)
  fail "unknown kind $kind"
  ;;
esac
echo "exports: $(echo $expected)"
