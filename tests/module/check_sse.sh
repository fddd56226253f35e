#!/usr/bin/env bash
# Checks that the add-in's own code does its double arithmetic in SSE2 and
# never in the x87 unit, whose extended precision would round differently.
# On 32-bit x86 a double result is returned in the x87 register st(0), so
# exact loads and stores of doubles (fld, fst, fstp, fxch) are allowed and
# nothing else.
#   check_sse.sh OBJDUMP LIBRARY
set -euo pipefail

objdump=$1
library=$2

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

listing=$("$objdump" -d --no-show-raw-insn "$library")
mnemonics=$(awk -F '\t' 'NF >= 2 && $1 ~ /^ *[0-9a-f]+:$/ { split($2, w, " "); print w[1] }' <<<"$listing")
[ -n "$mnemonics" ] || fail "no code found in $library"

x87=$(grep -E '^f' <<<"$mnemonics" | grep -Evx 'fld[lsz1]?|fstp?[ls]?|fxch' | LC_ALL=C sort | uniq -c || true)
if [ -n "$x87" ]; then
  echo "$x87" >&2
  grep -E '^[0-9a-f]+ <|	f' <<<"$listing" | grep -B1 -E '	f' | grep -Ev '	(fld[lsz1]?|fstp?[ls]?|fxch)( |$)' >&2 || true
  fail "$library does x87 arithmetic"
fi
sse=$(grep -cE '^(add|sub|mul|div|sqrt)sd$' <<<"$mnemonics" || true)
[ "$sse" -gt 0 ] || fail "$library has no SSE2 double arithmetic at all"
echo "$library: $sse SSE2 double operations, no x87 arithmetic"
