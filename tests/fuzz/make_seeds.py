#!/usr/bin/env python3
"""Writes the workbook seeds and regressions of the fuzz targets: small .xlsx packages made of
raw XML parts and bare .xls workbook streams made record by record, so that a damaged value
sits exactly where a spreadsheet program would put a good one. Run it from anywhere; it writes
next to itself. (The whole-file .xls seed comes from the tests' own .xls writer.)"""

import math
import os
import struct
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))

CONTENT_TYPES = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">
<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>
<Default Extension="xml" ContentType="application/xml"/>
<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>
<Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>
<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>
<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>
</Types>"""

ROOT_RELS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>
</Relationships>"""

WORKBOOK = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">
<sheets><sheet name="Zboží" sheetId="1" r:id="rId1"/></sheets>
<definedNames><definedName name="Ceny">'Zboží'!$A$1:$C$3</definedName></definedNames>
</workbook>"""

WORKBOOK_RELS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">
<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>
<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>
<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>
</Relationships>"""

# Style 1 is a date (built-in format 14).
STYLES = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">
<cellXfs count="2"><xf numFmtId="0"/><xf numFmtId="14" applyNumberFormat="1"/></cellXfs>
</styleSheet>"""

SHARED = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="4" uniqueCount="4">
<si><t>Název</t></si><si><t>Cena</t></si><si><t>Kdy</t></si><si><t>Šťastná_x000D_</t></si>
</sst>"""


def sheet(rows):
    return ("""<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>"""
            + rows + "</sheetData></worksheet>")


HEADER = ('<row r="1"><c r="A1" t="s"><v>0</v></c><c r="B1" t="s"><v>1</v></c>'
          '<c r="C1" t="s"><v>2</v></c></row>')
GOOD = ('<row r="2"><c r="A2" t="s"><v>3</v></c><c r="B2"><v>10.5</v></c>'
        '<c r="C2" s="1"><v>45351.5</v></c></row>'
        '<row r="3"><c r="A3" t="inlineStr"><is><t>O\'Malley</t></is></c><c r="B3" t="b"><v>1</v></c>'
        '<c r="C3" s="1"><v>1</v></c></row>')


def package(path, rows):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as z:
        # A fixed date keeps the bytes the same from run to run.
        def put(name, text):
            info = zipfile.ZipInfo(name, date_time=(2026, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            z.writestr(info, text.encode("utf-8"))
        put("[Content_Types].xml", CONTENT_TYPES)
        put("_rels/.rels", ROOT_RELS)
        put("xl/workbook.xml", WORKBOOK)
        put("xl/_rels/workbook.xml.rels", WORKBOOK_RELS)
        put("xl/styles.xml", STYLES)
        put("xl/sharedStrings.xml", SHARED)
        put("xl/worksheets/sheet1.xml", sheet(rows))


def record(kind, data):
    return struct.pack("<HH", kind, len(data)) + data


def biff_stream(numbers):
    """A workbook stream with one date style (XF 0, built-in format 14) and one sheet holding
    the numbers in that style, one per row. Starts with the fuzz target's mode byte 0."""
    bof_globals = record(0x0809, struct.pack("<HHHHII", 0x0600, 0x0005, 0, 1996, 0, 0x0106))
    xf = record(0x00E0, struct.pack("<HH", 0, 14) + bytes(16))
    name = "Data".encode("latin-1")

    def boundsheet(offset):
        return record(0x0085, struct.pack("<IBBBB", offset, 0, 0, len(name), 0) + name)

    eof = record(0x000A, b"")
    globals_size = len(bof_globals) + len(xf) + len(boundsheet(0)) + len(eof)
    sheet = record(0x0809, struct.pack("<HHHHII", 0x0600, 0x0010, 0, 1996, 0, 0x0106))
    for row, value in enumerate(numbers):
        sheet += record(0x0203, struct.pack("<HHHd", row, 0, 0, value))
    sheet += eof
    return b"\x00" + bof_globals + xf + boundsheet(globals_size) + eof + sheet


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def main():
    out = os.path.join(HERE, "xls")
    write(os.path.join(out, "regressions", "date_serials_out_of_range"),
          biff_stream([45351.5, 1e300, -1e300, math.nan, math.inf]))

    out = os.path.join(HERE, "xlsx")
    package(os.path.join(out, "corpus", "goods.xlsx"), HEADER + GOOD)
    # Dates far outside what can be shown: the cell keeps its number.
    package(os.path.join(out, "regressions", "date_serial_1e300.xlsx"),
            HEADER + '<row r="2"><c r="A2" t="s"><v>3</v></c><c r="C2" s="1"><v>1e300</v></c></row>')
    package(os.path.join(out, "regressions", "date_serial_nan.xlsx"),
            HEADER + '<row r="2"><c r="A2" t="s"><v>3</v></c><c r="C2" s="1"><v>NaN</v></c></row>')
    # Cell references longer than any column or row number.
    package(os.path.join(out, "regressions", "reference_of_20_digits.xlsx"),
            HEADER + '<row r="2"><c r="A99999999999999999999" t="s"><v>3</v></c></row>')
    package(os.path.join(out, "regressions", "reference_of_16_letters.xlsx"),
            HEADER + '<row r="2"><c r="ZZZZZZZZZZZZZZZZ2"><v>1</v></c></row>')


if __name__ == "__main__":
    main()
