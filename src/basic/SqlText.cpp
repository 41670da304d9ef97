#include "basic/SqlText.h"

namespace vrl {

namespace {

enum class Inside { Code, BlockComment, Literal };

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'@' || c == u'#' || c == u'$';
}

} // namespace

QStringList SqlCodeLines(const QStringList &lines, SqlDialect dialect)
{
    // MySQL reads a backslash in a literal as an escape; SQL Server does not. Taken as an
    // escape everywhere else, it can only make a literal longer, never end one early.
    const bool backslashEscapes = dialect != SqlDialect::SqlServer;
    const bool hashComments = dialect == SqlDialect::MySql;
    QStringList code;
    code.reserve(lines.size());
    Inside inside = Inside::Code;
    QChar closing; // the character that ends the literal or name we are in
    for (const QString &line : lines) {
        QString out = line;
        const qsizetype size = line.size();
        for (qsizetype i = 0; i < size; ++i) {
            const QChar c = line[i];
            const QChar next = i + 1 < size ? line[i + 1] : QChar();
            switch (inside) {
            case Inside::Code:
                if ((c == u'-' && next == u'-') || (c == u'#' && hashComments)) {
                    for (qsizetype k = i; k < size; ++k)
                        out[k] = u' ';
                    i = size;
                } else if (c == u'/' && next == u'*') {
                    out[i] = out[i + 1] = u' ';
                    ++i;
                    inside = Inside::BlockComment;
                } else if (c == u'\'' || c == u'"' || c == u'`' || c == u'[') {
                    out[i] = u' ';
                    closing = c == u'[' ? QChar(u']') : c;
                    inside = Inside::Literal;
                }
                break;
            case Inside::BlockComment:
                out[i] = u' ';
                if (c == u'*' && next == u'/') {
                    out[i + 1] = u' ';
                    ++i;
                    inside = Inside::Code;
                }
                break;
            case Inside::Literal:
                out[i] = u' ';
                if (backslashEscapes && c == u'\\' && closing != u']' && closing != u'`') {
                    if (i + 1 < size)
                        out[++i] = u' ';
                } else if (c == closing) {
                    if (next == closing) { // doubled: one of it inside the literal
                        out[++i] = u' ';
                    } else {
                        inside = Inside::Code;
                    }
                }
                break;
            }
        }
        code << out;
    }
    return code;
}

bool ChangesRows(const QStringList &lines, SqlDialect dialect)
{
    static const QStringList kWords { QStringLiteral("INSERT"), QStringLiteral("UPDATE"),
                                      QStringLiteral("DELETE"), QStringLiteral("REPLACE"),
                                      QStringLiteral("MERGE"),  QStringLiteral("INTO") };
    for (const QString &line : SqlCodeLines(lines, dialect)) {
        const qsizetype size = line.size();
        for (qsizetype start = 0; start < size;) {
            if (!isWordCharacter(line[start])) {
                ++start;
                continue;
            }
            qsizetype end = start;
            while (end < size && isWordCharacter(line[end]))
                ++end;
            const QStringView word = QStringView(line).mid(start, end - start);
            for (const QString &wanted : kWords) {
                if (word.compare(wanted, Qt::CaseInsensitive) == 0)
                    return true;
            }
            start = end;
        }
    }
    return false;
}

} // namespace vrl
