#pragma once

#include "access/Provider.h"

#include <QStringList>

namespace vrl {

// What the program reads in the SQL a user wrote, without parsing it: the code between the
// comments and literals, and whether it changes rows of a table.

// The lines with everything that is not code blanked out, character for character, so that
// columns stay where they were: line comments ("--" everywhere, "#" for MySQL), block
// comments, literals in apostrophes or double quotes and names in brackets or backticks. A
// comment or literal left open at the end of a line goes on in the next one. Where the dialect
// is not certain, more is blanked rather than less: a keyword looked for in the code is then
// missed, and the checks built on it ask rather than let a statement through.
QStringList SqlCodeLines(const QStringList &lines, SqlDialect dialect);

// Whether the code of the lines names a statement that changes rows (INSERT, UPDATE, DELETE,
// REPLACE, MERGE, or SELECT ... INTO), as a whole word; a count of changed rows says something
// only for such a statement.
bool ChangesRows(const QStringList &lines, SqlDialect dialect);

} // namespace vrl
