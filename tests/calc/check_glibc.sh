#!/usr/bin/env bash
# Every ELF file in the extension loads on glibc 2.17 and later: no symbol
# version above GLIBC_2.17, and no C++ runtime or libgcc of the system's.
set -euo pipefail
oxt=$1 dir=$2
rm -rf "$dir" && mkdir -p "$dir" && unzip -q "$oxt" -d "$dir"
status=0 count=0
while IFS= read -r f; do
    file -b "$f" | grep -q '^ELF' || continue
    count=$((count + 1))
    worst=$(objdump -T "$f" | grep -o 'GLIBC_[0-9.]*' | sort -t. -k2,2n -k3,3n -u | tail -1)
    minor=${worst#GLIBC_2.}; minor=${minor%%.*}
    if [ "${minor:-0}" -gt 17 ]; then echo "$f needs $worst"; status=1; fi
    if objdump -p "$f" | grep -E 'NEEDED.*(libstdc\+\+|libgcc_s)'; then echo "$f needs the C++ runtime"; status=1; fi
    echo "$(basename "$f"): newest symbol version ${worst:-none}"
done < <(find "$dir" -type f)
[ "$count" -gt 0 ] || { echo "no ELF file in $oxt"; exit 1; }
exit $status
