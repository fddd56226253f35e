#!/usr/bin/env bash
# Evaluates reduction workbooks (the built one, and 3 and 12 zones, and the
# mirror in millimetres on a moving-source tester) with the native xlhost and
# Pellux.so, and with the Windows xlhost.exe and Pellux.XLL under Wine (which
# read the text dump of each workbook the native xlhost writes), and requires
# the same value in every cell. The light fraction drawn from the vignetting
# goes through the host's own power operator (the C runtime's pow), so it
# need only agree to 12 significant digits.
#
#   compare_wine.sh NATIVE_DIR WINDOWS_DIR WORKBOOK GENERATOR
set -u

if [ $# -ne 4 ]; then
    echo "usage: $0 NATIVE_DIR WINDOWS_DIR WORKBOOK GENERATOR" >&2
    exit 2
fi
native_dir=$(cd "$1" && pwd) || exit 2
windows_dir=$(cd "$2" && pwd) || exit 2
workbook=$(cd "$(dirname "$3")" && pwd)/$(basename "$3") || exit 2
generator=$(cd "$(dirname "$4")" && pwd)/$(basename "$4") || exit 2
wine=/usr/lib/wine/wine64
for f in "$generator" "$native_dir/xlhost" "$native_dir/Pellux.so" "$windows_dir/xlhost.exe" \
         "$windows_dir/Pellux.XLL" "$workbook" "$wine"; do
    if [ ! -e "$f" ]; then
        echo "compare_wine: missing $f" >&2
        exit 2
    fi
done

export WINEDEBUG=-all
export WINEPREFIX="$windows_dir/wineprefix"
export WINEDLLOVERRIDES="mscoree,mshtml="
export ASAN_OPTIONS=detect_leaks=0
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot --init >/dev/null 2>&1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$windows_dir/xlhost.exe" "$windows_dir/Pellux.XLL" "$work/"
cd "$work" || exit 2

cp "$workbook" book.xlsx
"$generator" --zones 3 zones3.xlsx || exit 2
"$generator" --zones 12 zones12.xlsx || exit 2
"$generator" --mm --moving-source mm_moving.xlsx || exit 2

# Same cells in the same order; the same value, or for the light fraction
# the same value to 12 significant digits.
compare='
    function value(line,   i, j) {
        j = 0
        while ((i = index(substr(line, j + 1), "  ")) > 0) j += i + 1
        return substr(line, j + 1)
    }
    function cell(line) { return substr(line, 1, index(line, "  ") - 1) }
    NR == FNR { native[FNR] = $0; n = FNR; next }
    {
        if (FNR > n) { print "extra line from Wine: " $0; bad = 1; next }
        a = native[FNR]; b = $0
        if (cell(a) != cell(b)) { print "cells differ:\n  " a "\n  " b; bad = 1; next }
        if (a == b) next
        if (a ~ vig) {
            x = value(a) + 0; y = value(b) + 0; d = x - y; if (d < 0) d = -d
            m = x < 0 ? -x : x
            if (d <= m * 5e-12) next
        }
        print "values differ:\n  native " a "\n  wine   " b; bad = 1
    }
    END {
        if (FNR < n) { print "Wine printed " FNR " lines, native " n; bad = 1 }
        exit bad
    }'

status=0
for book in book zones3 zones12 mm_moving; do
    "$native_dir/xlhost" --workbook $book.xlsx --save-cells $book.cells || exit 1
    "$native_dir/xlhost" "$native_dir/Pellux.so" --workbook $book.cells > native.txt || exit 1
    "$wine" xlhost.exe Pellux.XLL --workbook $book.cells 2>&1 | tr -d '\r' > windows.txt
    if [ "$(wc -l < native.txt)" -lt 60 ]; then
        echo "compare_wine: the native evaluation of $book printed too little:" >&2
        cat native.txt >&2
        exit 1
    fi
    awk -v vig='^Reduction!N39  ' "$compare" native.txt windows.txt || status=1
    echo "$book: $(wc -l < native.txt) formula cells, native and Wine $( [ $status -eq 0 ] && echo agree || echo differ)"
done
exit $status
