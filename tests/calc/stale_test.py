"""The shipped workbook opened in LibreOffice with its default settings
(an xlsx is not recalculated on load): with or without the extension, no
verdict shows that was not computed there. Its PDF says "recalculate" or
that the add-in is not loaded, never "within"; recalculated with the
extension, it gives the verdicts.

    stale_test.py Pellux.oxt PelluxReduction.xlsx WORK
"""
import os
import subprocess
import sys

import uno

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from office import Office, prop  # noqa: E402

oxt, workbook, work = sys.argv[1:4]
VERDICTS = ("within 1/4", "beyond 1/4", "within the Millies", "outside the Millies",
            "within tolerance", "outside tolerance", "at least 0.8", "below 0.8")
os.makedirs(work, exist_ok=True)
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAIL: " + what)


def pdf_text(doc, name):
    pdf = os.path.join(work, name)
    doc.storeToURL(uno.systemPathToFileUrl(pdf), (prop("FilterName", "calc_pdf_Export"),))
    return subprocess.run(["pdftotext", "-layout", pdf, "-"], capture_output=True, text=True).stdout


for label, extension in (("without the extension", None), ("with the extension", oxt)):
    office = Office(os.path.join(work, label.replace(" ", "_")), extension)
    try:
        doc = office.load(workbook)
        text = pdf_text(doc, label.replace(" ", "_") + ".pdf")
        shown = [v for v in VERDICTS if v in text]
        check(not shown, "%s, as opened: verdicts that were not computed: %s" % (label, shown))
        check("recalculate" in text or "not loaded" in text, "%s, as opened: nothing asks for a recalculation" % label)
        doc.calculateAll()
        text = pdf_text(doc, label.replace(" ", "_") + "_recalculated.pdf")
        if extension:
            check("within 1/4 wave (probability" in text, "%s, recalculated: no verdict" % label)
        else:
            check("not loaded" in text and not [v for v in VERDICTS if v in text],
                  "%s, recalculated: no word of the add-in" % label)
        doc.close(True)
    finally:
        office.stop()

print("%d passed, %d failed" % (6 - len(failures), len(failures)))
sys.exit(1 if failures else 0)
