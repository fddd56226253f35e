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
# One line per instruction: the function it belongs to, then its mnemonic.
instructions=$(awk -F '\t' '
    /^[0-9a-f]+ <.*>:$/ { function_name = $0; sub(/^[0-9a-f]+ /, "", function_name) }
    NF >= 2 && $1 ~ /^ *[0-9a-f]+:$/ { split($2, w, " "); print function_name, w[1] }' <<<"$listing")
[ -n "$instructions" ] || fail "no code found in $library"

x87=$(awk '$2 ~ /^f/ && $2 !~ /^(fld[lsz1]?|fstp?[ls]?|fxch)$/' <<<"$instructions" | LC_ALL=C sort | uniq -c || true)
if [ -n "$x87" ]; then
  echo "$x87" >&2
  fail "$library does x87 arithmetic (count, function, instruction above)"
fi
sse=$(awk '$2 ~ /^(add|sub|mul|div|sqrt)sd$/' <<<"$instructions" | wc -l)
[ "$sse" -gt 0 ] || fail "$library has no SSE2 double arithmetic at all"
echo "$library: $sse SSE2 double operations, no x87 arithmetic"
