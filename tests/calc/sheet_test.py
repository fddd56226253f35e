"""The reduction workbook as a LibreOffice user meets it: printed (at most
four designed pages for 10 zones and 3 runs, every word on the first page
at 9 pt or more), without the extension (the sheet says the add-in is not
loaded), and with a reading typed with a decimal comma (named, and the
verdicts say check inputs).

    sheet_test.py OXT GENERATOR XLHOST ADDIN WORKDIR
"""
import os
import re
import subprocess
import sys
import xml.etree.ElementTree as ET
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir))
from checks import Checks  # noqa: E402
from office import Office, prop  # noqa: E402

import uno  # noqa: E402

oxt, generator, xlhost, addin, work = sys.argv[1:6]
os.makedirs(work, exist_ok=True)

# The workbook for 10 zones, carrying the values the add-in computes, as the
# build writes the shipped one.
book10 = os.path.join(work, "book10.xlsx")
draft = os.path.join(work, "book10.draft.xlsx")
subprocess.run([generator, "--zones", "10", draft], check=True)
values = subprocess.run([xlhost, addin, "--workbook", draft], capture_output=True, text=True, check=True).stdout
open(os.path.join(work, "book10.values"), "w").write(values)
subprocess.run([generator, "--zones", "10", "--values", os.path.join(work, "book10.values"), book10], check=True)
check = Checks()

NO_ADDIN = "the Pellux add-in is not loaded: see Installing Pellux in the README"
# Carlito's word boxes are 1.297 times the font size (its ascent and descent).
BOX_PER_POINT = 1.297


def cell_text(sheet, name):
    return sheet.getCellRangeByName(name).getString()


def find_label(sheet, label, column="J"):
    for row in range(1, 60):
        if cell_text(sheet, "%s%d" % (column, row)) == label:
            return row
    return None


# The extension describes itself: publisher, description, licence, icon.
with zipfile.ZipFile(oxt) as z:
    names = set(z.namelist())
    root = ET.fromstring(z.read("description.xml"))
ns = {"d": "http://openoffice.org/extensions/description/2006", "x": "http://www.w3.org/1999/xlink"}
href = "{http://www.w3.org/1999/xlink}href"
publisher = root.find("d:publisher/d:name", ns)
check(publisher is not None and publisher.text == "The Pellux developers", "no publisher")
for path in ("d:extension-description/d:src", "d:icon/d:default", "d:registration/d:simple-license/d:license-text"):
    element = root.find(path, ns)
    check(element is not None and element.get(href) in names, "%s names no file in the extension" % path)
check(re.match(r"^\d+\.\d+", root.find("d:version", ns).get("value") or ""), "no version")

office = Office(os.path.join(work, "plain"), None)
try:
    doc = office.load(book10)
    pdf = os.path.join(work, "book10.pdf")
    doc.storeToURL(uno.systemPathToFileUrl(pdf), (prop("FilterName", "calc_pdf_Export"),))
    doc.calculateAll()
    s = doc.Sheets.getByIndex(0)
    verdict = find_label(s, "Verdict (Rayleigh: at most 1/4 wave)")
    check(verdict and cell_text(s, "N%d" % verdict) == NO_ADDIN,
          "no extension: the verdict reads %r" % cell_text(s, "N%d" % (verdict or 1)))
    check(cell_text(s, "J4").startswith("Results: the Pellux add-in is not loaded"),
          "no extension: the results title reads %r" % cell_text(s, "J4"))
    doc.close(True)
finally:
    office.stop()

info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True).stdout
pages = int(re.search(r"^Pages:\s+(\d+)", info, re.M).group(1))
check(1 < pages <= 4, "10 zones and 3 runs print on %d pages" % pages)
boxes = subprocess.run(["pdftotext", "-bbox", "-f", "1", "-l", "1", pdf, "-"], capture_output=True,
                       text=True).stdout
heights = [float(b) - float(a) for a, b in re.findall(r'yMin="([\d.]+)" xMax="[\d.]+" yMax="([\d.]+)"', boxes)]
smallest = min(heights) / BOX_PER_POINT if heights else 0
check(len(heights) > 100 and smallest >= 9 * 0.995,
      "page 1: %d words, the smallest at %.2f pt" % (len(heights), smallest))

office = Office(os.path.join(work, "extension"), oxt)
try:
    doc = office.load(book10)
    s = doc.Sheets.getByIndex(0)
    row = None
    for r in range(40, 80):
        if s.getCellRangeByName("B%d" % r).getValue() == 3 and cell_text(s, "B%d" % r) == "3":
            row = r
            break
    s.getCellRangeByName("F%d" % row).setString("0,0405")
    doc.calculateAll()
    readings = find_label(s, "Readings")
    verdict = find_label(s, "Verdict (Rayleigh: at most 1/4 wave)")
    check(cell_text(s, "N%d" % readings) == "zone 3, run 2: not a number. ",
          "decimal comma: readings read %r" % cell_text(s, "N%d" % readings))
    check(cell_text(s, "N%d" % verdict) == "check inputs",
          "decimal comma: the verdict reads %r" % cell_text(s, "N%d" % verdict))
    s.getCellRangeByName("F%d" % row).setValue(0.0405)
    doc.calculateAll()
    check(cell_text(s, "N%d" % readings) == "all readings are numbers",
          "a number again: readings read %r" % cell_text(s, "N%d" % readings))
    check(cell_text(s, "N%d" % verdict).startswith("within"),
          "a number again: the verdict reads %r" % cell_text(s, "N%d" % verdict))
    doc.close(True)
finally:
    office.stop()

check.finish()
