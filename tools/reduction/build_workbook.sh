#!/usr/bin/env bash
# Writes PelluxReduction.xlsx with every formula's cached value: a draft is
# written, evaluated by xlhost with the add-in, and written again with the
# values xlhost computed. Beside it: the text dump of the workbook that the
# Windows xlhost.exe reads.
#
#   build_workbook.sh GENERATOR XLHOST ADDIN OUT.xlsx
set -euo pipefail
if [ $# -ne 4 ]; then
    echo "usage: $0 GENERATOR XLHOST ADDIN OUT.xlsx" >&2
    exit 2
fi
generator=$1 xlhost=$2 addin=$3 out=$4
stem=${out%.xlsx}

"$generator" "$stem.draft.xlsx"
"$xlhost" "$addin" --workbook "$stem.draft.xlsx" > "$stem.values"
if grep -q '  #[A-Z/0!?]*$' "$stem.values"; then
    echo "build_workbook: the worked example gives error values:" >&2
    grep '  #[A-Z/0!?]*$' "$stem.values" >&2
    exit 1
fi
"$generator" --values "$stem.values" "$out"
rm -f "$stem.draft.xlsx"
# The text dump that the Windows xlhost.exe reads (make demo).
"$xlhost" --workbook "$out" --save-cells "$stem.cells"
