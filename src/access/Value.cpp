#include "access/Value.h"

#include "access/DataError.h"
#include "regional/Regional.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vrl {

std::optional<FieldType> Value::type() const
{
    switch (m_data.index()) {
    case 1:
        return FieldType::Bool;
    case 2:
        return FieldType::Int;
    case 3:
        return FieldType::Double;
    case 4:
        return FieldType::Decimal;
    case 5:
        return FieldType::DateTime;
    case 6:
        return FieldType::Text;
    case 7:
        return FieldType::Binary;
    default:
        return std::nullopt;
    }
}

QString fieldTypeName(FieldType type)
{
    switch (type) {
    case FieldType::Bool:
        return QStringLiteral("logická hodnota");
    case FieldType::Int:
        return QStringLiteral("celé číslo");
    case FieldType::Double:
        return QStringLiteral("reálné číslo");
    case FieldType::Decimal:
        return QStringLiteral("desetinné číslo");
    case FieldType::DateTime:
        return QStringLiteral("datum a čas");
    case FieldType::Text:
        return QStringLiteral("text");
    case FieldType::Binary:
        return QStringLiteral("binární data");
    }
    return {};
}

QString Value::toText() const
{
    return toText(Regional::system());
}

QString Value::toText(const Regional &forms) const
{
    switch (m_data.index()) {
    case 0:
        return QString();
    case 1:
        return asBool() ? QStringLiteral("True") : QStringLiteral("False");
    case 2:
        return QString::number(asInt());
    case 3:
        return forms.numberText(asDouble());
    case 4: {
        QString digits = asDecimal();
        return digits.replace(QLatin1Char('.'), forms.decimalSeparator());
    }
    case 5:
        return forms.dateTimeText(asDateTime());
    case 6:
        return asText();
    case 7:
        return QStringLiteral("0x") + QString::fromLatin1(asBinary().toHex().toUpper());
    }
    return QString();
}

namespace {

std::optional<double> parseCanonical(const QString &canonical)
{
    const QByteArray bytes = canonical.toLatin1();
    double value = 0;
    const auto [end, error] = std::from_chars(bytes.data(), bytes.data() + bytes.size(), value);
    if (error != std::errc() || end != bytes.data() + bytes.size())
        return std::nullopt;
    return value;
}

std::optional<qint64> parseInteger(const QString &text)
{
    const QByteArray bytes = text.trimmed().toLatin1();
    const char *begin = bytes.data();
    if (!bytes.isEmpty() && *begin == '+')
        ++begin;
    qint64 value = 0;
    const auto [end, error] = std::from_chars(begin, bytes.data() + bytes.size(), value);
    if (bytes.isEmpty() || error != std::errc() || end != bytes.data() + bytes.size())
        return std::nullopt;
    return value;
}

// Canonical decimal text of a double with the given number of fraction digits.
QString decimalOfDouble(double value, int scale)
{
    char buffer[400];
    const auto result = scale < 0
        ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed)
        : std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, scale);
    return *canonicalDecimal(QString::fromLatin1(buffer, result.ptr - buffer), QLatin1Char('.'),
                             scale);
}

[[noreturn]] void notConvertible(const Value &value, FieldType type)
{
    throw DataError(QStringLiteral("Hodnotu \"%1\" nelze převést na typ %2.")
                        .arg(value.toText(), fieldTypeName(type)));
}

} // namespace

namespace {

// Whether the text already is the canonical form for the scale: an optional minus before a
// non-zero value, whole digits without leading zeros, and the full stop with exactly `scale`
// digits (any number of them for a negative scale). Most decimals arrive this way from the
// drivers and the column store, so they need no rebuilding.
bool isCanonicalDecimal(const QString &text, QChar separator, int scale)
{
    if (separator != QLatin1Char('.'))
        return false;
    const QChar *c = text.constData();
    const QChar *end = c + text.size();
    const bool negative = c != end && *c == QLatin1Char('-');
    if (negative)
        ++c;
    const QChar *wholeStart = c;
    bool nonZero = false;
    for (; c != end && c->unicode() >= '0' && c->unicode() <= '9'; ++c)
        nonZero = nonZero || c->unicode() != '0';
    const qsizetype wholeDigits = c - wholeStart;
    if (wholeDigits == 0 || (wholeDigits > 1 && wholeStart->unicode() == '0'))
        return false;
    qsizetype fractionDigits = 0;
    if (c != end) {
        if (*c != QLatin1Char('.'))
            return false;
        for (++c; c != end && c->unicode() >= '0' && c->unicode() <= '9'; ++c) {
            nonZero = nonZero || c->unicode() != '0';
            ++fractionDigits;
        }
        if (c != end || fractionDigits == 0)
            return false;
    }
    if (scale >= 0 && fractionDigits != scale)
        return false;
    return !negative || nonZero;
}

} // namespace

std::optional<QString> canonicalDecimal(const QString &text, QChar separator, int scale)
{
    if (isCanonicalDecimal(text, separator, scale))
        return text;
    const QString s = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+')))
        negative = s[i++] == QLatin1Char('-');
    QString whole;
    QString fraction;
    bool seenSeparator = false;
    for (; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == separator && !seenSeparator)
            seenSeparator = true;
        else if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            (seenSeparator ? fraction : whole) += c;
        else
            return std::nullopt;
    }
    if (whole.isEmpty() && fraction.isEmpty())
        return std::nullopt;
    if (scale >= 0) {
        if (fraction.size() > scale) {
            const bool roundUp = fraction[scale] >= QLatin1Char('5');
            fraction.truncate(scale);
            if (roundUp) {
                // Add one unit in the last kept place, carrying through the digits.
                QString digits = whole + fraction;
                qsizetype k = digits.size() - 1;
                while (k >= 0 && digits[k] == QLatin1Char('9'))
                    digits[k--] = QLatin1Char('0');
                if (k >= 0)
                    digits[k] = QChar(digits[k].unicode() + 1);
                else
                    digits.prepend(QLatin1Char('1'));
                whole = digits.left(digits.size() - scale);
                fraction = digits.right(scale);
            }
        }
        while (fraction.size() < scale)
            fraction += QLatin1Char('0');
    }
    while (whole.size() > 1 && whole[0] == QLatin1Char('0'))
        whole.remove(0, 1);
    if (whole.isEmpty())
        whole = QStringLiteral("0");
    QString result = whole;
    if (!fraction.isEmpty())
        result += QLatin1Char('.') + fraction;
    const bool zero = std::none_of(result.cbegin(), result.cend(), [](QChar c) {
        return c >= QLatin1Char('1') && c <= QLatin1Char('9');
    });
    if (negative && !zero)
        result.prepend(QLatin1Char('-'));
    return result;
}

std::optional<double> Value::toNumber() const
{
    switch (m_data.index()) {
    case 1:
        return asBool() ? 1.0 : 0.0;
    case 2:
        return double(asInt());
    case 3:
        return asDouble();
    case 4:
        return parseCanonical(asDecimal());
    case 5:
        return toOleSerial(asDateTime());
    case 6:
        return Regional::system().parseNumber(asText());
    default:
        return std::nullopt;
    }
}

Value Value::convertedTo(FieldType target, int scale) const
{
    if (isNull() || type() == target) {
        if (target == FieldType::Decimal && !isNull())
            return decimal(*canonicalDecimal(asDecimal(), QLatin1Char('.'), scale));
        return *this;
    }
    const Regional &forms = Regional::system();
    switch (target) {
    case FieldType::Text:
        return text(toText(forms));
    case FieldType::Int: {
        if (type() == FieldType::Bool)
            return integer(asBool() ? 1 : 0);
        if (type() == FieldType::Text) {
            if (const auto value = parseInteger(asText()))
                return integer(*value);
        }
        const auto number = toNumber();
        if (number && std::isfinite(*number) && std::trunc(*number) == *number
            && std::fabs(*number) < 9.2e18)
            return integer(qint64(*number));
        break;
    }
    case FieldType::Double:
        if (type() != FieldType::DateTime && type() != FieldType::Binary) {
            if (const auto number = toNumber())
                return real(*number);
        }
        break;
    case FieldType::Decimal: {
        if (type() == FieldType::Int)
            return decimal(*canonicalDecimal(QString::number(asInt()), QLatin1Char('.'), scale));
        if (type() == FieldType::Double && std::isfinite(asDouble()))
            return decimal(decimalOfDouble(asDouble(), scale));
        if (type() == FieldType::Text) {
            if (const auto digits = canonicalDecimal(asText(), forms.decimalSeparator(), scale))
                return decimal(*digits);
        }
        break;
    }
    case FieldType::DateTime:
        if (type() == FieldType::Text) {
            if (const auto parsed = forms.parseDateTime(asText()))
                return dateTime(*parsed);
        } else if (type() == FieldType::Double || type() == FieldType::Int) {
            const QDateTime date = fromOleSerial(*toNumber());
            if (date.isValid())
                return dateTime(date);
        }
        break;
    case FieldType::Bool:
        if (type() == FieldType::Int)
            return boolean(asInt() != 0);
        if (type() == FieldType::Text) {
            const QString t = asText().trimmed();
            if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0
                || t == QLatin1String("1"))
                return boolean(true);
            if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0
                || t == QLatin1String("0"))
                return boolean(false);
        }
        break;
    case FieldType::Binary:
        if (type() == FieldType::Text)
            return binary(asText().toUtf8());
        break;
    }
    notConvertible(*this, target);
}

} // namespace vrl
