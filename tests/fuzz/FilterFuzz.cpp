// The filter parser and evaluator, and the sort expression, over a small dataset of every
// field type: any text is either refused with DataError or filters and sorts the rows.

#include "FuzzSupport.h"

#include "access/ColumnStore.h"
#include "access/DataError.h"
#include "access/RowFilter.h"
#include "access/RowSort.h"
#include "regional/Regional.h"

#include <QDateTime>

#include <cstdlib>

using namespace vrl;

namespace {

const RowStore &rows()
{
    static const RowStore store = [] {
        RowStore s({ fieldOf(QStringLiteral("Id"), FieldType::Int),
                     fieldOf(QStringLiteral("Name"), FieldType::Text),
                     fieldOf(QStringLiteral("Price"), FieldType::Decimal, 2),
                     fieldOf(QStringLiteral("Ratio"), FieldType::Double),
                     fieldOf(QStringLiteral("When"), FieldType::DateTime),
                     fieldOf(QStringLiteral("Done"), FieldType::Bool),
                     fieldOf(QStringLiteral("Count"), FieldType::Int) });
        const QDateTime day(QDate(2024, 2, 29), QTime(13, 5));
        s.appendRow({ Value::integer(1), Value::text(QStringLiteral("Šťastná")),
                      Value::decimal(QStringLiteral("10.50")), Value::real(0.5),
                      Value::dateTime(day), Value::boolean(true), Value::integer(-3) });
        s.appendRow({ Value::integer(2), Value::text(QStringLiteral("O'Malley")), Value(),
                      Value::real(-1e300), Value(), Value::boolean(false),
                      Value::integer(2147483647) });
        s.appendRow({ Value::integer(3), Value(), Value::decimal(QStringLiteral("-0.01")),
                      Value::real(1e-300), Value::dateTime(day.addYears(-100)), Value(), Value() });
        return s;
    }();
    return store;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = fuzz::textOf(data, size);
    try {
        const std::vector<quint32> matching
            = RowFilter(text, rows(), Regional::system()).matchingRows();
        for (const quint32 row : matching) {
            if (row >= rows().rowCount())
                std::abort();
        }
    } catch (const DataError &) { }
    try {
        std::vector<quint32> view { 0, 1, 2 };
        RowSort(text, rows()).apply(view, Regional::system().locale());
        std::vector<quint32> sorted = view;
        std::sort(sorted.begin(), sorted.end());
        if (sorted != std::vector<quint32> { 0, 1, 2 }) // a sort only reorders
            std::abort();
    } catch (const DataError &) { }
    return 0;
}
