"""Damaged files that xlhost must refuse by name, and small hostile files it
must answer within the bounds (the caller runs xlhost under 1 GB and 60 s)."""
import re
import zipfile

import fixtures as fx


def one_sheet(path, sheet_data):
    return fx.xlsx_package(path, sheet1=sheet_data)


def running_total(path, rows):
    """A1:An of ones and B1:Bn = SUM(A$1:An), one shared formula: a few KB."""
    cells = ['<row r="1"><c r="A1"><v>1</v></c><c r="B1"><f t="shared" ref="B1:B%d" si="0">SUM(A$1:A1)</f></c></row>'
             % rows]
    cells += ['<row r="%d"><c r="A%d"><v>1</v></c><c r="B%d"><f t="shared" si="0"/></c></row>' % (r, r, r)
              for r in range(2, rows + 1)]
    return one_sheet(path, "<sheetData>" + "".join(cells) + "</sheetData>")


def text_chain(path, rows):
    cells = ['<row r="1"><c r="A1" t="inlineStr"><is><t>xxxxxxxx</t></is></c></row>']
    cells += ['<row r="%d"><c r="A%d"><f>A%d&amp;A%d</f></c></row>' % (r, r, r - 1, r - 1) for r in range(2, rows + 1)]
    return one_sheet(path, "<sheetData>" + "".join(cells) + "</sheetData>")


def without(source, target, part):
    with zipfile.ZipFile(source) as a, zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as b:
        for item in a.infolist():
            if item.filename != part:
                b.writestr(item, a.read(item.filename))
    return target


def central_crc(source, target, part):
    """The central directory's CRC of `part`, one bit off."""
    data = bytearray(open(source, "rb").read())
    at = data.rindex(part.encode()) - 46
    assert data[at:at + 4] == b"PK\x01\x02"
    data[at + 16] ^= 0x01
    open(target, "wb").write(bytes(data))
    return target


def doubled(source, target, part):
    with zipfile.ZipFile(source) as a, zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as b:
        for item in a.infolist():
            b.writestr(item, a.read(item.filename))
        b.writestr(part.upper(), a.read(part))
    return target


def refusals(run, check):
    stored = fx.xlsx_package("stored.xlsx", stored=True)
    ods_tables = '<table:table table:name="S"><table:table-row>%s</table:table-row></table:table>'
    cases = [
        (fx.flip_byte(stored, "stored_crc.xlsx", b"27.509835846790338", 3), "CRC mismatch"),
        (central_crc(fx.xlsx_package("rels.xlsx"), "rels_crc.xlsx", "xl/_rels/workbook.xml.rels"), "CRC mismatch"),
        (fx.truncated("rels.xlsx", "truncated.xlsx"), "truncated|no central directory"),
        (without("rels.xlsx", "no_sheet.xlsx", "xl/worksheets/sheet2.xml"), 'Second".*missing'),
        (without("rels.xlsx", "no_rels.xlsx", "_rels/.rels"), r'"_rels/\.rels" is missing'),
        (doubled("rels.xlsx", "doubled.xlsx", "xl/worksheets/sheet1.xml"), "SHEET1.XML\" twice"),
        (one_sheet("odd_type.xlsx", '<sheetData><row r="1"><c r="A1" t="x"><v>1</v></c></row></sheetData>'),
         'cell A1: a cell type "x"'),
        (one_sheet("table.xlsx", '<sheetData><row r="1"><c r="A1"><f t="dataTable" ref="A1:A2">1</f></c></row>'
                                 '</sheetData>'), "data table"),
        (one_sheet("twice.xlsx", '<sheetData><row r="1"><c r="A1"><v>1</v></c><c r="A1"><v>2</v></c></row></sheetData>'),
         "cell A1: the cell given twice"),
        (one_sheet("bad_number.xlsx", '<sheetData><row r="1"><c r="A1"><v>1,5</v></c></row></sheetData>'),
         'not a number: "1,5"'),
        (fx.bomb("bomb.xlsx"), "zip bomb"),
        (fx.bomb("liar.xlsx", declared=100000), "damaged"),
        (fx.ods_package("oooc.ods", ods_tables % '<table:table-cell table:formula="oooc:=1+1"/>'), '"oooc" grammar'),
        (fx.ods_package("ods_type.ods", ods_tables % '<table:table-cell office:value-type="pixel" office:value="1"/>'),
         'value type "pixel"'),
        (fx.ods_package("repeats.ods", ods_tables.replace("table-row>", 'table-row table:number-rows-repeated="2000">', 1)
                        % fx.float_cell(1.0, 16384)), "cells .*, xlhost's limit"),
        (fx.ods_package("texts.ods", ods_tables.replace("table-row>", 'table-row table:number-rows-repeated="61">', 1)
                        % ('<table:table-cell office:value-type="string" table:number-columns-repeated="16384">'
                           '<text:p>%s</text:p></table:table-cell>' % ("x" * 1000))), "MB of text and formulas"),
        (fx.ods_package("parts.ods", ods_tables.replace("table-row>", 'table-row table:number-rows-repeated="15">', 1)
                        % ('<table:table-cell table:formula="of:=%s1" table:number-columns-repeated="16384"/>'
                           % ("1+" * 8))), "operators and operands, xlhost's limit"),
        (fx.ods_package("matrix.ods", ods_tables % '<table:table-cell table:formula="of:=1" '
                        'table:number-matrix-rows-spanned="1048576" table:number-matrix-columns-spanned="16384"/>'),
         "cells .*, xlhost's limit"),
    ]
    for path, pattern in cases:
        status, out, err, seconds = run(path)
        check(status == 1 and path in err and re.search(pattern, err) is not None and out == "",
              "%s: exit %s, %r; expected exit 1 and /%s/" % (path, status, err.strip()[:200], pattern))
        check(seconds < 10, "%s: %.1f s to refuse" % (path, seconds))


def bounds(run, check):
    status, out, err, seconds = run(running_total("running.xlsx", 40000), "--cells", "First!B40000")
    check(status == 0 and out.strip().endswith("40000"), "running total: exit %s, %r %r" % (status, out[-80:], err[:200]))
    check(seconds < 30, "running total: %.1f s" % seconds)
    status, out, err, _ = run("running.xlsx", memory=24 << 20)
    check(status == 1 and "out of memory" in err, "24 MB: exit %s, %r" % (status, err[-200:]))
    # Doubling 8 characters: A12 holds 16,384, A13 would hold 32,768, one over Excel's limit.
    status, out, err, _ = run(text_chain("chain.xlsx", 40), "--cells", "First!A12:A13")
    lines = out.split("\n")
    check(status == 0 and lines[0].endswith("  " + "x" * 16384) and lines[1].endswith("  #VALUE!"),
          "text chain: exit %s, %r" % (status, out[-120:]))

