#include "basic/TableColumnSum.h"

#include "basic/QueryRunners.h"
#include "data/access/Dataset.h"
#include "regional/Regional.h"

#include <cmath>

namespace vrl {

QString sumText(double value)
{
    QLocale locale = Regional::system().locale();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    QString text = locale.toString(std::round(value * 100) / 100, 'f', 2);
    const QString point = locale.decimalPoint();
    while (text.endsWith(QLatin1Char('0')) && text.contains(point))
        text.chop(1);
    if (text.endsWith(point))
        text.chop(point.size());
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text;
}

QString SumTableColumn(Dataset &table, Dataset &query, const QString &sortColumn)
{
    if (sortColumn.isEmpty())
        return QString();
    QString statement = QStringLiteral("SELECT sum(") + sortColumn + QStringLiteral(") as CS FROM ")
        + table.commandText();
    if (table.isFiltered())
        statement += QStringLiteral(" WHERE ") + table.filter();
    try {
        if (OpenOrExecXSimpleQuery(query, statement) == QueryResult::OpenedOne)
            return QLatin1Char(' ') + sortColumn + QStringLiteral(": ")
                + sumText(VarToDoubleOrZero(query.fieldByName(QStringLiteral("CS")).value()));
    } catch (const std::exception &) {
        // Reported as a column that cannot be summed.
    }
    return QStringLiteral(" (") + sortColumn + QStringLiteral(" nelze sčítat)");
}

} // namespace vrl
