#!/usr/bin/env python3
"""Reference reader for workbook tests: prints what openpyxl (.xlsx) or xlrd (.xls) sees in a
workbook, one line per fact, tab-separated:
    date1904 <0|1>
    sheet <index> <name>
    cell <sheet> <row> <column> <kind> <value>     kind: n number, d date, b bool, s text, e error
    range <name> <sheet name> <first row> <first column> <last row> <last column>
Rows and columns count from 0. Numbers are printed with repr(), dates as ISO text to the
millisecond, text with backslash escapes for backslash, tab, CR and LF."""
import datetime
import sys


def text(value):
    return (value.replace("\\", "\\\\").replace("\t", "\\t").replace("\r", "\\r")
            .replace("\n", "\\n"))


def date_text(value):
    if isinstance(value, datetime.time):
        value = datetime.datetime.combine(datetime.date(1899, 12, 30), value)
    elif not isinstance(value, datetime.datetime):
        value = datetime.datetime.combine(value, datetime.time())
    ms = round(value.microsecond / 1000)
    value = value.replace(microsecond=0) + datetime.timedelta(milliseconds=ms)
    return value.strftime("%Y-%m-%dT%H:%M:%S.") + "%03d" % (value.microsecond // 1000)


def xlsx(path):
    import openpyxl
    book = openpyxl.load_workbook(path, data_only=True)
    print("date1904\t%d" % (1 if book.epoch.year == 1904 else 0))
    for index, sheet in enumerate(book.worksheets):
        print("sheet\t%d\t%s" % (index, text(sheet.title)))
        for row in sheet.iter_rows():
            for cell in row:
                value = cell.value
                if value is None:
                    continue
                if isinstance(value, bool):
                    kind, shown = "b", "1" if value else "0"
                elif isinstance(value, (datetime.datetime, datetime.date, datetime.time)):
                    kind, shown = "d", date_text(value)
                elif isinstance(value, (int, float)):
                    kind, shown = "n", repr(float(value))
                elif cell.data_type == "e":
                    kind, shown = "e", text(str(value))
                else:
                    kind, shown = "s", text(str(value))
                print("cell\t%d\t%d\t%d\t%s\t%s" % (index, cell.row - 1, cell.column - 1, kind,
                                                    shown))
    for defined in book.defined_names.definedName:
        if defined.localSheetId is not None or defined.name.startswith("_xlnm"):
            continue
        destinations = list(defined.destinations) if defined.type == "RANGE" else []
        if len(destinations) != 1:
            continue
        sheet_name, area = destinations[0]
        # A name with a relative part has no fixed place, a 3-D reference ("A:B") no one
        # sheet: no table.
        if ":" in sheet_name or any(not corner.startswith("$") or corner.count("$") != 2
               for corner in area.split(":")):
            continue
        from openpyxl.utils.cell import range_boundaries
        try:
            first_col, first_row, last_col, last_row = range_boundaries(area.replace("$", ""))
        except ValueError:
            continue
        print("range\t%s\t%s\t%d\t%d\t%d\t%d" % (defined.name, text(sheet_name), first_row - 1,
                                                 first_col - 1, last_row - 1, last_col - 1))


def xls(path):
    import xlrd
    book = xlrd.open_workbook(path, on_demand=False)
    print("date1904\t%d" % book.datemode)
    for index in range(book.nsheets):
        sheet = book.sheet_by_index(index)
        print("sheet\t%d\t%s" % (index, text(sheet.name)))
        for r in range(sheet.nrows):
            for c in range(sheet.ncols):
                cell = sheet.cell(r, c)
                if cell.ctype in (xlrd.XL_CELL_EMPTY, xlrd.XL_CELL_BLANK):
                    continue
                if cell.ctype == xlrd.XL_CELL_NUMBER:
                    kind, shown = "n", repr(float(cell.value))
                elif cell.ctype == xlrd.XL_CELL_DATE and cell.value < 1:
                    # A time of day alone: xlrd puts it on 31 Dec 1899, OLE Automation dates
                    # (and so this program) on 30 Dec 1899.
                    kind, shown = "d", date_text(datetime.datetime(1899, 12, 30)
                                                 + datetime.timedelta(days=cell.value))
                elif cell.ctype == xlrd.XL_CELL_DATE:
                    kind, shown = "d", date_text(xlrd.xldate.xldate_as_datetime(cell.value,
                                                                              book.datemode))
                elif cell.ctype == xlrd.XL_CELL_BOOLEAN:
                    kind, shown = "b", "1" if cell.value else "0"
                elif cell.ctype == xlrd.XL_CELL_ERROR:
                    kind, shown = "e", xlrd.error_text_from_code.get(cell.value, "#N/A")
                else:
                    kind, shown = "s", text(cell.value)
                print("cell\t%d\t%d\t%d\t%s\t%s" % (index, r, c, kind, shown))
    for name in book.name_obj_list:
        if name.scope != -1 or name.builtin:
            continue
        try:
            sheet, rlo, rhi, clo, chi = name.area2d(clipped=False)
        except Exception:
            continue
        if rlo >= rhi or clo >= chi:
            continue  # an intersection of areas that do not meet
        print("range\t%s\t%s\t%d\t%d\t%d\t%d" % (name.name, text(sheet.name), rlo, clo, rhi - 1,
                                                 chi - 1))


if __name__ == "__main__":
    (xlsx if sys.argv[1].lower().endswith(("xlsx", "xlsm")) else xls)(sys.argv[1])
