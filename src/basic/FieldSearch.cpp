#include "basic/FieldSearch.h"

#include "access/Dataset.h"
#include "regional/Regional.h"

namespace vrl {

namespace {

// Every character the text form of a value of this type may show, upper-cased; empty for a
// type whose text may hold anything.
QString charactersOf(FieldType type)
{
    const Regional &forms = Regional::system();
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

bool mayHold(FieldType type, const QString &key)
{
    const QString characters = charactersOf(type);
    if (characters.isEmpty())
        return true;
    const QString upperKey = key.toUpper();
    for (const QChar c : upperKey) {
        if (!characters.contains(c))
            return false;
    }
    return true;
}

} // namespace

FieldSearch::FieldSearch(const Dataset &dataset, const QString &key)
    : m_dataset(dataset)
    , m_key(key)
{
    if (m_key.isEmpty())
        return;
    for (int field = 0; field < dataset.fieldCount(); ++field) {
        if (mayHold(dataset.rows().column(field).type(), m_key))
            m_candidates.push_back(field);
    }
}

bool FieldSearch::holds(int viewRow, int field) const
{
    return m_dataset.textAt(viewRow, field, m_scratch).contains(m_key, Qt::CaseInsensitive);
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
