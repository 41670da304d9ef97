#include "access/CollationRanks.h"

#include "access/PlainBuffer.h"
#include "access/RadixSort.h"
#include "access/ResultMemory.h"

#include <QCollator>

#include <unicode/ucol.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <memory>
#include <thread>

namespace vrl {

namespace {

struct CollatorDeleter
{
    void operator()(UCollator *collator) const { ucol_close(collator); }
};
using Collator = std::unique_ptr<UCollator, CollatorDeleter>;

// The collator QCollator makes for the locale: its name in ICU's form, normalization on,
// the locale's own strength (case sensitive).
Collator openCollator(const QLocale &locale)
{
    UErrorCode status = U_ZERO_ERROR;
    const QByteArray name
        = locale.bcp47Name().replace(QLatin1Char('-'), QLatin1Char('_')).toLatin1();
    Collator collator(ucol_open(name.constData(), &status));
    if (U_FAILURE(status))
        return nullptr;
    ucol_setAttribute(collator.get(), UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    return U_FAILURE(status) ? nullptr : std::move(collator);
}

// Eight bytes of a key from where it points, big-endian, so that comparing them as numbers
// compares the bytes; past the key's terminating zero come zeros.
quint64 wordAt(const uint8_t *key)
{
    quint64 word = 0;
    for (int i = 0; i < 8; ++i) {
        word = (word << 8) | key[i];
        if (key[i] == 0)
            return word << 8 * (7 - i);
    }
    return word;
}

// An entry's number is the word of its key at the depth being sorted.
using Entry = NumberedPosition;

// Room for count values that are written before they are read, not cleared first, in large
// pages: a sort of a million texts fills about 70 MB of fresh memory, and at 4 KB a page the
// system's handing them over cost more than the sorting.
template<typename T> std::unique_ptr<T[]> unclearedArray(size_t count)
{
    std::unique_ptr<T[]> array(new T[count]);
    preferLargePages(array.get(), count * sizeof(T));
    return array;
}

// The keys of the non-NULL rows of one part of the list, each ending in its zero (no key
// holds a zero byte before its end).
struct KeyBuffer
{
    PlainBuffer<uint8_t> bytes;
    std::vector<size_t> starts;
    std::vector<quint32> positions;
};

void makeKeys(const UCollator *collator, const Column &column, const std::vector<quint32> &rows,
              size_t first, size_t last, KeyBuffer &buffer)
{
    buffer.bytes.reserve((last - first) * 32);
    preferLargePages(buffer.bytes.data(), buffer.bytes.capacity());
    reserveInLargePages(buffer.starts, last - first);
    reserveInLargePages(buffer.positions, last - first);
    for (size_t p = first; p < last; ++p) {
        if (column.isNull(rows[p]))
            continue;
        const QStringView text = column.textAt(rows[p]);
        const size_t start = buffer.bytes.size();
        size_t room = std::max<size_t>(size_t(text.size()) * 4 + 16, 64);
        for (;;) {
            uint8_t *key = buffer.bytes.extend(room);
            const int32_t length
                = ucol_getSortKey(collator, reinterpret_cast<const UChar *>(text.utf16()),
                                  int32_t(text.size()), key, int32_t(room));
            if (size_t(length) <= room) {
                buffer.bytes.shrinkBy(room - size_t(length));
                break;
            }
            buffer.bytes.shrinkBy(room);
            room = size_t(length);
        }
        buffer.starts.push_back(start);
        buffer.positions.push_back(quint32(p));
    }
}

// Sorts the entries by their keys, eight bytes at a time: by the first word, then each run of
// equal words by the next word of its keys, until the keys end. Comparing whole keys would
// walk their long common beginnings again and again. Equal keys keep their positions' order.
// Says for each entry whether its key differs from the one before.
std::vector<bool> sortByKeys(std::vector<Entry> &entries, const uint8_t *const *keyOf)
{
    std::vector<bool> startsRank(entries.size(), false);
    const std::unique_ptr<Entry[]> scratch = unclearedArray<Entry>(entries.size());
    struct Range
    {
        size_t first, last, depth;
    };
    std::vector<Range> todo;
    if (!entries.empty())
        todo.push_back({ 0, entries.size(), 0 });
    while (!todo.empty()) {
        const Range range = todo.back();
        todo.pop_back();
        Entry *begin = entries.data() + range.first;
        const size_t count = range.last - range.first;
        if (count > 256) {
            radixSort(begin, count, scratch.get());
        } else {
            std::sort(begin, begin + count, [](const Entry &a, const Entry &b) {
                return a.number != b.number ? a.number < b.number : a.position < b.position;
            });
        }
        for (size_t i = range.first; i < range.last;) {
            startsRank[i] = true;
            size_t j = i + 1;
            while (j < range.last && entries[j].number == entries[i].number)
                ++j;
            if (j - i > 1 && (entries[i].number & 0xff) != 0) {
                // Their keys go on beyond this word: the next one decides.
                for (size_t k = i; k < j; ++k)
                    entries[k].number = wordAt(keyOf[entries[k].position] + range.depth + 8);
                todo.push_back({ i, j, range.depth + 8 });
            }
            i = j;
        }
    }
    return startsRank;
}

// The order by a comparison of the texts themselves, for a locale ICU does not know and the
// C locale (QCollator compares those code unit by code unit).
CollatedPositions orderByComparison(const Column &column, const std::vector<quint32> &rows,
                                    const QLocale &locale)
{
    const QCollator collator(locale);
    const auto less = [&](quint32 a, quint32 b) {
        return collator.compare(column.textAt(rows[a]), column.textAt(rows[b])) < 0;
    };
    CollatedPositions order;
    for (quint32 p = 0; p < rows.size(); ++p) {
        if (!column.isNull(rows[p]))
            order.positions.push_back(p);
    }
    std::stable_sort(order.positions.begin(), order.positions.end(), less);
    order.startsText.resize(order.positions.size());
    for (size_t i = 0; i < order.positions.size(); ++i)
        order.startsText[i] = i == 0 || less(order.positions[i - 1], order.positions[i]);
    return order;
}

} // namespace

CollatedPositions collatedPositions(const Column &column, const std::vector<quint32> &rows,
                                    const QLocale &locale)
{
    Collator collator = locale.language() == QLocale::C ? nullptr : openCollator(locale);
    if (!collator)
        return orderByComparison(column, rows, locale);

    // The keys: most of the time goes into making them, so large columns split the work among
    // the processor's cores, each with a collator of its own (one is not to be shared).
    const size_t parts
        = rows.size() < 50000 ? 1 : std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 4);
    std::vector<KeyBuffer> buffers(parts);
    std::vector<Collator> clones;
    for (size_t t = 1; t < parts; ++t) {
        UErrorCode status = U_ZERO_ERROR;
        clones.emplace_back(ucol_clone(collator.get(), &status));
        if (U_FAILURE(status))
            return orderByComparison(column, rows, locale);
    }
    const size_t step = (rows.size() + parts - 1) / parts;
    // A part that fails (memory) fails the whole, after every thread has ended.
    std::vector<std::exception_ptr> failures(parts);
    const auto part = [&](size_t t) {
        try {
            const size_t first = std::min(rows.size(), t * step);
            const size_t last = std::min(rows.size(), first + step);
            makeKeys(t == 0 ? collator.get() : clones[t - 1].get(), column, rows, first, last,
                     buffers[t]);
        } catch (...) {
            failures[t] = std::current_exception();
        }
    };
    std::vector<std::thread> workers;
    for (size_t t = 1; t < parts; ++t)
        workers.emplace_back(part, t);
    part(0);
    for (std::thread &worker : workers)
        worker.join();
    for (const std::exception_ptr &failure : failures) {
        if (failure)
            std::rethrow_exception(failure);
    }

    // Only the positions of non-NULL rows are looked up.
    const std::unique_ptr<const uint8_t *[]> keyOf = unclearedArray<const uint8_t *>(rows.size());
    std::vector<Entry> entries;
    reserveInLargePages(entries, rows.size());
    for (size_t t = 0; t < parts; ++t) {
        const KeyBuffer &buffer = buffers[t];
        for (size_t i = 0; i < buffer.positions.size(); ++i) {
            const quint32 position = buffer.positions[i];
            keyOf[position] = buffer.bytes.data() + buffer.starts[i];
            entries.push_back({ wordAt(keyOf[position]), position });
        }
    }

    CollatedPositions order;
    order.startsText = sortByKeys(entries, keyOf.get());
    order.positions.resize(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        order.positions[i] = entries[i].position;
    return order;
}

std::vector<quint32> collationRanks(const Column &column, const std::vector<quint32> &rows,
                                    const QLocale &locale)
{
    const CollatedPositions order = collatedPositions(column, rows, locale);
    std::vector<quint32> ranks(rows.size(), 0);
    quint32 rank = 0;
    for (size_t i = 0; i < order.positions.size(); ++i) {
        if (order.startsText[i])
            ++rank;
        ranks[order.positions[i]] = rank;
    }
    return ranks;
}

} // namespace vrl
