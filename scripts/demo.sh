#!/usr/bin/env bash
# Worked example: a 6-inch f/8 mirror tested in six zones, reduced by the
# Windows add-in Pellux.XLL inside the emulated Excel, under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

win=build/windows
export WINEDEBUG=-all
export WINEPREFIX=$PWD/$win/wineprefix
export WINEDLLOVERRIDES="mscoree,mshtml="

# Zone by zone: knife-edge readings and a perfect paraboloid's readings
# (mils), Rayleigh tolerances (mils), effective radii and widths (inches).
data='{5,24,40.5,56,71,87}'
ideal='{3.88,22.66,38.6,54.39,70.15,85.8}'
tol='{30,10,7.5,6,5,4.5}'
zeff='{0.61,1.475,1.925,2.285,2.595,2.87}'
zwidth='{1.22,0.51,0.39,0.33,0.29,0.26}'
rcurve=96          # radius of curvature, inches
wvl=0.0000217      # 550 nm in inches

cat <<TEXT
Six-zone Foucault test of a 6-inch f/8 mirror (R = $rcurve in)
  readings (mils)       $data
  ideal readings (mils) $ideal
  tolerances (mils)     $tol
  zone radii (inches)   $zeff
  zone widths (inches)  $zwidth

Pellux.XLL loaded by xlhost.exe under Wine:
TEXT

/usr/lib/wine/wine64 "$win/xlhost.exe" --list "$win/Pellux.XLL" | tr -d '\r'
echo
/usr/lib/wine/wine64 "$win/xlhost.exe" --digits 15 "$win/Pellux.XLL" \
  "=CalcMaxAbsTA($data,$ideal,$tol,-1.5)" \
  "=MinimizeMaxAbsTA($data,$ideal,$tol,0.001)" \
  "=CalcWFE($data,$ideal,$tol,$zeff,$zwidth,$rcurve,-1.5,$wvl)" \
  "=MinimizeWFE($data,$ideal,$tol,$zeff,$zwidth,$rcurve,$wvl,0.001)" \
  "=Vignetting(6,1.3,48,6,25)" | tr -d '\r'

# The same mirror as a workbook: readings on sheet Data, the formulas on sheet
# 'Mirror results' (the two minimisers as two-cell array formulas). The
# native xlhost reads the xlsx into its text form; xlhost.exe evaluates that.
book=build/native/tests/xlhost/workbooks/demo.xlsx
cat <<TEXT

The same readings in a workbook ($book),
read by the native xlhost and evaluated by xlhost.exe under Wine:
TEXT
build/native/xlhost --workbook "$book" --save-cells "$win/demo.cells"
/usr/lib/wine/wine64 "$win/xlhost.exe" --digits 15 "$win/Pellux.XLL" --workbook "$win/demo.cells" \
  --cells "'Mirror results'!A2:B8" | tr -d '\r'

# The reduction workbook's results block, evaluated by the Windows add-in
# from the text dump of build/native/PelluxReduction.xlsx.
book=build/native/PelluxReduction.cells
if [ -f "$book" ]; then
  echo
  echo "PelluxReduction.xlsx (the same mirror from its mask and readings), results block"
  echo "computed by Pellux.XLL under Wine:"
  /usr/lib/wine/wine64 "$win/xlhost.exe" --digits 6 "$win/Pellux.XLL" --workbook "$book" \
    --cells 'Reduction!J5:J41,Reduction!N5:N41,Reduction!O5:P41' | tr -d '\r' |
  awk '
    function value(line,   i, j) {
      j = 0
      while ((i = index(substr(line, j + 1), "  ")) > 0) j += i + 1
      return substr(line, j + 1)
    }
    {
      cell = substr($0, index($0, "!") + 1); cell = substr(cell, 1, index(cell, "  ") - 1)
      col = substr(cell, 1, 1); row = substr(cell, 2) + 0; v = value($0)
      if (v == "(empty)") v = ""
      text[row, col] = v; if (row > last) last = row
    }
    END {
      for (r = 5; r <= last; ++r) {
        if (text[r, "N"] == "" && text[r, "J"] != "") { print "  " text[r, "J"]; continue }
        printf "    %-40s %-14s %s %s\n", text[r, "J"], text[r, "N"], text[r, "O"], text[r, "P"]
      }
    }'
fi
