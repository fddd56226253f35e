#!/usr/bin/env bash
# MinimizeWFE at six zones through the Windows module under Wine against the
# same call natively: the module driver runs natively on Pellux.so and under
# Wine on Pellux.XLL, alternately, and the median of the per-round ratios
# Wine / native is printed. Both runs must give the same bits.
#
#   wine_ratio.sh NATIVE_DIR WINDOWS_DIR [ROUNDS]
set -eu

native_dir=$(cd "$1" && pwd)
windows_dir=$(cd "$2" && pwd)
rounds=${3:-9}
wine=/usr/lib/wine/wine64

export WINEDEBUG=-all
export WINEPREFIX="$windows_dir/wineprefix"
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    "$wine" wineboot --init >/dev/null 2>&1
fi

field() { awk -v k="$1" '$1 == k { $1 = ""; sub(/^ /, ""); print }' | tr -d '\r'; }

ratios=()
for ((r = 0; r < rounds; r++)); do
    native=$("$native_dir/pellux_module_driver" "$native_dir/Pellux.so")
    windows=$(cd "$windows_dir" && "$wine" ./pellux_module_driver.exe Pellux.XLL)
    if [ "$(field result <<<"$native")" != "$(field result <<<"$windows")" ]; then
        echo "wine_ratio: the two modules give different bits" >&2
        exit 1
    fi
    n=$(field ns_per_call <<<"$native")
    w=$(field ns_per_call <<<"$windows")
    ratios+=("$(awk -v w="$w" -v n="$n" 'BEGIN { printf "%.3f", w / n }') $n $w")
    printf 'round %d: Wine %s ns, native %s ns\n' "$((r + 1))" "$w" "$n"
done
printf '%s\n' "${ratios[@]}" | sort -n | awk -v rounds="$rounds" '
    { r[NR] = $1; n[NR] = $2; w[NR] = $3 }
    END {
        m = int((NR + 1) / 2)
        printf "\nMinimizeWFE/6 through Pellux.XLL under Wine / natively, median of %d alternating rounds\n", rounds
        printf "%-32s %12s %12s %8s  %s\n", "case", "Wine ns", "native ns", "ratio", "goal"
        printf "%-32s %12.1f %12.1f %8.2f  <= 1.25 %s\n", "MinimizeWFE/6/wine_vs_native", w[m], n[m], r[m], r[m] <= 1.25 ? "met" : "MISSED"
    }'
