"""Workbooks written by the producers themselves (openpyxl, xlsxwriter,
LibreOffice, Gnumeric), by hand for what producers rarely write, and
damaged or hostile on purpose."""
import datetime
import io
import os
import shutil
import subprocess
import zipfile
import zlib

NUMBERS = [27.509835846790338, 0.1, 1e-300, -2.5e300, 123456789012345678.0, 5e-324, 1 / 3.0,
           0.30000000000000004, 9007199254740993.0, 2.2250738585072014e-308]


def openpyxl_book(path):
    """Numbers that need 17 digits, text with markup characters, a typed
    #N/A, a boolean, an ISO date, formulas over them, a named range and a
    relative name, and a second sheet."""
    import openpyxl
    from openpyxl.workbook.defined_name import DefinedName
    wb = openpyxl.Workbook()
    wb.iso_dates = True
    ws = wb.active
    ws.title = "Data"
    for i, x in enumerate(NUMBERS, 1):
        ws.cell(i, 1, x)
        ws.cell(i, 4, "=A%d" % i)
        ws.cell(i, 5, "=A%d*3-1" % i)
    ws["B1"] = "mm"
    ws["B2"] = "text & <stuff> \"quoted\""
    ws["B3"] = "\u03a9 \u03bb \U0001d11e"
    ws["B4"] = "#N/A"
    ws["B5"] = True
    ws["B6"] = datetime.datetime(2026, 12, 8, 10, 20, 30)
    ws["B7"] = "line one\nline two"
    for i in range(1, 7):
        ws.cell(i, 6, "=B%d" % i)
    ws["F7"] = "=LEN(B7)"
    ws["G1"] = '=IF(B1="mm",25.4,1)'
    ws["G2"] = "=SUM(Heights)"
    ws["G3"] = "=SUM(Relative)"
    ws["G4"] = "=ISNA(B4)"
    ws["G5"] = "='Other sheet'!A1*3"
    ws["G6"] = "=LEN(B3)"
    ws["G7"] = '=B1&"!"'
    ws["G8"] = "=ISNA(NA())"
    ws["G9"] = "=B6+1"
    wb.defined_names.append(DefinedName("Heights", attr_text="Data!$A$1:$A$3"))
    wb.defined_names.append(DefinedName("Relative", attr_text="Data!A1"))
    other = wb.create_sheet("Other sheet")
    other["A1"] = 7
    wb.save(path)


def xlsxwriter_book(path):
    """xlsxwriter's constant-memory mode: every string inline."""
    import xlsxwriter
    wb = xlsxwriter.Workbook(path, {"constant_memory": True})
    ws = wb.add_worksheet("Sheet1")
    wb.define_name("Readings", "=Sheet1!$A$1:$A$4")
    # Constant-memory rows go out in order, each whole.
    for i, x in enumerate(NUMBERS):
        ws.write_number(i, 0, x)
        ws.write_string(i, 1, "in" if i % 2 else "mm")
        ws.write_formula(i, 2, '=IF(B%d="mm",A%d*25.4,A%d)' % (i + 1, i + 1, i + 1))
        if i == 0:
            ws.write_boolean(0, 3, False)
            ws.write_array_formula(0, 4, 2, 4, "{=A1:A3*2}")
        elif i == 1:
            ws.write_formula(1, 3, "=D1")
        elif i == 3:
            ws.write_formula(3, 4, "=SUM(E1:E3)")
        elif i == 4:
            ws.write_formula(4, 4, "=SUM(Readings)")
    wb.close()


def soffice_convert(source, target_format, out_dir, profile):
    os.makedirs(out_dir, exist_ok=True)
    subprocess.run(["/usr/lib/libreoffice/program/soffice", "-env:UserInstallation=file://" + profile,
                    "--headless", "--norestore", "--convert-to", target_format, "--outdir", out_dir, source],
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=180, check=True)
    return os.path.join(out_dir, os.path.splitext(os.path.basename(source))[0] + "." + target_format)


def ssconvert(source, target):
    if shutil.which("ssconvert") is None:
        return None
    subprocess.run(["ssconvert", source, target], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   timeout=180, check=True)
    return target


def openpyxl_resave(source, target):
    """openpyxl's load and save; its chart reader cannot read every chart
    (xlsxwriter's markers), so charts are left behind, as openpyxl would."""
    import openpyxl
    import openpyxl.reader.excel as excel
    excel.find_images = lambda archive, path: ([], [])
    openpyxl.load_workbook(source).save(target)
    return target


# Hand-written packages.

CONTENT_TYPES = ('<?xml version="1.0"?><Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
                 '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
                 '<Default Extension="xml" ContentType="application/xml"/>'
                 '<Override PartName="/xl/workbook.xml" ContentType="%s"/></Types>')
MAIN_TYPE = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"
MACRO_TYPE = "application/vnd.ms-excel.sheet.macroEnabled.main+xml"
TRANSITIONAL = ("http://schemas.openxmlformats.org/spreadsheetml/2006/main",
                "http://schemas.openxmlformats.org/officeDocument/2006/relationships")
STRICT = ("http://purl.oclc.org/ooxml/spreadsheetml/main",
          "http://purl.oclc.org/ooxml/officeDocument/relationships")

SHEET1 = ('<sheetData>'
          '<row r="1"><c r="A1"><v>27.509835846790338</v></c><c r="B1" t="str"><v>mm</v></c>'
          '<c r="C1" t="inlineStr"><is><r><t>in</t></r><r><t xml:space="preserve">ch_x000D_</t></r>'
          '<rPh sb="0" eb="1"><t>PHONETIC</t></rPh></is></c>'
          '<c r="D1" t="e"><v>#DIV/0!</v></c><c r="E1" t="d"><v>2026-12-08T12:00:00</v></c>'
          '<c r="F1" t="b"><v>1</v></c><c r="G1" t="s"><v>1</v></c></row>'
          '<row r="2"><c r="A2"><v>2</v></c><c r="B2"><f t="shared" ref="B2:B4" si="0">A2*10+$A$1</f></c></row>'
          '<row r="3"><c r="A3"><v>3</v></c><c r="B3"><f t="shared" si="0"/></c></row>'
          '<row><c><v>4</v></c><c><f t="shared" si="0"/></c><c><f t="array" ref="C4:C5">A3:A4*2</f></c></row>'
          '<row r="7"><c r="A7"><f>LEN(C1)</f></c><c r="B7"><f>ISERROR(D1)</f></c><c r="C7"><f>E1</f></c>'
          '<c r="D7"><f>F1</f></c><c r="E7"><f>Second!A1+Twice</f></c><c r="F7"><f>G1</f></c></row>'
          '</sheetData>')


def xlsx_package(path, namespaces=TRANSITIONAL, main_type=MAIN_TYPE, sheet1=SHEET1, absolute=True,
                 stored=False, leave_out=()):
    """A two-sheet workbook by hand: absolute part names as openpyxl writes
    them, every cell type, shared and array formulas, a defined name."""
    ns, rel = namespaces
    doc_rel = rel + "/officeDocument" if namespaces == STRICT else rel + "/officeDocument"
    prefix = "/xl/" if absolute else ""
    parts = {
        "[Content_Types].xml": CONTENT_TYPES % main_type,
        "_rels/.rels": '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
                       '<Relationship Id="rId1" Type="%s" Target="/xl/workbook.xml"/></Relationships>' % doc_rel,
        "xl/workbook.xml": '<workbook xmlns="%s" xmlns:r="%s"><sheets><sheet name="First" sheetId="1" r:id="rId1"/>'
                           '<sheet name="Second" sheetId="2" r:id="rId2"/></sheets><definedNames>'
                           '<definedName name="Twice">Second!$A$1:$A$1</definedName></definedNames></workbook>'
                           % (ns, rel),
        "xl/_rels/workbook.xml.rels":
            '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId1" Type="%s/worksheet" Target="%sworksheets/sheet1.xml"/>'
            '<Relationship Id="rId2" Type="%s/worksheet" Target="%sworksheets/sheet2.xml"/>'
            '<Relationship Id="rId3" Type="%s/sharedStrings" Target="%ssharedStrings.xml"/></Relationships>'
            % (rel, prefix, rel, prefix, rel, prefix),
        "xl/sharedStrings.xml": '<sst xmlns="%s"><si><t>zero</t></si><si><r><t>sha</t></r><r><t>red</t></r></si></sst>' % ns,
        "xl/worksheets/sheet1.xml": '<worksheet xmlns="%s">%s</worksheet>' % (ns, sheet1),
        "xl/worksheets/sheet2.xml": '<worksheet xmlns="%s"><sheetData><row r="1"><c r="A1"><v>0.5</v></c></row>'
                                    '</sheetData></worksheet>' % ns,
    }
    with zipfile.ZipFile(path, "w", zipfile.ZIP_STORED if stored else zipfile.ZIP_DEFLATED) as z:
        for name, text in parts.items():
            if name not in leave_out:
                z.writestr(name, text)
    return path


ODS_HEAD = ('<?xml version="1.0" encoding="UTF-8"?><office:document-content '
            'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
            'xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" '
            'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" '
            'xmlns:calcext="urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0" '
            'xmlns:of="urn:oasis:names:tc:opendocument:xmlns:of:1.2" office:version="1.3">'
            '<office:body><office:spreadsheet>')
ODS_TAIL = '</office:spreadsheet></office:body></office:document-content>'


def ods_package(path, tables):
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr(zipfile.ZipInfo("mimetype"), "application/vnd.oasis.opendocument.spreadsheet")
        z.writestr("content.xml", ODS_HEAD + tables + ODS_TAIL)
        z.writestr("META-INF/manifest.xml",
                   '<?xml version="1.0" encoding="UTF-8"?><manifest:manifest xmlns:manifest="urn:oasis:names:tc:'
                   'opendocument:xmlns:manifest:1.0" manifest:version="1.3"><manifest:file-entry manifest:full-path='
                   '"/" manifest:version="1.3" manifest:media-type="application/vnd.oasis.opendocument.spreadsheet"/>'
                   '<manifest:file-entry manifest:full-path="content.xml" manifest:media-type="text/xml"/>'
                   '</manifest:manifest>')
    return path


def float_cell(x, repeat=1):
    return ('<table:table-cell office:value-type="float" office:value="%r"%s><text:p>%r</text:p>'
            '</table:table-cell>' % (x, ' table:number-columns-repeated="%d"' % repeat if repeat > 1 else "", x))


ODS_SHEET = (
    '<table:table table:name="Data">'
    # A merged cell and the cell it covers, then a value in the third column.
    '<table:table-row><table:table-cell table:number-columns-spanned="2" office:value-type="float" office:value="1">'
    '<text:p>1</text:p></table:table-cell><table:covered-table-cell office:value-type="float" office:value="5"/>'
    + float_cell(27.509835846790338) + '</table:table-row>'
    # Three repeated rows of constants.
    '<table:table-row table:number-rows-repeated="3">' + float_cell(2.5, 2) + '</table:table-row>'
    # Value types.
    '<table:table-row><table:table-cell office:value-type="percentage" office:value="0.125"/>'
    '<table:table-cell office:value-type="currency" office:currency="EUR" office:value="19.99"/>'
    '<table:table-cell office:value-type="date" office:date-value="2026-12-08T06:00:00"/>'
    '<table:table-cell office:value-type="time" office:time-value="PT36H00M00S"/>'
    '<table:table-cell office:value-type="boolean" office:boolean-value="true"/>'
    '<table:table-cell office:value-type="string"><text:p>a<text:s text:c="3"/>b</text:p>'
    '<office:annotation><text:p>a comment</text:p></office:annotation></table:table-cell>'
    '<table:table-cell table:formula="of:=#N/A" office:value-type="string" office:string-value="" '
    'calcext:value-type="error"><text:p>#N/A</text:p></table:table-cell></table:table-row>'
    # Formulas: over the repeated rows, the merged cell's neighbours, a named range, a matrix.
    '<table:table-row><table:table-cell table:formula="of:=SUM([.A2:.B4])"/>'
    '<table:table-cell table:formula="of:=[.B1]+[.C1]"/>'
    '<table:table-cell table:formula="of:=SUM(Pair)"/>'
    '<table:table-cell table:formula="of:=[.A5:.B5]*2" table:number-matrix-columns-spanned="2" '
    'table:number-matrix-rows-spanned="1"/><table:table-cell office:value-type="float" office:value="0"/>'
    '<table:table-cell table:formula="of:=ISNA([.G5])"/><table:table-cell table:formula="of:=LEN([.F5])"/>'
    '<table:table-cell table:formula="of:=[.C5]+[.D5]"/></table:table-row>'
    '<table:table-row table:number-rows-repeated="1048569"><table:table-cell table:number-columns-repeated="16384"/>'
    '</table:table-row></table:table>'
    '<table:named-expressions><table:named-range table:name="Pair" table:base-cell-address="$Data.$A$1" '
    'table:cell-range-address="$Data.$A$1:.$B$1"/></table:named-expressions>')


# Damaged and hostile files.

def flip_byte(source, target, needle, offset=0):
    data = bytearray(open(source, "rb").read())
    at = data.index(needle) + offset
    data[at] ^= 0x01
    open(target, "wb").write(bytes(data))
    return target


def truncated(source, target):
    data = open(source, "rb").read()
    open(target, "wb").write(data[:len(data) // 2])
    return target


def bomb(path, gigabytes=1, declared=None):
    """A worksheet part of zeros: about 1 MB that inflates to 1 GB; with
    `declared`, a header that claims that size instead."""
    deflate = zlib.compressobj(9, zlib.DEFLATED, -15)
    chunk = b"0" * (64 << 20)
    body = io.BytesIO()
    crc = 0
    for _ in range(16 * gigabytes):
        body.write(deflate.compress(chunk))
        crc = zlib.crc32(chunk, crc)
    body.write(deflate.flush())
    xlsx_package(path, leave_out=("xl/worksheets/sheet2.xml",))
    with zipfile.ZipFile(path, "a") as z:
        info = zipfile.ZipInfo("xl/worksheets/sheet2.xml")
        info.compress_type = zipfile.ZIP_STORED
        z.writestr(info, b"")
    # Rewrite the empty stored entry as the deflated bomb, by hand.
    data = open(path, "rb").read()
    size = (64 << 20) * 16 * gigabytes
    return _replace_last_entry(path, data, body.getvalue(), crc, size if declared is None else declared)


def _replace_last_entry(path, data, payload, crc, size):
    import struct
    end = data.rindex(b"PK\x05\x06")
    count, cd_size, cd_offset = struct.unpack("<HII", data[end + 10:end + 20])
    # The last central entry is the one just added.
    at = cd_offset
    entries = []
    for _ in range(count):
        name_len, extra_len, comment_len = struct.unpack("<HHH", data[at + 28:at + 34])
        entries.append((at, 46 + name_len + extra_len + comment_len))
        at += 46 + name_len + extra_len + comment_len
    last_at, last_len = entries[-1]
    local = struct.unpack("<I", data[last_at + 42:last_at + 46])[0]
    name_len, extra_len = struct.unpack("<HH", data[local + 26:local + 30])
    header = bytearray(data[local:local + 30 + name_len + extra_len])
    struct.pack_into("<HHHHIII", header, 6, 0, 8, 0, 0, crc, len(payload), size & 0xffffffff)
    central = bytearray(data[last_at:last_at + last_len])
    struct.pack_into("<HHHHIII", central, 8, 0, 8, 0, 0, crc, len(payload), size & 0xffffffff)
    before = data[:local]
    new_cd_offset = len(before) + len(header) + len(payload)
    cd = data[cd_offset:last_at] + bytes(central)
    tail = bytearray(data[end:])
    struct.pack_into("<II", tail, 12, len(cd), new_cd_offset)
    open(path, "wb").write(before + bytes(header) + payload + cd + bytes(tail))
    return path
