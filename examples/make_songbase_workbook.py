#!/usr/bin/env python3
"""Writes songbase.xlsx: the songs of songbase_mariadb.sql on a sheet named SONGBASE, with a
workbook-level name SONGBASE over the table, so that the workbook offers a table named exactly
SONGBASE and the SongBase editor can be tried without a database server.

Needs openpyxl (Debian: python3-openpyxl). Run it from this folder."""
import re

from openpyxl import Workbook
from openpyxl.styles import Font
from openpyxl.workbook.defined_name import DefinedName

FIELDS = ["SBCISLO", "SBNAZEV", "SBINTERPRET", "SBTONINA", "SBSOUNDS", "SBCHORDS", "SBLINK",
          "SBNOTE"]


def songs_of_script(path):
    """The rows of the INSERT statement of the SQL script, as Python values."""
    text = open(path, encoding="utf-8").read()
    values = text[text.index("VALUES") + len("VALUES"):].rstrip().rstrip(";")
    rows = []
    for row in re.findall(r"\((.*?)\)(?:,|$)", values, re.S):
        cells = re.findall(r"'((?:[^']|'')*)'|(NULL)|(-?\d+)", row)
        rows.append([int(n) if n else None if null else s.replace("''", "'").replace("\\n", "\n")
                     for s, null, n in cells])
    return rows


def add_songbase(book, sheet, script="songbase_mariadb.sql"):
    """Fills the sheet with the songs of the script and names the table SONGBASE."""
    sheet.title = "SONGBASE"
    sheet.append(FIELDS)
    for cell in sheet[1]:
        cell.font = Font(bold=True)
    rows = songs_of_script(script)
    for row in rows:
        sheet.append(row)
    last = len(rows) + 1
    book.defined_names.append(DefinedName("SONGBASE", attr_text=f"SONGBASE!$A$1:$H${last}"))
    for column, width in zip("ABCDEFGH", (9, 26, 18, 10, 18, 22, 40, 34)):
        sheet.column_dimensions[column].width = width


def main():
    book = Workbook()
    add_songbase(book, book.active)
    book.save("songbase.xlsx")


if __name__ == "__main__":
    main()
