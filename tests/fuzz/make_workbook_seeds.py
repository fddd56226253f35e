#!/usr/bin/env python3
"""Writes the seed corpus of the workbook fuzz target (layout: workbook_fuzz.cpp)."""
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "files"))
import fixtures as fx  # noqa: E402

OUT = os.path.join(HERE, "workbooks")
os.makedirs(OUT, exist_ok=True)


def write(name, kind, data):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(bytes([kind]) + data)


for name, path in (("hand_xlsx", fx.xlsx_package("/tmp/seed.xlsx")),
                   ("strict_xlsx", fx.xlsx_package("/tmp/seed_strict.xlsx", namespaces=fx.STRICT)),
                   ("hand_ods", fx.ods_package("/tmp/seed.ods", fx.ODS_SHEET))):
    write(name, 0, open(path, "rb").read())
    os.remove(path)
write("sheet_part", 1, ('<worksheet xmlns="%s">%s</worksheet>' % (fx.TRANSITIONAL[0], fx.SHEET1)).encode())
write("content_part", 2, (fx.ODS_HEAD + fx.ODS_SHEET + fx.ODS_TAIL).encode())
# Parts liborcus's parser once read past the end of.
write("cut_in_tag", 2, b"<a   ")
write("bad_reference", 1, b'<worksheet><sheetData><row r="1"><c r="A1" t="s&><v>0</v></c><c r="F7;"/></row>'
                          b"</sheetData></worksheet>")
write("declaration_reference", 2, b'<?xml version="1.0" encoding="UTF-&8"?><a/>')
write("declaration_cut", 2, b'<?xml version="?>')
write("cell_in_cell", 2, (fx.ODS_HEAD + '<table:table table:name="S"><table:table-row><table:table-cell>'
                          '<table:covered-table-cell office:value-type="float" office:value="5"/></table:table>'
                          '</table:table-cell></table:table-row>' + fx.ODS_TAIL).encode())
