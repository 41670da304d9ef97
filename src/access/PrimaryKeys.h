#pragma once

#include "access/ColumnStore.h"
#include "access/PlainBuffer.h"

#include <QByteArray>
#include <QStringView>

#include <cstdint>
#include <memory>
#include <vector>

struct UCollator;

namespace vrl {

// Keys that order texts as a collator orders them by its first level alone: by their letters,
// not yet by accents or case. Texts made of common characters (Latin, general punctuation,
// currency signs) are keyed from a table of those characters' weights, read once from the
// collator, at a fraction of what the collator takes for a key; any other text is weighed by
// the collator itself and keyed in the same terms. Texts whose keys are equal may still differ
// in accents or case: the collator's full keys order those.
class PrimaryKeys
{
public:
    // The keys of a collator whose first level depends on the characters alone, kept for the
    // process by the collator's name; nullptr for one that ignores punctuation, compares
    // numbers by their value or reorders scripts.
    static std::shared_ptr<const PrimaryKeys> of(const UCollator *collator, const QByteArray &name);

    explicit PrimaryKeys(const UCollator *collator);

    // Whether the table keys nearly all of the rows' texts (judged by a sample): the collator
    // weighs a text the table does not key at two to three times the cost of its full key, so
    // a column mostly of other scripts is better ordered by full keys alone.
    bool suits(const Column &column, const std::vector<quint32> &rows) const;

    // Appends the text's key, which holds no zero byte, and a terminating zero. The collator
    // (one this thread may use) weighs a text the table does not key.
    void append(const UCollator *collator, QStringView text, PlainBuffer<uint8_t> &key) const;

private:
    static constexpr size_t kMostBytes = 14; // a weight of one byte or seven, a few of them
    struct Character
    {
        uint8_t length = 0; // bytes of its key
        bool unknown = true; // the table does not key it: the collator weighs the text
        bool startsPair = false; // with the character after it, it may be weighed as one
        uint8_t bytes[kMostBytes] = {};
    };
    struct Pair
    {
        char16_t first, second;
        Character key;
    };

    Character keyOf(const std::vector<uint32_t> &weights) const;
    // Appends the text's key from the table alone; false (nothing appended) when the table
    // does not key one of its characters.
    bool appendFromTable(QStringView text, PlainBuffer<uint8_t> &key) const;
    void appendWeight(uint32_t weight, PlainBuffer<uint8_t> &key) const;
    void appendByCollator(const UCollator *collator, QStringView text,
                          PlainBuffer<uint8_t> &key) const;

    std::vector<uint32_t> m_weights; // the weights keyed by their number, ascending
    std::vector<Character> m_characters;
    std::vector<Pair> m_pairs;
};

} // namespace vrl
