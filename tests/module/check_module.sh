#!/usr/bin/env bash
# Checks what an add-in module shows the loader: exactly the thirteen names
# the host looks up, and, for the Windows DLL, its module name, its machine
# and no import beyond KERNEL32 and the C runtime.
#   check_module.sh elf PATH
#   check_module.sh pe PATH OBJDUMP
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
xl_MinimizeMaxAbsTA
xl_MinimizeWFE
xl_Vignetting"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

compare_exports() {
  local actual=$1
  if [ "$actual" != "$expected" ]; then
    diff <(echo "$expected") <(echo "$actual") >&2 || true
    fail "$module exports other names than the thirteen expected (< expected, > actual)"
  fi
}

case $kind in
elf)
  compare_exports "$(nm -D --defined-only --format=posix "$module" | awk '{print $1}' | LC_ALL=C sort)"
  ;;
pe)
  objdump=$3
  dump=$("$objdump" -p "$module")
  grep -q 'file format pei-x86-64' <<<"$dump" || fail "$module is not a PE32+ x86-64 image"
  grep -A12 '^Characteristics' <<<"$dump" | grep -Eq '^[[:space:]]+DLL$' || fail "$module is not a DLL"
  name=$(awk '/^Name[[:space:]]/ {print $NF; exit}' <<<"$dump")
  [ "$name" = "Pellux.XLL" ] || fail "module name is '$name', not Pellux.XLL"
  exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" |
    sed -n 's/^[[:space:]]*\[[[:space:]]*[0-9]*\][[:space:]]\+\([^[:space:]]\+\)$/\1/p' | LC_ALL=C sort)
  compare_exports "$exports"
  imports=$(awk '/DLL Name:/ {print $3}' <<<"$dump" | LC_ALL=C sort -u)
  while read -r dll; do
    [ -z "$dll" ] && continue
    case ${dll,,} in
    kernel32.dll | msvcrt.dll | api-ms-win-crt-*.dll) ;;
    *) fail "$module imports $dll, which not every 64-bit Windows has" ;;
    esac
  done <<<"$imports"
  echo "imports: $(echo $imports)"
  ;;
*)
  fail "unknown kind $kind"
  ;;
esac
echo "exports: $(echo $expected)"
