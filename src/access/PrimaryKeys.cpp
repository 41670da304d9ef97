#include "access/PrimaryKeys.h"

#include <unicode/ucol.h>
#include <unicode/ucoleitr.h>
#include <unicode/uset.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <new>

namespace vrl {

namespace {

// The characters the table holds: Latin with its extensions, general punctuation, super- and
// subscripts, currency signs. A text with any other character is weighed by the collator.
constexpr char16_t kLatinEnd = 0x250;
constexpr char16_t kPunctuationBegin = 0x2000;
constexpr char16_t kPunctuationEnd = 0x20D0;
constexpr size_t kTableSize = kLatinEnd + (kPunctuationEnd - kPunctuationBegin);

int tableIndex(char16_t c)
{
    if (c < kLatinEnd)
        return c;
    if (c >= kPunctuationBegin && c < kPunctuationEnd)
        return kLatinEnd + (c - kPunctuationBegin);
    return -1;
}

char16_t tableCharacter(size_t index)
{
    return index < kLatinEnd ? char16_t(index) : char16_t(kPunctuationBegin + index - kLatinEnd);
}

// The first-level weights of a text as the collator gives them, in order, each as one 32-bit
// number (the iterator hands a long weight over in two halves); ignorable ones left out. The
// collator fails only for want of memory, and a sort then fails as it does for that.
std::vector<uint32_t> weightsOf(const UCollator *collator, const char16_t *text, int32_t length)
{
    std::vector<uint32_t> weights;
    UErrorCode status = U_ZERO_ERROR;
    UCollationElements *elements
        = ucol_openElements(collator, reinterpret_cast<const UChar *>(text), length, &status);
    if (U_FAILURE(status))
        throw std::bad_alloc();
    bool lastHadWeight = false;
    for (;;) {
        const int32_t element = ucol_next(elements, &status);
        if (U_FAILURE(status)) {
            ucol_closeElements(elements);
            throw std::bad_alloc();
        }
        if (element == UCOL_NULLORDER)
            break;
        const auto bits = uint32_t(element);
        if ((bits & 0xC0) == 0xC0) { // the second half of the one before
            if (lastHadWeight)
                weights.back() |= bits >> 16;
            continue;
        }
        lastHadWeight = (bits & 0xFFFF0000) != 0;
        if (lastHadWeight)
            weights.push_back(bits & 0xFFFF0000);
    }
    ucol_closeElements(elements);
    return weights;
}

// The weights that are keyed by one byte each, at most this many: those of the most common
// characters. Texts of letters then have keys about as long as themselves, and a sort by the
// keys takes eight letters at a time.
constexpr size_t kMostNumbered = 252;

// The order in which characters' weights are numbered until there are enough: ASCII, the
// rest of Latin-1, Latin Extended-A (the letters of central Europe), then the others.
int numberingPriority(char16_t c)
{
    return c >= 0x20 && c < 0x7F ? 0 : c >= 0xA0 && c < 0x100 ? 1 : c >= 0x100 && c < 0x180 ? 2 : 3;
}

} // namespace

PrimaryKeys::PrimaryKeys(const UCollator *collator)
    : m_characters(kTableSize)
{
    std::vector<std::vector<uint32_t>> weights(kTableSize);
    for (size_t i = 0; i < kTableSize; ++i) {
        const char16_t c = tableCharacter(i);
        weights[i] = weightsOf(collator, &c, 1);
    }

    // Sequences the collator weighs as one (the Czech "ch"), or a character by the one before
    // it. One of two table characters is keyed as a pair; a character in a longer one, or in
    // pairs both first and second, leaves its texts to the collator.
    std::vector<bool> unknown(kTableSize, false), first(kTableSize, false),
        second(kTableSize, false);
    std::vector<std::pair<char16_t, char16_t>> pairs;
    UErrorCode status = U_ZERO_ERROR;
    USet *sequences = uset_openEmpty();
    ucol_getContractionsAndExpansions(collator, sequences, nullptr, true, &status);
    bool failed = U_FAILURE(status);
    const int32_t count = failed ? 0 : uset_getItemCount(sequences);
    for (int32_t item = 0; item < count && !failed; ++item) {
        UChar32 begin = 0, end = 0;
        UChar text[64];
        const int32_t length = uset_getItem(sequences, item, &begin, &end, text, 64, &status);
        failed = U_FAILURE(status);
        if (failed || length < 2)
            continue; // a range of single characters
        const int a = tableIndex(text[0]), b = tableIndex(text[1]);
        if (a < 0 || b < 0)
            continue; // a text with the character outside the table goes to the collator
        if (length > 2) {
            unknown[size_t(a)] = true;
            continue;
        }
        first[size_t(a)] = second[size_t(b)] = true;
        pairs.emplace_back(text[0], text[1]);
    }
    uset_close(sequences);
    for (size_t i = 0; i < kTableSize; ++i) {
        if (failed || (first[i] && second[i]))
            unknown[i] = true;
    }

    std::vector<std::vector<uint32_t>> pairWeights;
    for (const auto &[a, b] : pairs) {
        const char16_t text[2] = { a, b };
        pairWeights.push_back(weightsOf(collator, text, 2));
    }
    // The pairs weigh letters of their own (the Czech "ch"): numbered with the first group.
    std::vector<uint32_t> candidates;
    for (const std::vector<uint32_t> &each : pairWeights)
        candidates.insert(candidates.end(), each.begin(), each.end());
    for (int priority = 0; priority < 4; ++priority) {
        for (size_t i = 0; i < kTableSize; ++i) {
            if (numberingPriority(tableCharacter(i)) == priority)
                candidates.insert(candidates.end(), weights[i].begin(), weights[i].end());
        }
    }
    for (const uint32_t weight : candidates) {
        if (m_weights.size() == kMostNumbered)
            break;
        if (std::find(m_weights.begin(), m_weights.end(), weight) == m_weights.end())
            m_weights.push_back(weight);
    }
    std::sort(m_weights.begin(), m_weights.end());

    for (size_t i = 0; i < kTableSize; ++i) {
        if (unknown[i])
            continue;
        m_characters[i] = keyOf(weights[i]);
        m_characters[i].startsPair = first[i];
    }
    for (size_t p = 0; p < pairs.size(); ++p) {
        const int a = tableIndex(pairs[p].first);
        if (!unknown[size_t(a)] && !unknown[size_t(tableIndex(pairs[p].second))])
            m_pairs.push_back({ pairs[p].first, pairs[p].second, keyOf(pairWeights[p]) });
    }
}

PrimaryKeys::Character PrimaryKeys::keyOf(const std::vector<uint32_t> &weights) const
{
    PlainBuffer<uint8_t> bytes;
    for (const uint32_t weight : weights)
        appendWeight(weight, bytes);
    Character key;
    if (bytes.size() > kMostBytes)
        return key; // unknown: a long expansion of rare weights is left to the collator
    if (bytes.size() > 0) // an ignorable character has no weight, and no bytes
        std::memcpy(key.bytes, bytes.data(), bytes.size());
    key.length = uint8_t(bytes.size());
    key.unknown = false;
    return key;
}

// A numbered weight is its number plus one; any other the number of the highest numbered
// weight below it (0 for none), a 0xFF that no number reaches, then the weight itself in five
// bytes of seven bits. Keys then compare as the weights do, and hold no zero byte.
void PrimaryKeys::appendWeight(uint32_t weight, PlainBuffer<uint8_t> &key) const
{
    const auto found = std::lower_bound(m_weights.begin(), m_weights.end(), weight);
    const auto below = size_t(found - m_weights.begin());
    if (found != m_weights.end() && *found == weight) {
        *key.extend(1) = uint8_t(below + 2);
        return;
    }
    uint8_t *bytes = key.extend(7);
    bytes[0] = uint8_t(below + 1);
    bytes[1] = 0xFF;
    for (int i = 0; i < 5; ++i)
        bytes[2 + i] = uint8_t(0x80 | ((uint64_t(weight) >> (28 - 7 * i)) & 0x7F));
}

void PrimaryKeys::appendByCollator(const UCollator *collator, QStringView text,
                                   PlainBuffer<uint8_t> &key) const
{
    for (const uint32_t weight : weightsOf(collator, text.utf16(), int32_t(text.size())))
        appendWeight(weight, key);
}

bool PrimaryKeys::appendFromTable(QStringView text, PlainBuffer<uint8_t> &key) const
{
    const size_t start = key.size();
    const char16_t *units = text.utf16();
    const qsizetype length = text.size();
    uint8_t *out = key.extend(size_t(length) * kMostBytes + 1);
    for (qsizetype i = 0; i < length; ++i) {
        const int index = tableIndex(units[i]);
        const Character *character = index < 0 ? nullptr : &m_characters[size_t(index)];
        if (character && character->startsPair && i + 1 < length) {
            const auto pair = std::find_if(m_pairs.begin(), m_pairs.end(), [&](const Pair &p) {
                return p.first == units[i] && p.second == units[i + 1];
            });
            if (pair != m_pairs.end()) {
                character = &pair->key;
                ++i;
            }
        }
        if (!character || character->unknown) {
            key.shrinkBy(key.size() - start);
            return false;
        }
        std::memcpy(out, character->bytes, character->length);
        out += character->length;
    }
    *out++ = 0;
    key.shrinkBy(size_t(key.data() + key.size() - out));
    return true;
}

void PrimaryKeys::append(const UCollator *collator, QStringView text,
                         PlainBuffer<uint8_t> &key) const
{
    if (appendFromTable(text, key))
        return;
    appendByCollator(collator, text, key);
    *key.extend(1) = 0;
}

bool PrimaryKeys::suits(const Column &column, const std::vector<quint32> &rows) const
{
    constexpr size_t kSample = 2048;
    const size_t step = std::max<size_t>(1, rows.size() / kSample);
    size_t texts = 0, others = 0;
    PlainBuffer<uint8_t> key;
    for (size_t p = 0; p < rows.size(); p += step) {
        if (column.isNull(rows[p]))
            continue;
        ++texts;
        if (!appendFromTable(column.textAt(rows[p]), key))
            ++others;
        key.shrinkBy(key.size());
    }
    return others * 16 <= texts;
}

std::shared_ptr<const PrimaryKeys> PrimaryKeys::of(const UCollator *collator,
                                                   const QByteArray &name)
{
    UErrorCode status = U_ZERO_ERROR;
    const bool plain
        = ucol_getAttribute(collator, UCOL_ALTERNATE_HANDLING, &status) == UCOL_NON_IGNORABLE
        && ucol_getAttribute(collator, UCOL_NUMERIC_COLLATION, &status) == UCOL_OFF
        && ucol_getReorderCodes(collator, nullptr, 0, &status) == 0 && U_SUCCESS(status);
    if (!plain)
        return nullptr;
    static std::mutex guard;
    static std::map<QByteArray, std::shared_ptr<const PrimaryKeys>> made;
    const std::lock_guard lock(guard);
    std::shared_ptr<const PrimaryKeys> &keys = made[name];
    if (!keys)
        keys = std::make_shared<const PrimaryKeys>(collator);
    return keys;
}

} // namespace vrl
