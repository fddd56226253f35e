#!/usr/bin/env bash
# Release bundle for Windows users: dist/Pellux-<version>-windows.zip, with
# the version of the CMake project the add-ins were built from.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

# The files of the bundle, stored without folders, beside README.txt (made
# from scripts/windows-readme.txt).
files=(
  build/windows/Pellux.XLL
  build/windows32/Pellux32.XLL
  build/native/PelluxReduction.xlsx
  build/native/Pellux.oxt
  build/web/Pellux.html
)

for f in "${files[@]}" build/native/pellux-mask; do
  [ -f "$f" ] || { echo "dist: missing $f (run make native windows windows32)" >&2; exit 1; }
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows/CMakeCache.txt)
version32=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows32/CMakeCache.txt)
[ -n "$version" ] && [ "$version" = "$version32" ] ||
  { echo "dist: the two Windows builds have versions '$version' and '$version32'" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Notepad-friendly line ends.
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' scripts/windows-readme.txt >"$work/README.txt"
cp "${files[@]}" "$work/"
# Ready Couder masks, with the suggested zones, for those without the tool.
masks=()
for d in 6 8 10 12.5; do
  for paper in a4 letter; do
    name="CouderMask-${d}in-$paper.pdf"
    build/native/pellux-mask --diameter "$d" --units in --paper "$paper" "$work/$name" >/dev/null
    masks+=("$name")
  done
done

mkdir -p dist
zip_file=dist/Pellux-$version-windows.zip
rm -f "$zip_file"
(cd "$work" && zip -q -X -D "$repo/$zip_file" README.txt $(for f in "${files[@]}"; do basename "$f"; done) "${masks[@]}")
cp build/native/Pellux.oxt dist/Pellux.oxt
cp build/web/Pellux.html dist/Pellux.html
echo "dist: wrote $zip_file, dist/Pellux.oxt and dist/Pellux.html"
unzip -l "$zip_file"
