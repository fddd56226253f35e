#!/usr/bin/env bash
# The native xlhost against the native add-in: exact results, the function
# list, number display, and exit statuses.
#
#   xlhost_cli.sh XLHOST ADDIN TEST_DIR
set -u

if [ $# -ne 3 ]; then
    echo "usage: $0 XLHOST ADDIN TEST_DIR" >&2
    exit 2
fi
xlhost=$1
addin=$2
test_dir=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
    echo "xlhost_cli: FAIL: $*" >&2
    failures=$((failures + 1))
}

# run ARGS...: stdout, stderr and exit status into $work/{out,err,rc}.
run() {
    "$xlhost" "$@" >"$work/out" 2>"$work/err"
    echo $? >"$work/rc"
}
rc() { cat "$work/rc"; }
show_err() { sed 's/^/    /' "$work/err" >&2; }

expect_clean_success() {
    local what=$1
    [ "$(rc)" = 0 ] || { fail "$what: exit status $(rc)"; show_err; }
    [ -s "$work/err" ] && { fail "$what: unexpected diagnostics"; show_err; }
}

expect_output() {
    local what=$1 want=$2
    if ! diff -u "$want" "$work/out" >"$work/diff"; then
        fail "$what: output differs (expected -, got +)"
        sed 's/^/    /' "$work/diff" >&2
    fi
}

# Exact results; error values are results, so the exit status is 0, and a
# clean run leaves no diagnostics (every host string given back, every
# registration accepted and removed on close).
grep -v -e '^#' -e '^$' "$test_dir/expected.txt" >"$work/expected"
mapfile -t formulas < <(grep '^=' "$work/expected")
run "$addin" "${formulas[@]}"
expect_clean_success "formulas"
expect_output "formulas" "$work/expected"

# A formula without '=' is shown with one.
run "$addin" 'Vignetting(6,1.3,48,6,{25,26})'
printf '=Vignetting(6,1.3,48,6,{25,26})\n  #VALUE!\n' >"$work/want"
expect_clean_success "formula without ="
expect_output "formula without =" "$work/want"

# Numbers as Excel displays them.
run --digits 6 "$addin" '=Vignetting(6,1.3,48,6,25)'
printf '=Vignetting(6,1.3,48,6,25)\n  -0.235074\n' >"$work/want"
expect_clean_success "--digits 6"
expect_output "--digits 6" "$work/want"
run --digits 15 "$addin" '=MinimizeMaxAbsTA({10,20,35,50},{12,19,30,55},{5,4,3,2},0.001)'
printf '=MinimizeMaxAbsTA({10,20,35,50},{12,19,30,55},{5,4,3,2},0.001)\n  1.00026442784541\n  2.00008814261514\n' \
    >"$work/want"
expect_clean_success "--digits 15"
expect_output "--digits 15" "$work/want"

# The function wizard's view, trailing blanks of the help texts included.
run --list "$addin"
expect_clean_success "--list"
expect_output "--list" "$test_dir/expected_list.txt"

# Excel 12 is the oldest version the add-in accepts.
run --excel-version 12.0 "$addin" '=Vignetting(6,1.3,48,6,{25,26})'
expect_clean_success "--excel-version 12.0"

# An older Excel: the add-in alerts and refuses to open.
run --excel-version 11.0 "$addin" '=Vignetting(6,1.3,48,6,25)'
[ "$(rc)" != 0 ] || fail "refused open: exit status 0"
grep -q '^Alert (type 3): .*Excel 2007 or later' "$work/err" || { fail "refused open: no alert"; show_err; }
grep -q 'refused to open' "$work/err" || { fail "refused open: no message"; show_err; }
grep -q 'never given back' "$work/err" && { fail "refused open: host string not freed"; show_err; }
[ -s "$work/out" ] && fail "refused open: formulas evaluated anyway"

# A syntax error fails the run, and the other formulas are still evaluated.
run "$addin" '=CalcMaxAbsTA({1.5,2;3},{1,2.5,2},{0.5,0.25,2},0.5)' '=Vignetting(6,1.3,48,6,{25,26})'
[ "$(rc)" != 0 ] || fail "syntax error: exit status 0"
grep -q 'syntax error.*array row 2' "$work/err" || { fail "syntax error: no clear message"; show_err; }
grep -q '^  #VALUE!$' "$work/out" || fail "syntax error: the next formula was not evaluated"

# Add-ins that cannot be used.
run "$work/no-such-addin.so" '=Vignetting(6,1.3,48,6,25)'
[ "$(rc)" != 0 ] || fail "missing add-in: exit status 0"
grep -q 'no add-in file' "$work/err" || { fail "missing add-in: no message"; show_err; }

run "$test_dir/expected.txt"
[ "$(rc)" != 0 ] || fail "not a module: exit status 0"
grep -q 'cannot load' "$work/err" || { fail "not a module: no message"; show_err; }

libc=$(ldd "$xlhost" | awk '/libc\.so/ { print $3 }')
if [ -n "$libc" ]; then
    run "$libc"
    [ "$(rc)" != 0 ] || fail "module without xlAutoOpen: exit status 0"
    grep -q 'does not export xlAutoOpen' "$work/err" || { fail "module without xlAutoOpen: no message"; show_err; }
fi

# Command line mistakes.
run
[ "$(rc)" = 2 ] || fail "no arguments: exit status $(rc), expected 2"
run --digits 0 "$addin"
[ "$(rc)" = 2 ] || fail "--digits 0: exit status $(rc), expected 2"

if [ "$failures" -ne 0 ]; then
    echo "xlhost_cli: $failures check(s) failed" >&2
    exit 1
fi
echo "xlhost_cli: all checks passed"
exit 0
