#include "query/SqlHighlighter.h"

namespace vrl {

namespace {

// Block states: inside a comment that a later line closes.
constexpr int kInComment = 1;

const char *const kWords[] = {
    "ADD",       "ALL",    "ALTER",  "AND",    "AS",       "ASC",    "BETWEEN", "BY",
    "CASE",      "CREATE", "DELETE", "DESC",   "DISTINCT", "DROP",   "ELSE",    "END",
    "EXEC",      "EXISTS", "FROM",   "FULL",   "GROUP",    "HAVING", "IN",      "INDEX",
    "INNER",     "INSERT", "INTO",   "IS",     "JOIN",     "KEY",    "LEFT",    "LIKE",
    "LIMIT",     "NOT",    "NULL",   "ON",     "OR",       "ORDER",  "OUTER",   "PRIMARY",
    "PROCEDURE", "RIGHT",  "SELECT", "SET",    "TABLE",    "THEN",   "TOP",     "TRUNCATE",
    "UNION",     "UNIQUE", "UPDATE", "VALUES", "VIEW",     "WHEN",   "WHERE",   "WITH",
};

QString wordPattern()
{
    QStringList words;
    for (const char *word : kWords)
        words << QString::fromLatin1(word);
    return QStringLiteral("\\b(") + words.join(QLatin1Char('|')) + QStringLiteral(")\\b");
}

} // namespace

SqlHighlighter::SqlHighlighter(QTextDocument *document)
    : QSyntaxHighlighter(document)
    , m_keywords(wordPattern(), QRegularExpression::CaseInsensitiveOption)
    , m_numbers(QStringLiteral("\\b\\d+(\\.\\d+)?\\b"))
{
    m_keyword.setForeground(QColor(0, 0, 128));
    m_keyword.setFontWeight(QFont::Bold);
    m_quoted.setForeground(QColor(128, 0, 0));
    m_number.setForeground(QColor(0, 128, 128));
    m_comment.setForeground(QColor(128, 128, 128));
    m_comment.setFontItalic(true);
}

void SqlHighlighter::highlightBlock(const QString &text)
{
    for (auto match = m_keywords.globalMatch(text); match.hasNext();) {
        const auto found = match.next();
        setFormat(int(found.capturedStart()), int(found.capturedLength()), m_keyword);
    }
    for (auto match = m_numbers.globalMatch(text); match.hasNext();) {
        const auto found = match.next();
        setFormat(int(found.capturedStart()), int(found.capturedLength()), m_number);
    }

    // Quoted texts and comments in one pass from the left, so that a dash in a text is no
    // comment and a quote in a comment opens no text.
    setCurrentBlockState(0);
    int i = 0;
    if (previousBlockState() == kInComment) {
        const int end = int(text.indexOf(QLatin1String("*/")));
        if (end < 0) {
            setFormat(0, int(text.size()), m_comment);
            setCurrentBlockState(kInComment);
            return;
        }
        setFormat(0, end + 2, m_comment);
        i = end + 2;
    }
    const int size = int(text.size());
    while (i < size) {
        const QChar c = text[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
            int end = i + 1;
            while (end < size) {
                if (text[end] == c) {
                    // A doubled quote stays inside the text.
                    if (end + 1 < size && text[end + 1] == c) {
                        end += 2;
                        continue;
                    }
                    break;
                }
                ++end;
            }
            // A name in back-ticks is no keyword, whatever it reads.
            setFormat(i, std::min(end, size - 1) - i + 1,
                      c == QLatin1Char('`') ? QTextCharFormat() : m_quoted);
            i = end + 1;
        } else if (text.mid(i, 2) == QLatin1String("--") || c == QLatin1Char('#')) {
            setFormat(i, size - i, m_comment);
            return;
        } else if (text.mid(i, 2) == QLatin1String("/*")) {
            const int end = int(text.indexOf(QLatin1String("*/"), i + 2));
            if (end < 0) {
                setFormat(i, size - i, m_comment);
                setCurrentBlockState(kInComment);
                return;
            }
            setFormat(i, end + 2 - i, m_comment);
            i = end + 2;
        } else {
            ++i;
        }
    }
}

} // namespace vrl
