#include "basic/QueryRunners.h"

#include "access/DataError.h"
#include "access/Dataset.h"
#include "basic/Prompts.h"
#include "basic/SqlText.h"

#include <QPlainTextEdit>
#include <QTextBlock>

namespace vrl {

namespace {

// The message of a failed statement; LF comes before CR in its separators.
QString failureMessage(const QString &head, const QString &error, const QString &statement)
{
    return head + QStringLiteral("\n\r\n\r") + error + QStringLiteral("\n\r\n\r[query text:\n\r")
        + BreakLongLines(statement, 80) + QLatin1Char(']');
}

void prepare(Dataset &query, const QString &statement, std::vector<Value> parameters = {})
{
    query.close();
    query.setFiltered(false);
    query.setFilter(QString());
    query.setCommandText(statement);
    query.setParameters(std::move(parameters));
}

quint8 openedCode(int records)
{
    return records <= 0 ? QueryResult::OpenedEmpty
        : records == 1  ? QueryResult::OpenedOne
                        : QueryResult::OpenedMany;
}

} // namespace

QString quotedText(const QString &text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

quint8 OpenOrExecXSimpleQuery(Dataset &query, const QString &statement,
                              std::vector<Value> parameters)
{
    prepare(query, statement, std::move(parameters));
    try {
        if (query.executeAndOpenIfRows()) {
            const int records = query.recordCount();
            if (records > 1)
                query.first();
            return openedCode(records);
        }
        const qint64 changed = query.rowsAffected();
        return changed == 1 ? QueryResult::ChangedOne
            : changed > 1   ? QueryResult::ChangedMany
            : changed == 0  ? QueryResult::ChangedNone
                            : QueryResult::Failed;
    } catch (const DataError &error) {
        prompts().show(PromptKind::Message,
                       failureMessage(QStringLiteral("Chyba OpenOrExecXSimpleQuery:"),
                                      error.message(), statement));
        return QueryResult::Failed;
    }
}

quint8 OpenOrExecMemoQuery(Dataset &query, const QPlainTextEdit &memo, qint32 &recordCount,
                           qint32 &rowsAffected)
{
    recordCount = 0;
    rowsAffected = 0;
    // The lines the checks have read, not the blocks of the editor: a line separator inside a
    // block would otherwise end a comment for the checks and not for the server.
    const QStringList lines = MemoLines(memo);
    QString statement;
    for (const QString &line : lines)
        statement += line + QStringLiteral("\r\n");
    prepare(query, statement);
    try {
        if (query.executeAndOpenIfRows()) {
            recordCount = query.recordCount();
            if (recordCount > 1)
                query.first();
            return openedCode(recordCount);
        }
        rowsAffected = qint32(query.rowsAffected());
        // A server may count no rows for a statement that changes none by its nature (MariaDB
        // does for CREATE or DROP): that is no "no changes" but a special statement done.
        if (rowsAffected == 0 && query.connection()
            && !ChangesRows(lines, query.connection()->sqlDialect()))
            return QueryResult::ChangedUnknown;
        return rowsAffected == 1 ? QueryResult::ChangedOne
            : rowsAffected > 1   ? QueryResult::ChangedMany
            : rowsAffected == 0  ? QueryResult::ChangedNone
                                 : QueryResult::ChangedUnknown;
    } catch (const DataError &error) {
        prompts().show(PromptKind::Message,
                       failureMessage(QStringLiteral("Při provádění příkazu došlo k chybě:"),
                                      error.message(), statement));
        return QueryResult::Failed;
    }
}

QStringList MemoLines(const QPlainTextEdit &memo)
{
    QString text;
    for (QTextBlock block = memo.document()->begin(); block.isValid(); block = block.next()) {
        if (block != memo.document()->begin())
            text += QLatin1Char('\n');
        text += block.text();
    }
    // What the editor shows as a line break is one here too (Shift+Enter types a line
    // separator), and a no-break space is a blank: the server knows neither as such.
    for (QChar &c : text) {
        if (c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QLatin1Char('\n');
        else if (c == QChar::Nbsp)
            c = QLatin1Char(' ');
    }
    if (text.isEmpty())
        return {};
    QStringList lines = text.split(QLatin1Char('\n'));
    if (text.endsWith(QLatin1Char('\n')))
        lines.removeLast();
    return lines;
}

QString BreakLongLines(const QString &text, quint8 width)
{
    QString result;
    result.reserve(text.size() + text.size() / 40);
    int column = 0;
    for (const QChar c : text) {
        result += c;
        column = c == QLatin1Char('\n') ? 0 : column + 1;
        const bool breaks = c == QLatin1Char(' ') || c == QLatin1Char(',') || c == QLatin1Char(';');
        if (column >= width && breaks) {
            result += QStringLiteral("\r\n");
            column = 0;
        }
    }
    return result;
}

double VarToDoubleOrZero(const Value &value)
{
    if (value.isNull())
        return 0;
    if (const auto number = value.toNumber())
        return *number;
    throw DataError(QStringLiteral("Hodnotu \"%1\" nelze převést na číslo.").arg(value.toText()));
}

} // namespace vrl
