#!/usr/bin/python3
"""Writes the demo files of this folder from the data below, so that they always agree:

  ukázka.xlsx             the demo workbook: goods, customers, orders, new goods to import,
                          the songs of songbase_mariadb.sql, and the workbook-level names
                          Ceník (a fixed rectangle of the goods) and SONGBASE
  ukázka_mariadb.sql      the same data for MariaDB/MySQL: tables, a view over the orders,
                          and the SONGBASE table of songbase_mariadb.sql
  ukázka_import.csv       an import file of the program's own layout (field names, types,
                          rows; windows-1250, CR LF) with new goods for the sheet Zboží
  zboží_[Novinky$].vri    relations for importing the sheet Novinky into the server table
                          zboží (source field;target field, windows-1250, CR LF)

The output is the same byte for byte on every run: the workbook's dates and the times of its
zip entries are fixed. Needs openpyxl (Debian: python3-openpyxl). Run it from any folder."""
import datetime
import io
import os
import zipfile
from decimal import Decimal

from openpyxl import Workbook
from openpyxl.styles import Font
from openpyxl.workbook.defined_name import DefinedName

from make_songbase_workbook import add_songbase

HERE = os.path.dirname(os.path.abspath(__file__))
D = datetime.date
T = datetime.datetime

# Each table: its name in the workbook (a sheet) and on the server, its columns as
# (name, SQL type, workbook number format or None), and its rows.
GOODS = {
    "sheet": "Zboží", "table": "zboží",
    "columns": [("Kód", "INT PRIMARY KEY", None), ("Název", "VARCHAR(60) NOT NULL", None),
                ("Cena", "DECIMAL(10,2)", "0.00"), ("Hmotnost", "DOUBLE", None),
                ("Skladem", "INT", None), ("Naskladněno", "DATE", "d.m.yyyy")],
    "rows": [
        (1001, "Chléb žitný kmínový", Decimal("42.90"), 1.2, 25, D(2024, 4, 2)),
        (1002, "Máslo čerstvé 250 g", Decimal("59.90"), 0.25, 40, D(2024, 4, 3)),
        (1003, "Sýr eidam 30 %", Decimal("36.50"), 0.1, 18, D(2024, 3, 28)),
        (1004, "Mléko polotučné", Decimal("24.90"), 1.0, 60, D(2024, 4, 3)),
        (1005, "Rohlík tukový", Decimal("3.50"), 0.043, 300, D(2024, 4, 3)),
        (1006, "Jogurt bílý řecký", Decimal("19.90"), 0.14, 35, D(2024, 4, 1)),
        (1007, "Káva zrnková Šťastný den", Decimal("289.00"), 1.0, 8, D(2024, 2, 29)),
        (1008, "Čaj šípkový", Decimal("45.00"), 0.04, 22, D(2024, 1, 15)),
        (1009, "Med květový od Úlehlů", Decimal("165.00"), 0.95, 12, D(2023, 10, 9)),
        (1010, "Švestková povidla", Decimal("98.50"), 0.4, 0, D(2023, 12, 1)),
    ],
}
CUSTOMERS = {
    "sheet": "Odběratelé", "table": "odběratelé",
    "columns": [("Číslo", "INT PRIMARY KEY", None), ("Jméno", "VARCHAR(60) NOT NULL", None),
                ("Město", "VARCHAR(40)", None), ("Telefon", "VARCHAR(20)", None)],
    "rows": [
        (1, "Pekařství Novák", "Brno", "+420 541 111 222"),
        (2, "Jídelna U Šťastných", "Ostrava", "+420 596 333 444"),
        (3, "Hana Dvořáková", "Plzeň", None),
        (4, "Kavárna Žluťoučký kůň", "Praha", "+420 222 555 666"),
        (5, "Úlehla a syn, s. r. o.", "Olomouc", "+420 585 777 888"),
        (6, "Statek Řepiště", "Řepiště", None),
    ],
}
ORDERS = {
    "sheet": "Objednávky", "table": "objednávky",
    "columns": [("Číslo", "INT PRIMARY KEY", None),
                ("Odběratel", "INT NOT NULL REFERENCES odběratelé (Číslo)", None),
                ("Kód", "INT NOT NULL REFERENCES zboží (Kód)", None),
                ("Množství", "INT NOT NULL", None),
                ("Vytvořeno", "DATETIME", "d.m.yyyy h:mm"), ("Poznámka", "VARCHAR(80)", None)],
    "rows": [
        (24001, 1, 1004, 20, T(2024, 4, 3, 6, 15), "ráno do 7:00"),
        (24002, 1, 1002, 10, T(2024, 4, 3, 6, 16), None),
        (24003, 2, 1001, 12, T(2024, 4, 3, 9, 40), "krájený"),
        (24004, 2, 1005, 150, T(2024, 4, 3, 9, 41), None),
        (24005, 3, 1009, 2, T(2024, 4, 4, 14, 5), "dárkové balení"),
        (24006, 4, 1007, 3, T(2024, 4, 5, 8, 0), None),
        (24007, 4, 1006, 12, T(2024, 4, 5, 8, 2), "bez cukru; jen řecký"),
        (24008, 5, 1003, 6, T(2024, 4, 8, 11, 30), None),
        (24009, 6, 1010, 4, T(2024, 4, 9, 16, 45), "čeká na naskladnění"),
    ],
}
# New goods as a supplier sends them, under its own column names: the import's source.
NEW_GOODS = {
    "sheet": "Novinky", "table": "novinky",
    "columns": [("Číslo", "INT PRIMARY KEY", None), ("Popis", "VARCHAR(60)", None),
                ("Cena", "DECIMAL(10,2)", "0.00"), ("Váha", "DOUBLE", None),
                ("Kusů", "INT", None), ("Dodáno", "DATE", "d.m.yyyy")],
    "rows": [
        (2001, "Perník s povidly", Decimal("54.00"), 0.3, 15, D(2024, 4, 10)),
        (2002, "Tvaroh měkký", Decimal("27.90"), 0.25, 30, D(2024, 4, 10)),
        (2003, "Ořechy vlašské", Decimal("129.00"), 0.2, 10, D(2024, 4, 11)),
    ],
}
TABLES = [GOODS, CUSTOMERS, ORDERS, NEW_GOODS]

# The orders with who ordered what and what it costs: the view of the server's script.
VIEW = """CREATE VIEW přehled_objednávek AS
SELECT o.Číslo, o.Vytvořeno, d.Jméno AS Odběratel, z.Název AS Zboží, o.Množství, z.Cena,
       o.Množství * z.Cena AS Částka
FROM objednávky o
JOIN odběratelé d ON d.Číslo = o.Odběratel
JOIN zboží z ON z.Kód = o.Kód"""

# The import file: new goods for the sheet Zboží. A price is written as people write it (a
# blank between thousands, a decimal comma); the CURRENCY type turns it into a number.
STV_FIELDS = ["Kód", "Název", "Cena", "Hmotnost", "Skladem", "Naskladněno"]
STV_TYPES = ["INTEGER", "STRING", "CURRENCY", "FLOAT", "INTEGER", "DATETIME"]
STV_ROWS = [
    ["3001", "Dárkový koš Vánoční", "1 249,00", "4.5", "3", "15.4.2024"],
    ["3002", "Bábovka mramorová", "79,90", "0.6", "8", "16.4.2024"],
    ["3003", "Pivo ležák 0,5 l", "24,50", "0.5", "120", "16.4.2024"],
]

# Which column of the sheet Novinky goes into which column of the server's goods.
RELATIONS = [("Číslo", "Kód"), ("Popis", "Název"), ("Cena", "Cena"), ("Váha", "Hmotnost"),
             ("Kusů", "Skladem"), ("Dodáno", "Naskladněno")]

FIXED_TIME = T(2024, 4, 1, 12, 0)


def sql_literal(value):
    if value is None:
        return "NULL"
    if isinstance(value, str):
        return "'" + value.replace("\\", "\\\\").replace("'", "''") + "'"
    if isinstance(value, T):
        return value.strftime("'%Y-%m-%d %H:%M:%S'")
    if isinstance(value, D):
        return value.strftime("'%Y-%m-%d'")
    return str(value)


def cell_value(value):
    # The workbook holds numbers as doubles; a date goes in as a date-time at midnight.
    if isinstance(value, Decimal):
        return float(value)
    if isinstance(value, D) and not isinstance(value, T):
        return T(value.year, value.month, value.day)
    return value


def add_sheet(book, table):
    sheet = book.create_sheet(table["sheet"])
    sheet.append([name for name, _, _ in table["columns"]])
    for cell in sheet[1]:
        cell.font = Font(bold=True)
    for row in table["rows"]:
        sheet.append([cell_value(v) for v in row])
    for index, (name, _, number_format) in enumerate(table["columns"]):
        values = [name] + [str(row[index]) for row in table["rows"]]
        letter = sheet.cell(row=1, column=index + 1).column_letter
        sheet.column_dimensions[letter].width = max(len(v) for v in values) + 2
        if number_format:
            for row in range(2, len(table["rows"]) + 2):
                sheet.cell(row=row, column=index + 1).number_format = number_format
    return sheet


def write_workbook(path):
    book = Workbook()
    book.remove(book.active)
    for table in TABLES:
        add_sheet(book, table)
    last = len(GOODS["rows"]) + 1
    book.defined_names.append(DefinedName("Ceník", attr_text=f"'Zboží'!$A$1:$C${last}"))

    add_songbase(book, book.create_sheet("SONGBASE"),
                 os.path.join(HERE, "songbase_mariadb.sql"))

    book.properties.creator = "Vorlan"
    book.properties.created = FIXED_TIME
    book.properties.modified = FIXED_TIME
    buffer = io.BytesIO()
    book.save(buffer)
    # The zip entries get one fixed time, so that the file changes only with its data.
    with zipfile.ZipFile(io.BytesIO(buffer.getvalue())) as written, \
            zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as fixed:
        for entry in written.infolist():
            info = zipfile.ZipInfo(entry.filename, date_time=FIXED_TIME.timetuple()[:6])
            info.compress_type = zipfile.ZIP_DEFLATED
            info.external_attr = 0o644 << 16
            fixed.writestr(info, written.read(entry.filename))


def songbase_statements():
    """The CREATE TABLE and INSERT of songbase_mariadb.sql, without its opening comments."""
    text = open(os.path.join(HERE, "songbase_mariadb.sql"), encoding="utf-8").read()
    return "\n".join(line for line in text.splitlines() if not line.startswith("--"))


def write_sql(path):
    out = ["-- The demo database of Vorlan: goods, customers, orders, new goods, a view over the",
           "-- orders and the SONGBASE table. The same data as ukázka.xlsx; both are written by",
           "-- make_examples.py. Run it in an empty database, e.g.:",
           "--   mariadb -u user -p mydatabase < ukázka_mariadb.sql",
           "-- (./dev demo does this on a server of its own.)",
           "SET NAMES utf8mb4;"]
    for table in TABLES:
        columns = ",\n".join(f"    {name} {kind}" for name, kind, _ in table["columns"])
        out.append(f"CREATE TABLE {table['table']} (\n{columns}\n)"
                   " CHARACTER SET utf8mb4 COLLATE utf8mb4_unicode_ci;")
        rows = ",\n".join("(" + ", ".join(sql_literal(v) for v in row) + ")"
                          for row in table["rows"])
        out.append(f"INSERT INTO {table['table']} VALUES\n{rows};")
    out.append(VIEW + ";")
    out.append(songbase_statements().strip())
    with open(path, "w", encoding="utf-8", newline="\n") as file:
        file.write("\n".join(out) + "\n")


def write_ansi_lines(path, lines):
    with open(path, "wb") as file:
        file.write("".join(line + "\r\n" for line in lines).encode("cp1250"))


def main():
    write_workbook(os.path.join(HERE, "ukázka.xlsx"))
    write_sql(os.path.join(HERE, "ukázka_mariadb.sql"))
    write_ansi_lines(os.path.join(HERE, "ukázka_import.csv"),
                     [";".join(STV_FIELDS), ";".join(STV_TYPES)]
                     + [";".join(row) for row in STV_ROWS])
    write_ansi_lines(os.path.join(HERE, f"{GOODS['table']}_[{NEW_GOODS['sheet']}$].vri"),
                     [f"{source};{target}" for source, target in RELATIONS])


if __name__ == "__main__":
    main()
