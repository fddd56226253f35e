"""Pellux.oxt inside LibreOffice Calc: the reduction workbook computes the
same bits as xlhost with the native module, before and after LibreOffice
saves it; bad input shows Excel's error cells; the zone limit; a column of
formulas with threaded calculation on.

    calc_test.py OXT XLHOST ADDIN WORKBOOK WORKDIR [FIXTURE...]
"""
import math
import os
import re
import struct
import subprocess
import sys
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from office import ERRORS, Office, address, prop  # noqa: E402
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "calc",
                                "pythonpath"))
import pellux_bridge  # noqa: E402

oxt, xlhost, addin, workbook, work = sys.argv[1:6]
fixtures = sys.argv[6:]
os.makedirs(work, exist_ok=True)
passed = failed = 0


def check(ok, what):
    global passed, failed
    if ok:
        passed += 1
    else:
        failed += 1
        print("FAILED: " + what)


def bits(x):
    return struct.unpack("<Q", struct.pack("<d", x))[0]


def xlhost_values(path):
    """Formula cells as xlhost evaluates them with the native module."""
    out = subprocess.run([xlhost, addin, "--workbook", path], stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL, universal_newlines=True).stdout
    values = {}
    for line in out.splitlines():
        cell, _, rest = line.partition("  ")
        value = rest.rpartition("  ")[2]
        values[cell.split("!")[1]] = value
    return values


def matches(cell, want):
    """Calc's result of a formula cell, and whether it is xlhost's printed
    value `want`: the same bits, the same text, or the same error value."""
    if cell.getError():
        got = ERRORS.get(cell.getError(), "Err:%d" % cell.getError())
        return got, got == want
    if cell.FormulaResultType2 != 1:
        got = cell.getString()
        return got, got == want
    got = cell.getValue()
    if want in ("TRUE", "FALSE"):
        return got, got == (want == "TRUE")
    try:
        return got, bits(float(want)) == bits(got)
    except (TypeError, ValueError):
        return got, False


def compare_book(doc, expected, label):
    """Every formula cell of the first sheet against xlhost's value."""
    sheet = doc.Sheets.getByIndex(0)
    cursor = sheet.createCursor()
    cursor.gotoEndOfUsedArea(False)
    end = cursor.getRangeAddress()
    formulas = sheet.getCellRangeByPosition(0, 0, end.EndColumn, end.EndRow).queryContentCells(16)
    differ = []
    count = 0
    for block in formulas.getCells():
        cell = block
        name = address(cell)
        want = expected.get(name)
        if want is None:
            differ.append("%s not evaluated by xlhost" % name)
            continue
        count += 1
        got, ok = matches(cell, want)
        if not ok:
            differ.append("%s: Calc %r, xlhost %s  %s" % (name, got, want, cell.getFormula()))
    check(count > 100 and not differ, "%s: %d formula cells, %d differ:\n  %s" % (
        label, count, len(differ), "\n  ".join(differ[:12])))


# Cells where Calc is not Excel by design: an error value inside an array
# argument reaches the add-in in Excel (here #DIV/0!) but stops Calc with
# #VALUE!; Calc joins TRUE as "1"; Calc intersects SUM(range*2) implicitly
# outside an array formula, where Excel 365 sums the array.
NOT_EXCEL = {"Checks!A9", "Checks!A39", "Checks!A42"}


ADDIN_CALL = re.compile(r"(?<![\w.])(CalcMaxAbsTA|MinimizeMaxAbsTA|CalcWFE|MinimizeWFE|Vignetting)\(", re.I)


def as_excel_writes(path):
    """A copy whose add-in calls carry the _xll. prefix, as Excel writes them
    (the fixtures name the functions bare)."""
    copy = os.path.join(work, "xll_" + os.path.basename(path))
    with zipfile.ZipFile(path) as a, zipfile.ZipFile(copy, "w", zipfile.ZIP_DEFLATED) as b:
        for item in a.infolist():
            data = a.read(item.filename)
            if item.filename.endswith(".xml") and "sheet" in item.filename or item.filename == "content.xml":
                data = ADDIN_CALL.sub(lambda m: "_xll." + m.group(1) + "(", data.decode("utf-8")).encode("utf-8")
            b.writestr(item, data)
    return copy


def compare_fixture(office, path):
    path = as_excel_writes(path)
    out = subprocess.run([xlhost, addin, "--workbook", path], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                         universal_newlines=True).stdout
    mine = {}
    for line in out.splitlines():
        cell, _, rest = line.partition("  ")
        mine[cell.replace("'", "")] = rest.rpartition("  ")[2]
    doc = office.load(path)
    doc.calculateAll()
    differ = []
    count = 0
    for sheet in doc.Sheets:
        for cell in sheet.queryContentCells(16).getCells():
            name = sheet.Name + "!" + address(cell)
            want = mine.get(name)
            count += 1
            if name in NOT_EXCEL:
                continue
            got, ok = matches(cell, want)
            if not ok:
                differ.append("%s: Calc %r, xlhost %s  %s" % (name, got, want, cell.getFormula()))
    doc.close(True)
    check(count > 0 and not differ, "%s: %d formula cells, %d differ:\n  %s" % (
        os.path.basename(path), count, len(differ), "\n  ".join(differ[:12])))


office = Office(os.path.join(work, "office"), oxt)
try:
    # The reduction workbook as Excel files carry it: _xll. formulas.
    expected = xlhost_values(workbook)
    doc = office.load(workbook)
    doc.calculateAll()
    compare_book(doc, expected, "PelluxReduction.xlsx")
    saved = {}
    for ext, name in (("ods", "calc8"), ("xlsx", "Calc MS Excel 2007 XML")):
        saved[ext] = os.path.join(work, "saved." + ext)
        office.save(doc, saved[ext], name)
    doc.close(True)
    for ext, path in saved.items():
        again = office.load(path)
        again.calculateAll()
        compare_book(again, expected, "saved as " + ext + " and reloaded")
        again.close(True)
    # xlhost reads LibreOffice's xlsx and ods back with the same results.
    for ext, path in saved.items():
        back = xlhost_values(path)
        differ = [c for c, v in expected.items() if back.get(c) != v]
        check(len(back) == len(expected) and not differ, "xlhost on LibreOffice's %s differs at %s" % (ext, differ[:8]))

    # xlhost's own workbook fixtures: every formula cell of every sheet.
    for fixture in fixtures:
        compare_fixture(office, fixture)

    # Bad input gives the error cell Excel shows.
    doc = office.new_sheet()
    s = doc.Sheets.getByIndex(0)
    data = [(10, 12, 5, 1, 1), (40, 37, 5, 2, 1), (70, 71, 3, 3, 1)]
    for r, row in enumerate(data):
        for c, v in enumerate(row):
            s.getCellByPosition(c, r).setValue(v)
    s.getCellByPosition(6, 0).setValue(10)
    s.getCellByPosition(7, 0).setValue(40)
    s.getCellByPosition(8, 0).setValue(70)
    s.getCellByPosition(9, 0).setString("x")
    # The same arguments as array constants, for xlhost.
    def expand(formula):
        for ref, constant in (("A1:B3", "{10,12|40,37|70,71}"), ("D1:E3", "{1,1|2,1|3,1}"), ("A1:A3", "{10;40;70}"), ("B1:B3", "{12;37;71}"), ("C1:C3", "{5;5;3}"),
                              ("D1:D3", "{1;2;3}"), ("E1:E3", "{1;1;1}"), ("A1;", "{10};"),
                              ("B1;", "{12};"), ("C1;", "{5};"), ("D1;", "{1};"), ("E1;", "{1};")):
            formula = formula.replace(ref, constant)
        # Vectors become rows, as the add-in takes either; blocks keep their
        # rows ("|"), and MirrorFigures' radii stay the column its blocks need.
        formula = formula.replace(";", ",").replace("|", ";")
        return formula.replace("{1,2,3}", "{1;2;3}") if "MIRRORFIGURES" in formula else formula

    cases = [
        ("row against column", "=CALCMAXABSTA(G1:I1;B1:B3;C1:C3;0)", "#NUM!"),
        ("tolerance 0", "=CALCWFE(A1:A3;B1:B3;{5;0;3};D1:D3;E1:E3;100;0;0.000022)", "#NUM!"),
        ("text in a range", "=CALCMAXABSTA(A1:A3;B1:B3;J1:J3;0)", "#VALUE!"),
        ("blank range", "=CALCMAXABSTA(K1:K3;B1:B3;C1:C3;0)", "#VALUE!"),
        ("one-zone minimiser", "=MINIMIZEWFE(A1;B1;C1;D1;E1;100;0.000022;0.001)", None),
        ("good", "=CALCWFE(A1:A3;B1:B3;C1:C3;D1:D3;E1:E3;100;0;0.000022)", None),
        ("whole-mirror P-V", "=WHOLEMIRRORPV(A1:A3;B1:B3;D1:D3;E1:E3;100;0.000022)", None),
        ("least RMS", "=WHOLEMIRRORRMS(A1:A3;B1:B3;D1:D3;E1:E3;D1:D3;100;0.000022)", None),
        ("Strehl ratio", "=STREHLRATIO(0.05)", None),
        ("correction", "=CORRECTION(A1:A3;B1:B3)", None),
        ("uncertainty", "=FIGUREUNCERTAINTY(A1:A3;B1:B3;E1:E3;D1:D3;E1:E3;D1:D3;100;0.000022)", None),
        ("mirror figures", "=MIRRORFIGURES(A1:B3;D1:E3;D1:D3;3.5;100;0.000022;1.5;1)", None),
        ("mirror figures, tester 3", "=MIRRORFIGURES(A1:B3;D1:E3;D1:D3;3.5;100;0.000022;1.5;3)", "#NUM!"),
        ("negative RMS", "=STREHLRATIO(-1)", "#NUM!"),
        ("one-zone correction", "=CORRECTION(A1;B1)", "#NUM!"),
        ("edges not increasing", "=WHOLEMIRRORRMS(A1:A3;B1:B3;D1:D3;E1:E3;E1:E3;100;0.000022)", "#NUM!"),
    ]
    for i, (label, formula, error) in enumerate(cases):
        s.getCellByPosition(12, i).setFormula(formula)
    doc.calculateAll()
    for i, (label, formula, error) in enumerate(cases):
        cell = s.getCellByPosition(12, i)
        if error is None:
            native = subprocess.run([xlhost, addin, expand(formula)], stdout=subprocess.PIPE,
                                    universal_newlines=True).stdout.split()
            check(len(native) > 1 and not cell.getError() and bits(float(native[1])) == bits(cell.getValue()),
                  "%s: Calc %s, xlhost %s" % (label, cell.getString(), native[1:]))
        else:
            check(cell.getString() == error, "%s: %s, not %s" % (label, cell.getString(), error))

    # 32,767 zones are served; one more is #NUM!, as in Excel.
    for n, want in ((32767, None), (32768, "#NUM!")):
        rng = s.getCellRangeByPosition(20, 0, 22, n - 1)
        rng.setDataArray(tuple((float(k % 7), float(k % 5), 3.0) for k in range(n)))
        target = s.getCellByPosition(24, 0)
        target.setFormula("=CALCMAXABSTA(U1:U%d;V1:V%d;W1:W%d;0.5)" % (n, n, n))
        doc.calculateAll()
        if want:
            check(target.getString() == want, "%d zones: %s" % (n, target.getString()))
        else:
            check(not target.getError() and target.getValue() == 2.5 / 3.0 * 0 + (6 - 0 + 0.5) / 3,
                  "%d zones: %s" % (n, target.getString()))
    doc.close(True)

    # A column of 2,000 formulas with threaded calculation on: every cell its
    # own inputs, every result the module's.
    provider = office.ctx.ServiceManager.createInstanceWithContext(
        "com.sun.star.configuration.ConfigurationProvider", office.ctx)
    settings = provider.createInstanceWithArguments(
        "com.sun.star.configuration.ConfigurationUpdateAccess",
        (prop("nodepath", "/org.openoffice.Office.Calc/Formula/Calculation"),))
    settings.UseThreadedCalculationForFormulaGroups = True
    settings.commitChanges()
    doc = office.new_sheet()
    s = doc.Sheets.getByIndex(0)
    n = 2000
    rows = [(float(k % 11), float(k % 7), float(k % 5), 1.0, 2.0, 3.0, 0.5 + k % 3, 1.0, 2.0)
            for k in range(n)]
    s.getCellRangeByPosition(0, 0, 8, n - 1).setDataArray(tuple(rows))
    s.getCellRangeByPosition(10, 0, 10, n - 1).setFormulaArray(
        tuple(("=CALCMAXABSTA(A%d:C%d;D%d:F%d;G%d:I%d;0.25)" % ((r,) * 6),) for r in range(1, n + 1)))
    doc.calculateAll()
    module = pellux_bridge.Module(addin)
    wrong = []
    for k, row in enumerate(rows):
        want = module.call("xl_CalcMaxAbsTA", ((row[0:3],), (row[3:6],), (row[6:9],)), (0.25,), False)
        if bits(s.getCellByPosition(10, k).getValue()) != bits(want):
            wrong.append(k + 1)
    check(not wrong, "threaded column: rows %s differ" % wrong[:10])
    doc.close(True)
finally:
    office.stop()

print("%d passed, %d failed" % (passed, failed))
sys.exit(1 if failed else 0)
