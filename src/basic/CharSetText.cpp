#include "basic/CharSetText.h"

#include <algorithm>

namespace vrl {

CharSet::CharSet(QLatin1String members)
{
    for (const char c : members)
        m_bits.set(static_cast<unsigned char>(c));
}

const CharSet &CharSet::digits()
{
    static const CharSet set(QLatin1String("0123456789"));
    return set;
}

const CharSet &CharSet::hexDigits()
{
    static const CharSet set(QLatin1String("0123456789ABCDEFabcdef"));
    return set;
}

bool KeepsLengthRule(qsizetype length, LengthRule rule, int count)
{
    if (length == 0)
        return false;
    switch (rule) {
    case LengthRule::AtLeast:
        return length >= count;
    case LengthRule::Exactly:
        return length == count;
    case LengthRule::AtMost:
        return length <= count;
    }
    return false;
}

bool TextMatchesCharSet(const QString &text, const CharSet &set, LengthRule rule, int count,
                        bool nonEmpty)
{
    if (count > 0 && !KeepsLengthRule(text.size(), rule, count))
        return false;
    if (nonEmpty && text.isEmpty())
        return false;
    return std::all_of(text.cbegin(), text.cend(), [&set](QChar c) { return set.contains(c); });
}

bool IsHexText(const QString &text, int count)
{
    return TextMatchesCharSet(text, CharSet::hexDigits(), LengthRule::Exactly, count, true);
}

bool IsBinaryText(const QString &text, int count)
{
    static const CharSet binary(QLatin1String(" 01"));
    return TextMatchesCharSet(text, binary, LengthRule::Exactly, count, true);
}

bool ContainsAnyOf(const QString &text, const CharSet &set)
{
    return std::any_of(text.cbegin(), text.cend(), [&set](QChar c) { return set.contains(c); });
}

} // namespace vrl
