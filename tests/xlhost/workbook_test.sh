#!/usr/bin/env bash
# xlhost --workbook against the native add-in: the generated xlsx fixtures,
# the ods fixture kept here (book.ods: LibreOffice's conversion of
# book.xlsx, `soffice --headless --convert-to ods book.xlsx`), the text
# form, --cells, and files and formulas that must be refused cleanly.
#
#   workbook_test.sh XLHOST ADDIN FIXTURE_DIR TEST_DIR
set -u

if [ $# -ne 4 ]; then
    echo "usage: $0 XLHOST ADDIN FIXTURE_DIR TEST_DIR" >&2
    exit 2
fi
xlhost=$1
addin=$2
fixtures=$3
test_dir=$4

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
    echo "workbook_test: FAIL: $*" >&2
    failures=$((failures + 1))
}

# run NAME ARGS...: stdout, stderr and exit status into $work/NAME{,.err,.rc}.
run() {
    local name=$1
    shift
    "$xlhost" "$@" >"$work/$name" 2>"$work/$name.err"
    echo $? >"$work/$name.rc"
}
expect_rc() {
    local name=$1 want=$2
    local got
    got=$(cat "$work/$name.rc")
    [ "$got" = "$want" ] || { fail "$name: exit status $got, expected $want"; sed 's/^/    /' "$work/$name.err" >&2; }
}
expect_same() {
    local what=$1 want=$2 got=$3
    if ! diff -u "$want" "$got" >"$work/diff"; then
        fail "$what differs (expected -, got +)"
        sed 's/^/    /' "$work/diff" | head -40 >&2
    fi
}
expect_err() {
    local name=$1 pattern=$2
    grep -q -- "$pattern" "$work/$name.err" || { fail "$name: no message matching '$pattern'"; sed 's/^/    /' "$work/$name.err" >&2; }
}
# Cell and value of each line, without the formula.
values() { sed -E 's/^([^ ]+|'"'"'[^'"'"']*'"'"'![^ ]+)  (.*  )?/\1  /' "$1"; }

# Every formula cell of the xlsx, exactly; the cycles and the unknown name
# are the only messages.
run book "$addin" --workbook "$fixtures/book.xlsx"
expect_rc book 0
expect_same "book.xlsx output" "$test_dir/workbook_expected.txt" "$work/book"
cat >"$work/want.err" <<'TEXT'
xlhost: circular reference, #REF! in Checks!A17, Checks!B17
xlhost: circular reference, #REF! in Checks!D17
xlhost: unknown function names (#NAME?): NoSuchFunction
TEXT
expect_same "book.xlsx messages" "$work/want.err" "$work/book.err"

# Formulas over ranges give bit for bit what the same formulas over array
# constants give (column B against column C).
run pairs "$addin" --workbook "$fixtures/book.xlsx" --cells "'Mirror results'!B2:C8"
expect_rc pairs 0
values "$work/pairs" | paste - - | awk -F '\t' '{
    split($1, b, "  "); split($2, c, "  ")
    if (b[2] != c[2]) { print "  " $0; bad = 1 }
} END { exit bad }' >&2 || fail "ranges and array constants give different results"

# The ods and the text form give the same values.
run ods "$addin" --workbook "$test_dir/book.ods"
expect_rc ods 0
expect_same "book.ods values" <(values "$work/book") <(values "$work/ods")

run save --workbook "$fixtures/book.xlsx" --save-cells "$work/book.cells"
expect_rc save 0
[ -s "$work/save" ] && fail "--save-cells wrote to standard output"
run text "$addin" --workbook "$work/book.cells"
expect_rc text 0
expect_same "text form output" "$work/book" "$work/text"
run resave --workbook "$work/book.cells" --save-cells -
expect_same "text form written again" "$work/book.cells" "$work/resave"

# --cells: constants, empty cells, cells of a block, and --digits.
run cells --digits 6 "$addin" --workbook "$fixtures/book.xlsx" --cells "Data!A1:B2,Z9,'Mirror results'!B6,Checks!A15"
expect_rc cells 0
cat >"$work/want" <<'TEXT'
Data!A1  data
Data!B1  ideal
Data!A2  5
Data!B2  3.88
Data!Z9  (empty)
'Mirror results'!B6  {=MinimizeMaxAbsTA(Data!A2:A7,Data!B2:B7,Data!C2:C7,Data!H5)}  0.0840308
Checks!A15  {=MinimizeMaxAbsTA(Data!A2:A7,Data!B2:B7,Data!C2:C7,0.001)}  #N/A
TEXT
expect_same "--cells output" "$work/want" "$work/cells"

# Formulas that cannot be read or point nowhere; a range too long for the add-in.
run bad "$addin" --workbook "$fixtures/bad.xlsx"
expect_rc bad 0
expect_same "bad.xlsx output" "$test_dir/workbook_bad_expected.txt" <(cut -c1-80 "$work/bad")
for cell in A1 A7 A8 A9; do expect_err bad "Bad!$cell: cannot read the formula"; done

# Files that are no workbook, and mistakes on the command line.
printf 'not a workbook\n' >"$work/plain.txt"
head -c 3000 "$fixtures/book.xlsx" >"$work/truncated.xlsx"
{ head -c 2000 "$fixtures/book.xlsx"; head -c 3000 /dev/zero; tail -c +5001 "$fixtures/book.xlsx"; } >"$work/corrupt.xlsx"
printf 'xlhost-cells 1\nsheet S\nA1 n 1\nA1 x 2\n' >"$work/bad.cells"
run missing "$addin" --workbook "$work/no-such.xlsx"
expect_rc missing 1
expect_err missing "cannot open the workbook"
for f in plain.txt truncated.xlsx corrupt.xlsx bad.cells; do
    run "read-$f" "$addin" --workbook "$work/$f"
    expect_rc "read-$f" 1
    [ -s "$work/read-$f" ] && fail "$f: printed results"
done
expect_err read-plain.txt "not an xlsx, xlsm or ods workbook"
expect_err read-bad.cells "line 4: unknown kind"
run nosheet "$addin" --workbook "$fixtures/book.xlsx" --cells "Nowhere!A1"
expect_rc nosheet 2
expect_err nosheet "Nowhere!A1"
run refused --excel-version 11.0 "$addin" --workbook "$fixtures/demo.xlsx"
expect_rc refused 1
expect_err refused "refused to open"
run mixed "$addin" --workbook "$fixtures/demo.xlsx" '=Vignetting(6,1.3,48,6,25)'
expect_rc mixed 2

if [ "$failures" -ne 0 ]; then
    echo "workbook_test: $failures check(s) failed" >&2
    exit 1
fi
echo "workbook_test: all checks passed"
exit 0
