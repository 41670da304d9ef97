#include "basic/TableColumnSum.h"

#include "access/DataError.h"
#include "access/Dataset.h"
#include "access/FilterSql.h"
#include "access/RowFilter.h"
#include "basic/QueryRunners.h"
#include "regional/Regional.h"

#include <charconv>

namespace vrl {

namespace {

// Exact digits ("-1234.5678") in the pattern "0.##": rounded half away from zero to two
// decimals, trailing zeros dropped, the user's decimal separator.
QString patternText(const QString &canonical)
{
    QString text = canonicalDecimal(canonical, QLatin1Char('.'), 2).value_or(canonical);
    if (text.contains(QLatin1Char('.'))) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(QLatin1Char('.')))
            text.chop(1);
    }
    QLocale locale = Regional::system().locale();
    return text.replace(QLatin1Char('.'), locale.decimalPoint());
}

} // namespace

QString sumText(double value)
{
    // The shortest digits that read back as the value, so that 1.005 rounds as written.
    char buffer[400];
    const auto written
        = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return patternText(QString::fromLatin1(buffer, written.ptr - buffer));
}

QString sumText(const Value &value)
{
    switch (value.type().value_or(FieldType::Int)) {
    case FieldType::Int:
        return value.isNull() ? QStringLiteral("0") : QString::number(value.asInt());
    case FieldType::Decimal:
        return patternText(value.asDecimal());
    default:
        return sumText(VarToDoubleOrZero(value));
    }
}

SqlCondition tableSumStatement(const Provider &provider, const QString &table,
                               const QString &column, const RowStore &rows, const QString &filter)
{
    SqlCondition statement;
    statement.text = QStringLiteral("SELECT sum(") + provider.quoteIdentifier(column)
        + QStringLiteral(") as CS FROM ") + provider.quoteTableName(table);
    if (!filter.trimmed().isEmpty()) {
        // The filter as the grid applies it, not its text: the database would read the text
        // in its own way and sum other rows than those shown.
        const RowFilter parsed(filter, rows, Regional::system());
        SqlCondition condition = filterSql(parsed, provider);
        statement.text += QStringLiteral(" WHERE ") + condition.text;
        statement.parameters = std::move(condition.parameters);
    }
    return statement;
}

bool isSummable(FieldType type)
{
    return type == FieldType::Int || type == FieldType::Double || type == FieldType::Decimal;
}

QString SumTableColumn(Dataset &table, Dataset &query, const QString &sortColumn)
{
    if (sortColumn.isEmpty())
        return QString();
    try {
        if (!isSummable(table.fieldByName(sortColumn).type()))
            throw DataError(QStringLiteral("Položku nelze sčítat."));
        if (!table.connection())
            throw DataError(QStringLiteral("Datová sada není připojena k databázi."));
        const Provider &provider = table.connection()->provider();
        SqlCondition statement
            = tableSumStatement(provider, table.commandText(), sortColumn, table.rows(),
                                table.isFiltered() ? table.filter() : QString());
        if (OpenOrExecXSimpleQuery(query, statement.text, std::move(statement.parameters))
            == QueryResult::OpenedOne)
            return QLatin1Char(' ') + sortColumn + QStringLiteral(": ")
                + sumText(query.fieldByName(QStringLiteral("CS")).value());
    } catch (const std::exception &) {
        // Reported as a column that cannot be summed.
    }
    return QStringLiteral(" (") + sortColumn + QStringLiteral(" nelze sčítat)");
}

} // namespace vrl
