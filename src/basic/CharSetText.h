#pragma once

#include <QString>

#include <bitset>

namespace vrl {

// A set of characters with codes up to 255; a character above 255 is never in it.
class CharSet
{
public:
    // The characters of the text, e.g. CharSet(" 0123456789:").
    explicit CharSet(QLatin1String members);
    bool contains(QChar c) const { return c.unicode() < 256 && m_bits.test(c.unicode()); }

    static const CharSet &digits(); // 0 to 9
    static const CharSet &hexDigits(); // 0 to 9, A to F, a to f

private:
    std::bitset<256> m_bits;
};

// How a text's length compares with a count.
enum class LengthRule : char {
    AtLeast = '>',
    Exactly = '=',
    AtMost = '<',
};

// Whether a length keeps the rule; used only when the count is above 0, where an empty text
// never keeps it.
bool KeepsLengthRule(qsizetype length, LengthRule rule, int count);

// Whether every character of the text is in the set, after the length rule (when count > 0)
// and the non-empty rule (when nonEmpty) have let it through. An empty text that got that far
// passes.
bool TextMatchesCharSet(const QString &text, const CharSet &set, LengthRule rule, int count,
                        bool nonEmpty);
// Exactly count hexadecimal digits, either case.
bool IsHexText(const QString &text, int count);
// Exactly count characters, each a blank, "0" or "1".
bool IsBinaryText(const QString &text, int count);
// Whether at least one character of the text is in the set.
bool ContainsAnyOf(const QString &text, const CharSet &set);

} // namespace vrl
