#pragma once

#include <QRegularExpression>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>

namespace vrl {

// Colours SQL in the editor: keywords, quoted texts, numbers and comments (to the end of a
// line after "--" or "#", and between "/*" and "*/" across lines). Only the look changes; the
// text the checks and the runner read stays as typed.
class SqlHighlighter : public QSyntaxHighlighter
{
public:
    explicit SqlHighlighter(QTextDocument *document);

protected:
    void highlightBlock(const QString &text) override;

private:
    QRegularExpression m_keywords;
    QRegularExpression m_numbers;
    QTextCharFormat m_keyword;
    QTextCharFormat m_quoted;
    QTextCharFormat m_number;
    QTextCharFormat m_comment;
};

} // namespace vrl
