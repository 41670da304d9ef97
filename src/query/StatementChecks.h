#pragma once

#include "access/Provider.h"

#include <QString>
#include <QStringList>

namespace vrl {

// The two checks the SQL editor's text passes before anything reaches the database. They look
// at plain lines, keyword by keyword; they are the user's safety net, not a parser.

// Whether the first line names a known statement: "SELECT ", "UPDATE ", "INTO ", "INSERT ",
// "DELETE ", "CREATE ", "DROP " or "ALTER " anywhere in it, upper-cased with the locale's rules
// (diacritics included). The keyword needs its blank: a line that ends after SELECT fails.
bool FirstLineNamesAStatement(const QString &firstLine);

// How dangerous the lines look, from 0 (runs without a question) to 3. Counted per line, with
// the letters a to z upper-cased: U/D lines changing data, S lines selecting, W lines with a
// condition, X lines changing the structure. 1: U or D without any W; 2: U or D with S and no
// more W than S; 3: any X. A later rule that holds replaces an earlier verdict. A condition
// counts only outside comments and literals, as the dialect has them: "DELETE FROM T -- WHERE"
// deletes every row.
int RiskVerdict(const QStringList &lines, SqlDialect dialect = SqlDialect::Standard);

// The question that asks for a Yes before a statement of the verdict runs (1 to 3).
QString RiskQuestion(int verdict);

} // namespace vrl
