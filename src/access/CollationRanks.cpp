#include "access/CollationRanks.h"

#include "access/PlainBuffer.h"
#include "access/PrimaryKeys.h"
#include "access/RadixSort.h"
#include "access/ResultMemory.h"

#include <QCollator>
#include <QHash>

#include <unicode/ucol.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <thread>

namespace vrl {

namespace {

struct CollatorDeleter
{
    void operator()(UCollator *collator) const { ucol_close(collator); }
};
using Collator = std::unique_ptr<UCollator, CollatorDeleter>;

// The locale's name in ICU's form.
QByteArray collatorName(const QLocale &locale)
{
    return locale.bcp47Name().replace(QLatin1Char('-'), QLatin1Char('_')).toLatin1();
}

// The collator QCollator makes for the locale of that name: normalization on, the locale's own
// strength (case sensitive).
Collator openCollator(const QByteArray &name)
{
    UErrorCode status = U_ZERO_ERROR;
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

// Appends the collator's full key of a text, ending in its zero.
void appendFullKey(const UCollator *collator, QStringView text, PlainBuffer<uint8_t> &bytes)
{
    size_t room = std::max<size_t>(size_t(text.size()) * 4 + 16, 64);
    for (;;) {
        uint8_t *key = bytes.extend(room);
        const int32_t length
            = ucol_getSortKey(collator, reinterpret_cast<const UChar *>(text.utf16()),
                              int32_t(text.size()), key, int32_t(room));
        if (size_t(length) <= room) {
            bytes.shrinkBy(room - size_t(length));
            return;
        }
        bytes.shrinkBy(room);
        room = size_t(length);
    }
}

// The keys of the non-NULL rows of positions first to last: first-level keys where there are
// such, else full ones.
void makeKeys(const UCollator *collator, const PrimaryKeys *primary, const Column &column,
              const std::vector<quint32> &rows, size_t first, size_t last, KeyBuffer &buffer)
{
    buffer.bytes.reserve((last - first) * 32);
    preferLargePages(buffer.bytes.data(), buffer.bytes.capacity());
    reserveInLargePages(buffer.starts, last - first);
    reserveInLargePages(buffer.positions, last - first);
    for (size_t p = first; p < last; ++p) {
        if (column.isNull(rows[p]))
            continue;
        const QStringView text = column.textAt(rows[p]);
        buffer.starts.push_back(buffer.bytes.size());
        buffer.positions.push_back(quint32(p));
        if (primary)
            primary->append(collator, text, buffer.bytes);
        else
            appendFullKey(collator, text, buffer.bytes);
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

// A run of equal first-level keys this long or shorter is ordered without the means a long
// one pays for: a table of the texts keyed so far, the radix sort's arrays.
constexpr size_t kShortRun = 16;

// The full keys of the texts of a run of entries, each text's made once in a long run (often
// one word in a few spellings, many times): where each entry's key starts in bytes.
std::vector<size_t> fullKeysOfRun(const UCollator *collator, const Column &column,
                                  const std::vector<quint32> &rows, const Entry *run, size_t count,
                                  PlainBuffer<uint8_t> &bytes)
{
    const bool shortRun = count <= kShortRun;
    QHash<QStringView, size_t> made;
    std::vector<size_t> starts;
    starts.reserve(count);
    for (size_t k = 0; k < count; ++k) {
        const QStringView text = column.textAt(rows[run[k].position]);
        if (!shortRun) {
            if (const auto found = made.constFind(text); found != made.cend()) {
                starts.push_back(*found);
                continue;
            }
            made.insert(text, bytes.size());
        }
        starts.push_back(bytes.size());
        appendFullKey(collator, text, bytes);
    }
    return starts;
}

// Sorts a few entries by their full keys with a stable insertion sort; says for each whether
// its key differs from the one before.
std::vector<bool> sortFewByKeys(std::vector<Entry> &run, const uint8_t *const *keyOf)
{
    const auto keyOfEntry = [&](const Entry &entry) {
        return reinterpret_cast<const char *>(keyOf[entry.position]);
    };
    for (size_t k = 1; k < run.size(); ++k) {
        const Entry entry = run[k];
        size_t j = k;
        for (; j > 0 && std::strcmp(keyOfEntry(entry), keyOfEntry(run[j - 1])) < 0; --j)
            run[j] = run[j - 1];
        run[j] = entry;
    }
    std::vector<bool> changes(run.size(), true);
    for (size_t k = 1; k < run.size(); ++k)
        changes[k] = std::strcmp(keyOfEntry(run[k - 1]), keyOfEntry(run[k])) != 0;
    return changes;
}

// Texts whose first-level keys are equal lie in runs; a run of entries first to last whose
// texts are not all the same is ordered by the collator's full keys, equal keys keeping their
// positions' order. Returns the entries that start a text of their own in such a run (the
// caller marks them: a part of the entries may be ordered on another thread meanwhile).
std::vector<size_t> orderRunsByFullKeys(const UCollator *collator, const Column &column,
                                        const std::vector<quint32> &rows, Entry *entries,
                                        const std::vector<bool> &startsText, size_t first,
                                        size_t last, const uint8_t **keyOf)
{
    std::vector<size_t> starts;
    PlainBuffer<uint8_t> bytes;
    std::vector<Entry> run;
    for (size_t i = first; i < last;) {
        size_t end = i + 1;
        while (end < last && !startsText[end])
            ++end;
        const QStringView text = column.textAt(rows[entries[i].position]);
        bool alike = true;
        for (size_t k = i + 1; k < end && alike; ++k)
            alike = column.textAt(rows[entries[k].position]) == text;
        if (!alike) {
            run.assign(entries + i, entries + end);
            bytes.shrinkBy(bytes.size());
            const std::vector<size_t> keyStarts
                = fullKeysOfRun(collator, column, rows, run.data(), run.size(), bytes);
            // The run's positions point at their full keys while it is sorted, no longer.
            for (size_t k = 0; k < run.size(); ++k) {
                keyOf[run[k].position] = bytes.data() + keyStarts[k];
                run[k].number = wordAt(keyOf[run[k].position]);
            }
            const std::vector<bool> changes
                = run.size() <= kShortRun ? sortFewByKeys(run, keyOf) : sortByKeys(run, keyOf);
            std::copy(run.begin(), run.end(), entries + i);
            for (size_t k = 1; k < run.size(); ++k) {
                if (changes[k])
                    starts.push_back(i + k);
            }
        }
        i = end;
    }
    return starts;
}

// Runs part(0) … part(count - 1), the first on this thread and each other on a thread of its
// own; a part that fails (memory) fails the whole, after every thread has ended.
void inParts(size_t count, const std::function<void(size_t)> &part)
{
    std::vector<std::exception_ptr> failures(count);
    const auto guarded = [&](size_t t) {
        try {
            part(t);
        } catch (...) {
            failures[t] = std::current_exception();
        }
    };
    std::vector<std::thread> workers;
    for (size_t t = 1; t < count; ++t)
        workers.emplace_back(guarded, t);
    guarded(0);
    for (std::thread &worker : workers)
        worker.join();
    for (const std::exception_ptr &failure : failures) {
        if (failure)
            std::rethrow_exception(failure);
    }
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
    const QByteArray name = collatorName(locale);
    Collator collator = locale.language() == QLocale::C ? nullptr : openCollator(name);
    if (!collator)
        return orderByComparison(column, rows, locale);
    // First by the letters alone, from a table for most texts; the few texts whose letters
    // are alike are then ordered by the full keys.
    std::shared_ptr<const PrimaryKeys> primary = PrimaryKeys::of(collator.get(), name);
    if (primary && !primary->suits(column, rows))
        primary.reset();

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
    inParts(parts, [&](size_t t) {
        const size_t first = std::min(rows.size(), t * step);
        const size_t last = std::min(rows.size(), first + step);
        makeKeys(t == 0 ? collator.get() : clones[t - 1].get(), primary.get(), column, rows, first,
                 last, buffers[t]);
    });

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
    if (primary) {
        // The runs in parts as the keys were, each part ending where a text does.
        std::vector<size_t> bounds { 0 };
        for (size_t t = 1; t < parts; ++t) {
            size_t bound = std::max(bounds.back(), t * entries.size() / parts);
            while (bound < entries.size() && !order.startsText[bound])
                ++bound;
            bounds.push_back(bound);
        }
        bounds.push_back(entries.size());
        std::vector<std::vector<size_t>> starts(parts);
        inParts(parts, [&](size_t t) {
            starts[t] = orderRunsByFullKeys(t == 0 ? collator.get() : clones[t - 1].get(), column,
                                            rows, entries.data(), order.startsText, bounds[t],
                                            bounds[t + 1], keyOf.get());
        });
        for (const std::vector<size_t> &part : starts) {
            for (const size_t start : part)
                order.startsText[start] = true;
        }
    }
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
