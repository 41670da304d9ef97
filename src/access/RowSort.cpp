#include "access/RowSort.h"

#include "access/CollationRanks.h"
#include "access/DataError.h"

#include <algorithm>
#include <bit>
#include <cmath>

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

namespace {

// One sort key as a number per row (by its position in the list being sorted) whose order is
// the key's order: descending keys are complemented, NULL rows are marked apart.
struct OrderKey
{
    std::vector<quint64> values;
    std::vector<bool> nulls; // empty when no row is NULL
    bool descending = false;
};

quint64 integerKey(qint64 value)
{
    return quint64(value) ^ (quint64(1) << 63);
}

quint64 doubleKey(double value)
{
    if (value == 0)
        value = 0; // -0 sorts as 0
    if (std::isnan(value))
        return ~quint64(0); // after everything, infinity included
    const quint64 bits = std::bit_cast<quint64>(value);
    return (bits >> 63) ? ~bits : bits | (quint64(1) << 63);
}

// Ranks of the rows' bytes, for the rare binary column.
std::vector<quint32> binaryRanks(const Column &column, const std::vector<quint32> &rows)
{
    std::vector<QByteArray> bytes(rows.size());
    std::vector<quint32> order;
    for (quint32 p = 0; p < rows.size(); ++p) {
        if (!column.isNull(rows[p])) {
            bytes[p] = column.value(rows[p]).asBinary();
            order.push_back(p);
        }
    }
    std::sort(order.begin(), order.end(), [&](quint32 a, quint32 b) { return bytes[a] < bytes[b]; });
    std::vector<quint32> ranks(rows.size(), 0);
    quint32 rank = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (i == 0 || bytes[order[i - 1]] != bytes[order[i]])
            ++rank;
        ranks[order[i]] = rank;
    }
    return ranks;
}

OrderKey orderKey(const Column &column, bool descending, const std::vector<quint32> &rows,
                  const QLocale &locale)
{
    OrderKey key;
    key.descending = descending;
    key.values.resize(rows.size());
    std::vector<quint32> ranks;
    if (column.type() == FieldType::Text)
        ranks = collationRanks(column, rows, locale);
    else if (column.type() == FieldType::Binary)
        ranks = binaryRanks(column, rows);
    for (size_t p = 0; p < rows.size(); ++p) {
        const quint32 row = rows[p];
        if (column.isNull(row)) {
            if (key.nulls.empty())
                key.nulls.resize(rows.size(), false);
            key.nulls[p] = true;
            continue;
        }
        quint64 value = 0;
        if (!ranks.empty())
            value = ranks[p];
        else if (column.storesIntegers())
            value = integerKey(column.integerAt(row));
        else
            value = doubleKey(column.numberAt(row));
        key.values[p] = descending ? ~value : value;
    }
    return key;
}

} // namespace

void RowSort::apply(std::vector<quint32> &rows, const QLocale &locale) const
{
    if (m_keys.empty() || rows.size() < 2)
        return;
    std::vector<OrderKey> keys;
    for (const Key &key : m_keys)
        keys.push_back(orderKey(m_rows.column(key.field), key.descending, rows, locale));

    // The first key travels with its entry, so that the usual sort by one field compares
    // neighbouring memory; further keys and then the position (the sort is stable) decide ties.
    // NULLs come first in ascending order, last in descending.
    struct Entry
    {
        quint64 first;
        quint32 position;
        bool nullLast;
        bool nullFirst;
    };
    const OrderKey &first = keys.front();
    std::vector<Entry> entries(rows.size());
    for (quint32 p = 0; p < rows.size(); ++p) {
        const bool null = !first.nulls.empty() && first.nulls[p];
        entries[p] = { null ? 0 : first.values[p], p, null && first.descending,
                       null && !first.descending };
    }
    std::sort(entries.begin(), entries.end(), [&keys](const Entry &a, const Entry &b) {
        if (a.nullFirst != b.nullFirst)
            return a.nullFirst;
        if (a.nullLast != b.nullLast)
            return b.nullLast;
        if (a.first != b.first)
            return a.first < b.first;
        for (size_t k = 1; k < keys.size(); ++k) {
            const OrderKey &key = keys[k];
            if (!key.nulls.empty()) {
                const bool na = key.nulls[a.position], nb = key.nulls[b.position];
                if (na != nb)
                    return na != key.descending;
                if (na)
                    continue;
            }
            const quint64 x = key.values[a.position], y = key.values[b.position];
            if (x != y)
                return x < y;
        }
        return a.position < b.position;
    });
    std::vector<quint32> sorted(rows.size());
    for (size_t i = 0; i < entries.size(); ++i)
        sorted[i] = rows[entries[i].position];
    rows.swap(sorted);
}

} // namespace vrl
