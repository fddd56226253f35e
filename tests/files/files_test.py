"""xlhost --workbook on the files people's programs write: every value as
LibreOffice computes it; the reduction workbook after LibreOffice,
openpyxl and Gnumeric have saved it, natively and through the text form
under Wine; damaged files refused by name; hostile files answered within
60 s and 1 GB.

    files_test.py XLHOST ADDIN REDUCTION WORKDIR [WINDOWS_DIR]
"""
import os
import re
import resource
import struct
import subprocess
import sys
import time

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, here)
sys.path.insert(0, os.path.join(here, "..", "calc"))
import fixtures as fx  # noqa: E402
import hostile  # noqa: E402
from office import ERRORS, Office, address  # noqa: E402

xlhost, addin, reduction, work = [os.path.abspath(a) for a in sys.argv[1:5]]
windows = os.path.abspath(sys.argv[5]) if len(sys.argv) > 5 else None
os.makedirs(work, exist_ok=True)
os.chdir(work)
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAILED: " + what)


def run(path, *extra, timeout=60, memory=1 << 30):
    """xlhost on a workbook under 1 GB and 60 s: status, stdout, stderr, seconds."""
    start = time.time()

    def limited():
        resource.setrlimit(resource.RLIMIT_AS, (memory, memory))
    try:
        p = subprocess.run([xlhost, addin, "--workbook", path] + list(extra), stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE, preexec_fn=limited, timeout=timeout)
    except subprocess.TimeoutExpired:
        return None, "", "timed out", timeout
    return (p.returncode, p.stdout.decode("utf-8", "replace"), p.stderr.decode("utf-8", "replace"),
            time.time() - start)


def values(out):
    """Cell -> printed value of each formula line."""
    cells = {}
    for line in out.splitlines():
        cell, _, rest = line.partition("  ")
        if rest.startswith("=") or rest.startswith("{="):
            cells[cell] = rest.rpartition("  ")[2]
    return cells


def evaluated(path):
    status, out, err, _ = run(path)
    check(status == 0, "%s: exit status %s: %s" % (os.path.basename(path), status, err.strip()))
    return values(out)


CONSTANT_FORMULA = re.compile(r"^=(NA\(\)|TRUE\(\)|FALSE\(\)|#[A-Z0-9/!?]+)$")

# Where xlhost is right and LibreOffice is not Excel: a relative name, which
# xlhost does not resolve (#NAME?) and LibreOffice resolves against the cell
# (a circular reference here); LEN, which counts UTF-16 units in Excel and
# code points in LibreOffice; a line break in an ods cell, which LibreOffice
# 7.4 drops from the text.
EXCEL_NOT_LIBREOFFICE = {("openpyxl", "Data!G3"): "#NAME?", ("openpyxl", "Data!G6"): "6",
                         ("gnumeric_openpyxl.xlsx.ods", "Data!F7"): "17"}


def expected(path, cell, truth):
    for (book, name), value in EXCEL_NOT_LIBREOFFICE.items():
        if name == cell and book in os.path.basename(path):
            return ("text", value)
    return truth


def bits(x):
    return struct.unpack("<Q", struct.pack("<d", x))[0]


def same(printed, truth):
    kind, value = truth
    if kind == "number":
        if printed in ("TRUE", "FALSE"):
            return value == (1.0 if printed == "TRUE" else 0.0)
        try:
            x = float(printed)
        except ValueError:
            return False
        # LibreOffice's subtraction snaps a difference within a few ulp of its operands to 0.
        return bits(x) == bits(value) or (value == 0.0 and abs(x) < 1e-14)
    return printed == value


def lo_truth(office, path):
    """LibreOffice's value of every formula cell ("Sheet!A1"), recalculated."""
    doc = office.load(path)
    if doc is None:
        check(False, "%s: LibreOffice cannot open it" % path)
        return {}
    doc.calculateAll()
    truth = {}
    for sheet in doc.Sheets:
        prefix = sheet.Name if re.match(r"^[A-Za-z_][A-Za-z0-9_.]*$", sheet.Name) else \
            "'" + sheet.Name.replace("'", "''") + "'"
        for block in sheet.queryContentCells(16).getCells():
            if CONSTANT_FORMULA.match(block.getFormula()):
                continue  # a constant LibreOffice imports as a formula; echo formulas check it
            name = prefix + "!" + address(block)
            if block.getError():
                truth[name] = ("text", ERRORS.get(block.getError(), "error %d" % block.getError()))
            elif block.FormulaResultType2 == 1:
                truth[name] = ("number", block.getValue())
            else:
                truth[name] = ("text", block.getString())
    doc.close(True)
    return truth


def producers(office, profile):
    """Files from openpyxl, xlsxwriter and by hand, and what LibreOffice and
    Gnumeric save from them: in every formula cell of each file, xlhost
    gives the value LibreOffice computes from that file."""
    books = [fx.openpyxl_book("openpyxl.xlsx") or "openpyxl.xlsx",
             fx.xlsxwriter_book("xlsxwriter.xlsx") or "xlsxwriter.xlsx",
             fx.xlsx_package("hand.xlsx"), fx.xlsx_package("hand.xlsm", main_type=fx.MACRO_TYPE),
             fx.ods_package("hand.ods", fx.ODS_SHEET)]
    for book in books:
        out = "lo_" + book.replace(".", "_")
        saved = [fx.soffice_convert(book, "ods", out, profile), fx.soffice_convert(book, "xlsx", out, profile)]
        if book.endswith(".xlsx"):
            saved += [fx.ssconvert(book, "gnumeric_" + book + ".ods"), fx.ssconvert(book, "gnumeric_" + book)]
        for path in [book] + [s for s in saved if s]:
            got = evaluated(path)
            truth = lo_truth(office, path)
            check(len(truth) >= 6, "%s: LibreOffice finds only %d formula cells" % (path, len(truth)))
            for cell, want in truth.items():
                want = expected(path, cell, want)
                check(cell in got and same(got[cell], want),
                      "%s %s: xlhost %s, LibreOffice %r" % (path, cell, got.get(cell), want[1]))
    # Strict Open XML gives the transitional file's values.
    check(evaluated(fx.xlsx_package("strict.xlsx", namespaces=fx.STRICT)) == evaluated("hand.xlsx"),
          "strict.xlsx differs from hand.xlsx")


def wine_values(cells_path):
    env = dict(os.environ, WINEDEBUG="-all", WINEPREFIX=os.path.join(windows, "wineprefix"),
               WINEDLLOVERRIDES="mscoree,mshtml=")
    p = subprocess.run(["/usr/lib/wine/wine64", os.path.join(windows, "xlhost.exe"),
                        os.path.join(windows, "Pellux.XLL"), "--workbook", cells_path],
                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env, timeout=300)
    return values(p.stdout.decode("utf-8", "replace").replace("\r\n", "\n"))


def close_enough(a, b):
    """Vignetting goes through the C runtimes' acos and log10: 12 digits."""
    try:
        x, y = float(a), float(b)
    except ValueError:
        return a == b
    return x == y or abs(x - y) <= 1e-12 * max(abs(x), abs(y))


def reduction_saved(profile):
    original = evaluated(reduction)
    check(len(original) > 150, "the reduction workbook: %d formula cells" % len(original))
    saved = [fx.openpyxl_resave(reduction, "reduction_openpyxl.xlsx"),
             fx.soffice_convert(reduction, "ods", "lo", profile), fx.soffice_convert(reduction, "xlsx", "lo", profile),
             fx.ssconvert(reduction, "reduction_gnumeric.ods"), fx.ssconvert(reduction, "reduction_gnumeric.xlsx")]
    for path in [s for s in saved if s]:
        got = evaluated(path)
        differ = [c for c in original if got.get(c) != original[c]]
        check(not differ, "%s: %d cells differ from the original, first %s" % (path, len(differ), differ[:3]))
        if windows:
            text = path + ".cells"
            status, _, err, _ = run(path, "--save-cells", text)
            check(status == 0, "%s --save-cells: %s" % (path, err.strip()))
            under_wine = wine_values(text)
            differ = [c for c in original if not close_enough(under_wine.get(c, ""), original[c])]
            check(not differ, "%s under Wine: %d cells differ, first %s" % (path, len(differ), differ[:3]))


def main():
    profile = os.path.join(work, "convert-profile")
    office = Office(os.path.join(work, "office"), None)
    try:
        producers(office, profile)
    finally:
        office.stop()
    reduction_saved(profile)
    hostile.refusals(run, check)
    hostile.bounds(run, check)
    print("%s: %d failure(s)" % (os.path.basename(__file__), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
