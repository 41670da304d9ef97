#include "basic/StvImport.h"

#include "access/Dataset.h"
#include "access/HeldWrites.h"
#include "access/ServerWait.h"
#include "basic/AnsiText.h"
#include "basic/AsciiUpperCase.h"
#include "basic/FileDialog.h"
#include "basic/GaugeSteps.h"
#include "basic/Prompts.h"
#include "basic/QueryRunners.h"

#include <QFileInfo>
#include <QProgressBar>
#include <QRegularExpression>

#include <cmath>

namespace vrl {

namespace {

// The literals the strict types accept, each matched as a whole value once the blanks at its
// ends are set aside. Built once: every value of every line passes here.
const QString kNumber = QStringLiteral("[+-]?(?:\\d+(?:\\.\\d*)?|\\.\\d+)(?:[eE][+-]?\\d+)?");

QRegularExpression whole(const QString &pattern)
{
    return QRegularExpression(QStringLiteral("\\A(?:") + pattern + QStringLiteral(")\\z"),
                              QRegularExpression::CaseInsensitiveOption);
}

const QRegularExpression kNumberLiteral = whole(kNumber);
// A number, a text in apostrophes (also the national N'...') with inner ones doubled, a binary
// 0x..., or NULL.
const QRegularExpression kVariantLiteral
    = whole(kNumber + QStringLiteral("|N?'(?:[^']|'')*'|0x[0-9a-f]*|NULL"));

bool isNumber(const QString &value)
{
    return kNumberLiteral.match(value.trimmed()).hasMatch();
}

// The target fields as one text: joined with commas, a name that holds a blank, a comma or a
// double quote in double quotes with inner ones doubled.
QString joinedFieldNames(const QStringList &fields)
{
    QStringList written;
    for (QString name : fields) {
        if (name.contains(QLatin1Char(' ')) || name.contains(QLatin1Char(','))
            || name.contains(QLatin1Char('"')))
            name = QLatin1Char('"') + name.replace(QLatin1Char('"'), QLatin1String("\"\""))
                + QLatin1Char('"');
        written << name;
    }
    return written.join(QLatin1Char(','));
}

} // namespace

int StvTypeCode(const QString &name)
{
    static const QStringList names { QStringLiteral("BOOLEAN"),  QStringLiteral("CURRENCY"),
                                     QStringLiteral("DATETIME"), QStringLiteral("FLOAT"),
                                     QStringLiteral("INTEGER"),  QStringLiteral("STRING"),
                                     QStringLiteral("VARIANT") };
    return int(names.indexOf(name)) + 1; // not found: -1 + 1 = 0
}

QStringList CutStvLine(const QString &line)
{
    QStringList pieces;
    qsizetype start = 0;
    while (start < line.size()) {
        const qsizetype end = line.indexOf(QLatin1Char(';'), start);
        if (end < 0) {
            pieces << line.mid(start);
            break;
        }
        pieces << line.mid(start, end - start);
        start = end + 1;
    }
    return pieces;
}

QString NormalizeNumber(const QString &text)
{
    QString number;
    number.reserve(text.size() + 3);
    for (const QChar c : text) {
        const bool kept = c.unicode() > 255 || (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            || c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char(',')
            || c == QLatin1Char('.');
        if (kept)
            number += c;
    }
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    if (!number.contains(QLatin1Char('.')))
        number += QStringLiteral(".00");
    return number;
}

std::optional<QString> CSVValueToSQL(const QList<int> &types, const QStringList &values, int i,
                                     bool nationalText)
{
    const QString text = nationalText ? QStringLiteral("N") : QString();
    const int type = i < types.size() ? types[i] : StvUnknown;
    const bool present = i < values.size();
    const QString value = present ? values[i] : QString();
    switch (type) {
    case StvBoolean: {
        const QString upper = AsciiUpperCase(value);
        const bool yes = upper == QLatin1String("1") || upper == QLatin1String("T")
            || upper == QLatin1String("TRUE");
        return QString(yes ? QStringLiteral("1") : QStringLiteral("0"));
    }
    case StvCurrency: {
        if (!present)
            return QStringLiteral("0.0");
        // What is left of a date or a range ("1-2.00") would be computed, not stored.
        const QString number = NormalizeNumber(value);
        if (!isNumber(number))
            return std::nullopt;
        return number;
    }
    case StvDateTime:
        return QStringLiteral("CONVERT(datetime,") + text
            + quotedText(present ? value : QStringLiteral("1.1.1900")) + QStringLiteral(",4)");
    case StvInteger:
    case StvFloat:
        // Written as it stands, blanks included, once it is one number.
        if (!present)
            return QStringLiteral("0");
        if (!isNumber(value))
            return std::nullopt;
        return value;
    case StvVariant:
        if (!present)
            return QStringLiteral("0");
        if (!kVariantLiteral.match(value.trimmed()).hasMatch())
            return std::nullopt;
        return value;
    case StvString:
        return text + quotedText(value);
    default:
        return QStringLiteral("NULL");
    }
}

QString StvRefusal(int type, const QString &field, const QString &value)
{
    const QString what = type == StvVariant
        ? QStringLiteral("není jediný literál SQL (číslo, text v apostrofech, N'…', 0x…, NULL)")
        : QStringLiteral("není číslo");
    return QStringLiteral("Hodnota „%1“ položky %2 %3.").arg(value, field, what);
}

bool StvHeaderFits(const QStringList &header, const QStringList &typeNames,
                   const QStringList &targetFields)
{
    if (header.isEmpty() || typeNames.isEmpty() || typeNames.size() != header.size())
        return false;
    const QString fields = joinedFieldNames(targetFields);
    for (const QString &name : header) {
        if (!fields.contains(name))
            return false;
    }
    return true;
}

std::optional<QString> StvInsertStatement(const QString &table, const QStringList &header,
                                          const QList<int> &types, const QStringList &values,
                                          QString *refusal, bool nationalText)
{
    QStringList literals;
    for (int i = 0; i < header.size(); ++i) {
        const auto literal = CSVValueToSQL(types, values, i, nationalText);
        if (!literal) {
            if (refusal)
                *refusal = StvRefusal(types[i], header[i], values[i]);
            return std::nullopt;
        }
        literals << *literal;
    }
    return QStringLiteral("INSERT INTO ") + table + QStringLiteral("\r(")
        + header.join(QLatin1Char(',')) + QStringLiteral(")\rVALUES (")
        + literals.join(QLatin1Char(',')) + QLatin1Char(')');
}

quint8 ImportCSVFile(const QString &table, Dataset &query, FileDialog &dialog, QProgressBar &gauge,
                     qint32 &count)
{
    count = 0;
    const auto finish = [&gauge](quint8 status) {
        gauge.setValue(0);
        return status;
    };
    // SQL Server needs its table in brackets (a blank or a schema in the name) and texts as
    // N'...'; the statements for any other database stay as the file and the table give them.
    const bool sqlServer
        = query.connection() && query.connection()->sqlDialect() == SqlDialect::SqlServer;
    const QString target = sqlServer ? query.connection()->provider().quoteTableName(table) : table;
    const quint8 probe
        = OpenOrExecXSimpleQuery(query, QStringLiteral("SELECT TOP 1 * FROM ") + target);
    if (probe != QueryResult::OpenedEmpty && probe != QueryResult::OpenedOne)
        return finish(StvStatus::NoTable);
    const QStringList targetFields = query.fieldNames();

    dialog.filterIndex = 2;
    dialog.title = QStringLiteral("Vyber CSV soubor pro import do ") + table + QLatin1Char(':');
    dialog.fileName.clear();
    if (!prompts().runFileDialog(dialog))
        return finish(StvStatus::NoFile);

    // A file that cannot be read ends here in the general error report.
    const QStringList lines = readAnsiLines(dialog.fileName);
    const qint64 size = QFileInfo(dialog.fileName).size();
    gauge.setValue(0);
    if (lines.size() < 2)
        return finish(StvStatus::BadHeader);
    const QStringList header = CutStvLine(lines[0]);
    const QStringList typeNames = CutStvLine(lines[1]);
    if (!StvHeaderFits(header, typeNames, targetFields))
        return finish(StvStatus::BadHeader);
    QList<int> types;
    for (const QString &name : typeNames)
        types << StvTypeCode(name);

    const int separators = int(header.size()) - 1;
    qint64 characters = 0;
    bool stopped = false;
    // A workbook takes the run's rows into its file once, at the end (or as an error ends the
    // run), not once a row.
    HeldWrites held(query.connection());
    for (int line = 3; line <= lines.size() && !stopped; ++line) {
        const QString &text = lines[line - 1];
        const QStringList values = CutStvLine(text);
        if (!values.isEmpty()) {
            const int counted = int(text.count(QLatin1Char(';')));
            if (counted != separators)
                prompts().show(PromptKind::Message,
                               QStringLiteral("Nesprávný počet oddělovačů v řádku %1 [%2, má být "
                                              "%3].\r\nŘádek možná nebude možno naimportovat.")
                                   .arg(line)
                                   .arg(counted)
                                   .arg(separators));
            QString refusal;
            const auto statement
                = StvInsertStatement(target, header, types, values, &refusal, sqlServer);
            // A refused line says why, as a failed statement shows its error, before the
            // question.
            if (!statement)
                prompts().show(PromptKind::Message, refusal);
            if (statement && OpenOrExecXSimpleQuery(query, *statement) == QueryResult::ChangedOne) {
                ++count;
            } else if (lastWaitStopped()) {
                // The user stopped the statement: the run ends after it, asking nothing more.
                stopped = true;
            } else if (!prompts().confirm(QStringLiteral("Při vkládání řádku %1 (%2 ...) došlo k "
                                                         "chybě.\r\nMá import i přesto "
                                                         "pokračovat?")
                                              .arg(line)
                                              .arg(values.first()))) {
                stopped = true;
            }
        }
        characters += text.size();
        gauge.setValue(gaugePercent(characters, size));
    }
    held.finish();
    return finish(stopped ? StvStatus::Stopped : StvStatus::Read);
}

} // namespace vrl
