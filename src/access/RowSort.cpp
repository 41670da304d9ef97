#include "access/RowSort.h"

#include "access/CollationRanks.h"
#include "access/DataError.h"
#include "access/RadixSort.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <memory>
#include <numeric>
#include <utility>

namespace vrl {

namespace {

[[noreturn]] void bad(const QString &why)
{
    throw DataError(QStringLiteral("Chybné řazení: ") + why);
}

// The parts of a sort text between its commas; a comma inside a bracketed name ("[a,b] ASC",
// "]" doubled inside) belongs to the name.
QStringList sortParts(const QString &text)
{
    QStringList parts;
    QString part;
    bool bracketed = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (bracketed) {
            if (c == QLatin1Char(']') && i + 1 < text.size() && text[i + 1] == QLatin1Char(']'))
                part += text[i++];
            else if (c == QLatin1Char(']'))
                bracketed = false;
        } else if (c == QLatin1Char('[')) {
            bracketed = true;
        } else if (c == QLatin1Char(',')) {
            parts << part;
            part.clear();
            continue;
        }
        part += c;
    }
    parts << part;
    return parts;
}

} // namespace

RowSort::RowSort(const QString &text, const RowStore &rows)
    : m_rows(rows)
{
    const QStringList parts = sortParts(text);
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
            name = name.mid(1, name.size() - 2).replace(QStringLiteral("]]"), QStringLiteral("]"));
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
    for (quint32 p = 0; p < rows.size(); ++p) {
        if (!column.isNull(rows[p]))
            bytes[p] = column.value(rows[p]).asBinary();
    }
    return ranksByOrder(column, rows, [&](quint32 a, quint32 b) { return bytes[a] < bytes[b]; });
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

// Sorts the order stably by one key: a radix sort of the key's numbers, a byte at a time from
// the lowest (the bytes every row shares are passed over), NULLs first in ascending order and
// last in descending.
void sortStablyBy(std::vector<quint32> &order, const OrderKey &key)
{
    std::vector<NumberedPosition> numbered;
    numbered.reserve(order.size());
    std::vector<quint32> nulls;
    for (const quint32 position : order) {
        if (!key.nulls.empty() && key.nulls[position])
            nulls.push_back(position);
        else
            numbered.push_back({ key.values[position], position });
    }
    // Room the sort writes before it reads: not cleared first (a million rows are 16 MB).
    const std::unique_ptr<NumberedPosition[]> scratch(new NumberedPosition[numbered.size()]);
    radixSort(numbered.data(), numbered.size(), scratch.get());
    auto out = order.begin();
    if (!key.descending)
        out = std::copy(nulls.begin(), nulls.end(), out);
    for (const NumberedPosition &entry : numbered)
        *out++ = entry.position;
    if (key.descending)
        std::copy(nulls.begin(), nulls.end(), out);
}

// The sort by one key of numbers (the usual title click): the rows go with their numbers
// straight into the radix sort and come out in place, without a key array, an order of
// positions or a copy of the rows beside them. Each array a sort touches is fresh memory whose
// pages the system must first hand over, which cost more than the sorting itself.
void sortByOneNumber(std::vector<quint32> &rows, const Column &column, bool descending)
{
    const bool integers = column.storesIntegers();
    const auto keyOf = [&](quint32 row) {
        const quint64 value
            = integers ? integerKey(column.integerAt(row)) : doubleKey(column.numberAt(row));
        return descending ? ~value : value;
    };
    // Rows already in order, or in the reverse order (a second click on a title), need no sort:
    // a reverse order is turned round with each run of equal numbers kept as it was, so the
    // sort stays stable.
    bool inOrder = true;
    bool reversed = true;
    bool anyNull = false;
    for (size_t p = 0; p < rows.size() && (inOrder || reversed); ++p) {
        if (column.isNull(rows[p])) {
            anyNull = true;
            break;
        }
        if (p > 0) {
            const quint64 before = keyOf(rows[p - 1]);
            const quint64 now = keyOf(rows[p]);
            inOrder = inOrder && before <= now;
            reversed = reversed && before >= now;
        }
    }
    if (!anyNull && inOrder)
        return;
    if (!anyNull && reversed) {
        std::reverse(rows.begin(), rows.end());
        for (auto run = rows.begin(); run != rows.end();) {
            const quint64 key = keyOf(*run);
            auto end = run + 1;
            while (end != rows.end() && keyOf(*end) == key)
                ++end;
            std::reverse(run, end);
            run = end;
        }
        return;
    }

    std::vector<NumberedPosition> numbered;
    numbered.reserve(rows.size());
    std::vector<quint32> nulls;
    for (const quint32 row : rows) {
        if (column.isNull(row))
            nulls.push_back(row);
        else
            numbered.push_back({ keyOf(row), row });
    }
    const std::unique_ptr<NumberedPosition[]> scratch(new NumberedPosition[numbered.size()]);
    radixSort(numbered.data(), numbered.size(), scratch.get());
    auto out = rows.begin();
    if (!descending)
        out = std::copy(nulls.begin(), nulls.end(), out);
    for (const NumberedPosition &entry : numbered)
        *out++ = entry.position;
    if (descending)
        std::copy(nulls.begin(), nulls.end(), out);
}

// The sort by one text key: the collation's order of the positions is the sort itself, NULLs
// first in ascending order and last in descending; a descending order takes the runs of
// equal texts from the last, each kept in the rows' order, so the sort stays stable.
void sortByOneText(std::vector<quint32> &rows, const Column &column, bool descending,
                   const QLocale &locale)
{
    const CollatedPositions order = collatedPositions(column, rows, locale);
    std::vector<quint32> sorted;
    sorted.reserve(rows.size());
    const auto takeNulls = [&] {
        for (const quint32 row : rows) {
            if (column.isNull(row))
                sorted.push_back(row);
        }
    };
    if (!descending) {
        takeNulls();
        for (const quint32 position : order.positions)
            sorted.push_back(rows[position]);
    } else {
        size_t end = order.positions.size();
        while (end > 0) {
            size_t begin = end - 1;
            while (!order.startsText[begin])
                --begin;
            for (size_t i = begin; i < end; ++i)
                sorted.push_back(rows[order.positions[i]]);
            end = begin;
        }
        takeNulls();
    }
    rows.swap(sorted);
}

} // namespace

void RowSort::apply(std::vector<quint32> &rows, const QLocale &locale) const
{
    if (m_keys.empty() || rows.size() < 2)
        return;
    if (m_keys.size() == 1) {
        const Column &column = m_rows.column(m_keys[0].field);
        if (column.type() == FieldType::Text) {
            sortByOneText(rows, column, m_keys[0].descending, locale);
            return;
        }
        if (column.type() != FieldType::Binary) {
            sortByOneNumber(rows, column, m_keys[0].descending);
            return;
        }
    }
    std::vector<OrderKey> keys;
    for (const Key &key : m_keys)
        keys.push_back(orderKey(m_rows.column(key.field), key.descending, rows, locale));

    // Stable sorts from the last key to the first: each keeps the order the keys after it gave
    // to its ties, and the first sort keeps the rows' own order for rows equal in every key.
    std::vector<quint32> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    for (auto key = keys.rbegin(); key != keys.rend(); ++key)
        sortStablyBy(order, *key);
    std::vector<quint32> sorted(rows.size());
    for (size_t i = 0; i < order.size(); ++i)
        sorted[i] = rows[order[i]];
    rows.swap(sorted);
}

} // namespace vrl
