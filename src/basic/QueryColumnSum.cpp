#include "basic/QueryColumnSum.h"

#include "access/DataError.h"
#include "access/Dataset.h"
#include "basic/GaugeSteps.h"
#include "basic/QueryRunners.h"
#include "basic/TableColumnSum.h"

#include <QProgressBar>

namespace vrl {

QString SumQueryColumn(Dataset &query, QProgressBar &gauge, const QString &sortColumn)
{
    if (sortColumn.isEmpty())
        return QString();
    query.first();
    gauge.setValue(0);
    QString result;
    try {
        // The rows are read where they lie; the cursor does not walk them, since nothing is
        // drawn before the walk ends anyway.
        // Texts that happen to hold numbers make no column of numbers, even without rows.
        const int known = query.rows().fieldIndex(sortColumn);
        if (known >= 0 && !isSummable(query.rows().fields()[size_t(known)].type))
            throw DataError(QStringLiteral("Položku nelze sčítat."));
        const int count = query.recordCount();
        double total = 0;
        int field = -1;
        int shownPercent = 0;
        for (int row = 0; row < count; ++row) {
            const int percent = gaugePercent(row + 1, count);
            if (percent != shownPercent)
                gauge.setValue(shownPercent = percent);
            if (field < 0)
                field = query.fieldByName(sortColumn).index();
            total += VarToDoubleOrZero(query.valueAt(row, field));
        }
        result = QLatin1Char(' ') + sortColumn + QStringLiteral(": ") + sumText(total);
    } catch (const std::exception &) {
        result = QStringLiteral(" (") + sortColumn + QStringLiteral(" nelze sčítat)");
    }
    gauge.setValue(0);
    query.first();
    return result;
}

} // namespace vrl
