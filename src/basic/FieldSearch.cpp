#include "basic/FieldSearch.h"

#include "access/Dataset.h"
#include "regional/Regional.h"

namespace vrl {

namespace {

// Whether a format of date or time writes numbers and separators only: one or two letters
// for the day and month (three or more are names), the year, hours, minutes, seconds and
// milliseconds. A quoted text or an AM/PM mark may hold any letter.
bool writesNumbersOnly(const QString &format)
{
    for (qsizetype i = 0; i < format.size();) {
        const QChar c = format[i];
        qsizetype run = 1;
        while (i + run < format.size() && format[i + run] == c)
            ++run;
        if (c == u'\'')
            return false;
        if (c.isLetter()) {
            const bool numeric = QStringLiteral("dMyhHmsz").contains(c);
            if (!numeric || ((c == u'd' || c == u'M') && run > 2))
                return false;
        }
        i += run;
    }
    return true;
}

// Every character the text form of a value of this type may show, upper-cased; empty for a
// type whose text may hold anything.
QString charactersOf(FieldType type, const Regional &forms)
{
    const QString digits = QStringLiteral("0123456789");
    switch (type) {
    case FieldType::Bool:
        return QStringLiteral("TRUEFALS");
    case FieldType::Int:
        return digits + QLatin1Char('-');
    case FieldType::Double:
        // The exponent, and the texts of infinities and of a value that is no number.
        return digits + QStringLiteral("-+EINFA") + forms.decimalSeparator();
    case FieldType::Decimal:
        return digits + QLatin1Char('-') + forms.decimalSeparator();
    case FieldType::DateTime: {
        if (!writesNumbersOnly(forms.dateFormat()) || !writesNumbersOnly(forms.timeFormat()))
            return QString();
        QString characters = digits + QLatin1Char(' ');
        for (const QChar c : forms.dateFormat() + forms.timeFormat()) {
            if (!c.isLetter())
                characters += c;
        }
        return characters;
    }
    case FieldType::Binary:
        return digits + QStringLiteral("XABCDEF");
    case FieldType::Text:
        break;
    }
    return QString();
}

// The UTF-16 units whose full upper case is more than one character ("ß" gives "SS"), or
// that a comparison without regard to case would not match with their upper case ("ı"):
// a text holding one is upper-cased as a whole before it is compared. Surrogates are among
// them, so that a character beyond the basic plane is upper-cased too.
const std::vector<bool> &needsWholeUpperCase()
{
    static const std::vector<bool> table = [] {
        std::vector<bool> special(0x10000);
        for (char32_t unit = 0; unit < 0x10000; ++unit) {
            const QChar c { char16_t(unit) };
            if (c.isSurrogate()) {
                special[unit] = true;
                continue;
            }
            const QString upper = QString(c).toUpper();
            special[unit] = upper.size() != 1 || upper[0].toCaseFolded() != c.toCaseFolded();
        }
        return special;
    }();
    return table;
}

} // namespace

bool textFormMayHold(FieldType type, const QString &key, const Regional &forms)
{
    const QString characters = charactersOf(type, forms);
    if (characters.isEmpty())
        return true;
    const QString upperKey = key.toUpper();
    for (const QChar c : upperKey) {
        if (!characters.contains(c))
            return false;
    }
    return true;
}

bool holdsUpperCasedKey(QStringView text, const QString &key)
{
    const std::vector<bool> &special = needsWholeUpperCase();
    for (const QChar c : text) {
        if (special[c.unicode()])
            return Regional::system().upperCase(text.toString()).contains(key, Qt::CaseInsensitive);
    }
    return text.contains(key, Qt::CaseInsensitive);
}

FieldSearch::FieldSearch(const Dataset &dataset, const QString &key)
    : m_dataset(dataset)
    , m_key(key)
{
    if (m_key.isEmpty())
        return;
    for (int field = 0; field < dataset.fieldCount(); ++field) {
        if (textFormMayHold(dataset.rows().column(field).type(), m_key, Regional::system()))
            m_candidates.push_back(field);
    }
}

bool FieldSearch::holds(int viewRow, int field) const
{
    return holdsUpperCasedKey(m_dataset.textAt(viewRow, field, m_scratch), m_key);
}

int FieldSearch::firstHit(int viewRow) const
{
    for (const int field : m_candidates) {
        if (holds(viewRow, field))
            return field;
    }
    return -1;
}

} // namespace vrl
