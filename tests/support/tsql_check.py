"""Parses statement texts with the T-SQL dialect of sqlglot, an independent parser, and says
for each whether it parses and which tables, columns and text literals it holds.

Input (a JSON file named on the command line): a list of statement texts.
Output (JSON on standard output): one object per statement:
  {"ok": bool, "error": str, "tables": [[schema, name], ...], "columns": [name, ...],
   "strings": [[national, text], ...]}

T-SQL doubles a closing bracket inside a bracketed name ([a]]b] is the name a]b); sqlglot's
tokenizer as Debian 12 ships it (10.6) ends the name at the first bracket, so that one rule of
the language is added to it here and nothing else.
"""
import json
import sys

import sqlglot
from sqlglot import exp
from sqlglot.dialects.tsql import TSQL


def _scan_identifier(self, identifier_end):
    text = ""
    while True:
        if self._end:
            raise RuntimeError(f"Missing {identifier_end} from {self._line}:{self._start}")
        self._advance()
        if self._char == identifier_end:
            if identifier_end == "]" and self._peek == "]":
                text += "]"
                self._advance()
                continue
            break
        text += self._char
    self._add(sqlglot.tokens.TokenType.IDENTIFIER, text)


TSQL.Tokenizer._scan_identifier = _scan_identifier


def describe(sql):
    try:
        expressions = [e for e in sqlglot.parse(sql, read="tsql") if e is not None]
        if len(expressions) != 1:
            raise ValueError(f"{len(expressions)} statements")
    except Exception as failure:  # noqa: BLE001 - every failure is a finding
        return {"ok": False, "error": f"{type(failure).__name__}: {failure}"}
    tree = expressions[0]
    tables = []
    for table in tree.find_all(exp.Table):
        schema = table.args.get("db")
        tables.append([schema.name if schema else "", table.name])
    columns = [column.name for column in tree.find_all(exp.Column)]
    # The column list of an INSERT names columns as plain identifiers.
    for schema in tree.find_all(exp.Schema):
        columns += [e.name for e in schema.expressions if isinstance(e, exp.Identifier)]
    strings = []
    for literal in tree.find_all(exp.Literal):
        if literal.is_string:
            strings.append([isinstance(literal.parent, exp.National), literal.this])
    return {"ok": True, "error": "", "tables": tables, "columns": columns, "strings": strings}


def main():
    with open(sys.argv[1], encoding="utf-8") as f:
        statements = json.load(f)
    print(json.dumps([describe(sql) for sql in statements], ensure_ascii=False))


if __name__ == "__main__":
    main()
