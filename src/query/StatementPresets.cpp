#include "query/StatementPresets.h"

namespace vrl {

namespace {

// Every checked field on a line of its own; every line but the last ends in a comma, only the
// first carries the prefix and only the last the closing text.
void appendFieldRun(QStringList &lines, const QStringList &fields, const QString &prefix,
                    const QString &suffix, const QString &closing)
{
    QString pending;
    for (const QString &name : fields) {
        if (pending.isEmpty()) {
            pending = prefix + name + suffix;
        } else {
            lines << pending + QLatin1Char(',');
            pending = name + suffix;
        }
    }
    lines << pending + closing;
}

void appendCondition(QStringList &lines, const QString &filter)
{
    if (!filter.isEmpty())
        lines << QStringLiteral("WHERE ") + filter;
}

} // namespace

QStringList PresetLines(Preset preset, const PresetInput &input)
{
    QStringList lines;
    const bool fields = !input.checkedFields.isEmpty();
    switch (preset) {
    case Preset::Select:
        if (fields)
            appendFieldRun(lines, input.checkedFields, QStringLiteral("SELECT "), QString(),
                           QString());
        else
            lines << QStringLiteral("SELECT * ");
        lines << QStringLiteral("FROM ") + input.table;
        appendCondition(lines, input.filter);
        break;
    case Preset::Update:
        lines << QStringLiteral("UPDATE ") + input.table;
        if (fields)
            appendFieldRun(lines, input.checkedFields, QStringLiteral("SET "),
                           QStringLiteral(" = "), QString());
        else
            lines << QStringLiteral("SET <field> = <value>");
        appendCondition(lines, input.filter);
        break;
    case Preset::Delete:
        lines << QStringLiteral("DELETE FROM ") + input.table;
        appendCondition(lines, input.filter);
        break;
    case Preset::Insert:
        lines << QStringLiteral("INSERT INTO ") + input.table;
        if (fields)
            appendFieldRun(lines, input.checkedFields, QStringLiteral("("), QString(),
                           QStringLiteral(")"));
        lines << QStringLiteral("VALUES (...)");
        break;
    }
    return lines;
}

} // namespace vrl
