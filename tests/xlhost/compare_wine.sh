#!/usr/bin/env bash
# Runs the native xlhost on Pellux.so and a Windows pair under Wine with the
# same formulas, the function list and a refused open, and requires the same
# output. BITS picks the pair: 64 (default) is xlhost.exe with Pellux.XLL
# under 64-bit Wine, 32 is xlhost32.exe with Pellux32.XLL under 32-bit Wine,
# where every call between host and add-in crosses the standard calling
# convention. i386 is no Windows pair but the i386 Linux build's xlhost and
# Pellux.so (OTHER_DIR), run by user-mode emulation (qemu-i386-static), with
# the same convention and record layouts. Given a WORKBOOK (xlsx or ods), the
# native xlhost also writes its text form and both builds evaluate that.
# Every line must be identical: Vignetting carries its own acos and log10.
#
#   compare_wine.sh NATIVE_DIR OTHER_DIR FORMULA_FILE [64|32|i386 [WORKBOOK]]
set -u

if [ $# -lt 3 ] || [ $# -gt 5 ]; then
    echo "usage: $0 NATIVE_DIR OTHER_DIR FORMULA_FILE [64|32|i386 [WORKBOOK]]" >&2
    exit 2
fi
workbook=${5:-}
native_dir=$(cd "$1" && pwd) || exit 2
windows_dir=$(cd "$2" && pwd) || exit 2
formula_file=$3
# $wine runs the other build's host: a Wine loader or the emulator.
label=Windows
case ${4:-64} in
64) wine=/usr/lib/wine/wine64 host_exe=xlhost.exe addin=Pellux.XLL ;;
32) wine=/usr/lib/wine/wine host_exe=xlhost32.exe addin=Pellux32.XLL
    export WINEARCH=win32 ;;
i386) wine=$(command -v qemu-i386-static || echo /usr/bin/qemu-i386-static)
      host_exe=xlhost addin=Pellux.so label=i386 ;;
*) echo "compare_wine: BITS is 64, 32 or i386, not $4" >&2; exit 2 ;;
esac
# dlopen reads a bare file name as a library name, not as a path.
addin_arg=$addin
[ "$label" = i386 ] && addin_arg=./$addin

for f in "$native_dir/xlhost" "$native_dir/Pellux.so" "$windows_dir/$host_exe" "$windows_dir/$addin" \
         "$formula_file" "$wine"; do
    if [ ! -e "$f" ]; then
        echo "compare_wine: missing $f" >&2
        exit 2
    fi
done

# A kernel without 32-bit support refuses to run the 32-bit loader at all
# (exit status 126); the comparison is then skipped (77), never passed.
"$wine" --version >/dev/null 2>&1
if [ $? -eq 126 ]; then
    echo "compare_wine: SKIPPED: this machine cannot run $wine (no 32-bit programs)" >&2
    exit 77
fi

export WINEDEBUG=-all
export WINEPREFIX="$windows_dir/wineprefix"
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ "$label" = Windows ] && [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot --init >/dev/null 2>&1
    # Let the new prefix settle before the first program runs in it.
    /usr/lib/wine/wineserver -w
fi

mapfile -t formulas < <(grep -v -e '^[[:space:]]*#' -e '^[[:space:]]*$' "$formula_file" | tr -d '\r')

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# run_native NAME ARGS... / run_windows NAME ARGS...: stdout, stderr and exit
# status into $work/NAME.{native,windows}{,.err,.rc}.
run_native() {
    local name=$1
    shift
    "$native_dir/xlhost" "$@" >"$work/$name.native" 2>"$work/$name.native.err"
    echo $? >"$work/$name.native.rc"
}
run_windows() {
    local name=$1
    shift
    # From the build directory, so the add-in is named by a relative path
    # that xlhost turns into a Windows path.
    (cd "$windows_dir" && "$wine" "./$host_exe" "$@") >"$work/$name.raw" 2>"$work/$name.windows.err"
    echo $? >"$work/$name.windows.rc"
    tr -d '\r' <"$work/$name.raw" >"$work/$name.windows"
    tr -d '\r' <"$work/$name.windows.err" >"$work/$name.err.tmp" && mv "$work/$name.err.tmp" "$work/$name.windows.err"
}

failures=0
fail() {
    echo "compare_wine: FAIL: $*" >&2
    failures=$((failures + 1))
}

same_output() { cmp -s "$1" "$2"; }
same_workbook_output() { cmp -s "$1" "$2"; }

check_pair() {
    local name=$1 want_rc=$2
    local native_rc windows_rc
    native_rc=$(cat "$work/$name.native.rc")
    windows_rc=$(cat "$work/$name.windows.rc")
    if [ "$want_rc" = 0 ]; then
        [ "$native_rc" = 0 ] || fail "$name: native exit status $native_rc"
        [ "$windows_rc" = 0 ] || fail "$name: $label exit status $windows_rc"
    else
        [ "$native_rc" != 0 ] || fail "$name: native exit status 0, expected a failure"
        [ "$windows_rc" != 0 ] || fail "$name: $label exit status 0, expected a failure"
    fi
    if ! same_output "$work/$name.native" "$work/$name.windows"; then
        fail "$name: outputs differ (native -, $label +)"
        diff -u "$work/$name.native" "$work/$name.windows" | sed 's/^/    /' >&2
    fi
    if [ "$want_rc" = 0 ]; then
        for side in native windows; do
            if [ -s "$work/$name.$side.err" ]; then
                fail "$name: ${side/windows/$label} xlhost wrote to stderr"
                sed 's/^/    /' "$work/$name.$side.err" >&2
            fi
        done
    fi
}

run_native formulas "$native_dir/Pellux.so" "${formulas[@]}"
run_windows formulas "$addin_arg" "${formulas[@]}"
check_pair formulas 0

run_native list --list "$native_dir/Pellux.so"
run_windows list --list "$addin_arg"
check_pair list 0
[ -s "$work/list.native" ] || fail "list: no functions listed"

run_native refused --excel-version 11.0 "$native_dir/Pellux.so" "${formulas[0]}"
run_windows refused --excel-version 11.0 "$addin_arg" "${formulas[0]}"
check_pair refused 1
for side in native windows; do
    grep -q '^Alert (type 3): ' "$work/refused.$side.err" || fail "refused: no alert from the ${side/windows/$label} build"
done
if ! diff <(grep '^Alert' "$work/refused.native.err") <(grep '^Alert' "$work/refused.windows.err") >/dev/null; then
    fail "refused: the alerts differ"
    diff -u <(grep '^Alert' "$work/refused.native.err") <(grep '^Alert' "$work/refused.windows.err") >&2
fi

# A workbook: the Windows build reads the text form the native build writes.
if [ -n "$workbook" ]; then
    if "$native_dir/xlhost" --workbook "$workbook" --save-cells "$work/book.cells"; then
        run_native workbook "$native_dir/Pellux.so" --workbook "$work/book.cells"
        run_windows workbook "$addin_arg" --workbook "$work/book.cells"
        for side in native windows; do
            [ "$(cat "$work/workbook.$side.rc")" = 0 ] || fail "workbook: ${side/windows/$label} exit status $(cat "$work/workbook.$side.rc")"
        done
        [ -s "$work/workbook.native" ] || fail "workbook: no cells printed"
        if ! same_workbook_output "$work/workbook.native" "$work/workbook.windows"; then
            fail "workbook: outputs differ (native -, $label +)"
            diff -u "$work/workbook.native" "$work/workbook.windows" | sed 's/^/    /' >&2
        fi
        if ! diff -u "$work/workbook.native.err" "$work/workbook.windows.err" >&2; then
            fail "workbook: the messages differ"
        fi
    else
        fail "workbook: the native xlhost cannot write the text form of $workbook"
    fi
fi

if [ "$failures" -ne 0 ]; then
    echo "compare_wine: $failures check(s) failed" >&2
    exit 1
fi
echo "compare_wine: native and $addin agree on ${#formulas[@]} formulas, the function list, a refused open${workbook:+ and a workbook}"
exit 0
