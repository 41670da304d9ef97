#include "access/RowSort.h"

#include "access/DataError.h"

#include <QCollator>

#include <algorithm>
#include <functional>

namespace vrl {

namespace {

[[noreturn]] void bad(const QString &why)
{
    throw DataError(QStringLiteral("Chybné řazení: ") + why);
}

} // namespace

RowSort::RowSort(const QString &text, const RowStore &rows)
    : m_rows(rows)
{
    const QStringList parts = text.split(QLatin1Char(','));
    for (QString part : parts) {
        part = part.trimmed();
        if (part.isEmpty()) {
            if (parts.size() == 1)
                break; // an empty text: no sort
            bad(QStringLiteral("prázdná část v \"%1\"").arg(text));
        }
        bool descending = false;
        QString name = part;
        const QString upper = part.toUpper();
        if (upper.endsWith(QLatin1String(" DESC"))) {
            descending = true;
            name = part.left(part.size() - 5).trimmed();
        } else if (upper.endsWith(QLatin1String(" ASC"))) {
            name = part.left(part.size() - 4).trimmed();
        }
        if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
            name = name.mid(1, name.size() - 2);
        const int field = rows.fieldIndex(name);
        if (field < 0)
            bad(QStringLiteral("neznámá položka \"%1\"").arg(name));
        m_keys.push_back({ field, descending });
    }
}

void RowSort::apply(std::vector<quint32> &rows, const QLocale &locale) const
{
    if (m_keys.empty())
        return;
    // One comparison per key: negative, zero or positive, NULLs first.
    std::vector<std::function<int(quint32, quint32)>> compares;
    std::vector<std::vector<QCollatorSortKey>> collationKeys(m_keys.size());
    std::vector<qint64> keyIndex(m_rows.rowCount(), -1);
    for (size_t i = 0; i < rows.size(); ++i)
        keyIndex[rows[i]] = qint64(i);
    for (size_t k = 0; k < m_keys.size(); ++k) {
        const Column &column = m_rows.column(m_keys[k].field);
        const int sign = m_keys[k].descending ? -1 : 1;
        auto nulls = [&column](quint32 a, quint32 b, int &order) {
            const bool na = column.isNull(a), nb = column.isNull(b);
            if (na || nb) {
                order = na == nb ? 0 : (na ? -1 : 1);
                return true;
            }
            return false;
        };
        if (column.type() == FieldType::Text) {
            // Collation keys once per row, not per comparison.
            QCollator collator(locale);
            auto &keys = collationKeys[k];
            keys.reserve(rows.size());
            for (quint32 row : rows)
                keys.push_back(collator.sortKey(
                    column.isNull(row) ? QString() : column.textAt(row).toString()));
            compares.push_back([&, sign, nulls](quint32 a, quint32 b) {
                int order;
                if (nulls(a, b, order))
                    return sign * order;
                return sign * keys[size_t(keyIndex[a])].compare(keys[size_t(keyIndex[b])]);
            });
        } else if (column.storesIntegers()) {
            compares.push_back([&column, sign, nulls](quint32 a, quint32 b) {
                int order;
                if (nulls(a, b, order))
                    return sign * order;
                const qint64 x = column.integerAt(a), y = column.integerAt(b);
                return sign * (x < y ? -1 : (y < x ? 1 : 0));
            });
        } else if (column.type() == FieldType::Binary) {
            compares.push_back([&column, sign, nulls](quint32 a, quint32 b) {
                int order;
                if (nulls(a, b, order))
                    return sign * order;
                const QByteArray x = column.value(a).asBinary(), y = column.value(b).asBinary();
                return sign * (x < y ? -1 : (y < x ? 1 : 0));
            });
        } else {
            compares.push_back([&column, sign, nulls](quint32 a, quint32 b) {
                int order;
                if (nulls(a, b, order))
                    return sign * order;
                const double x = column.numberAt(a), y = column.numberAt(b);
                return sign * (x < y ? -1 : (y < x ? 1 : 0));
            });
        }
    }
    std::stable_sort(rows.begin(), rows.end(), [&compares](quint32 a, quint32 b) {
        for (const auto &compare : compares) {
            const int order = compare(a, b);
            if (order != 0)
                return order < 0;
        }
        return false;
    });
}

} // namespace vrl
