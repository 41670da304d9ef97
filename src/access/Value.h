#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>
#include <variant>

namespace vrl {

class Regional;

// The types a field can have. Date-times are plain values without a time zone (QDateTime in
// UTC); decimals keep their exact digits.
enum class FieldType { Bool, Int, Double, Decimal, DateTime, Text, Binary };

// A decimal number as canonical text: optional "-", digits, optionally "." and the fraction
// ("-1234.50"). Exact at any width.
struct DecimalText
{
    QString canonical;
    bool operator==(const DecimalText &) const = default;
};

// One value of a field, or NULL. NULL is never '' or 0.
class Value
{
public:
    Value() = default; // NULL
    static Value boolean(bool value) { return Value(Data(value)); }
    static Value integer(qint64 value) { return Value(Data(value)); }
    static Value real(double value) { return Value(Data(value)); }
    static Value decimal(const QString &canonical)
    {
        return Value(Data(DecimalText { canonical }));
    }
    static Value dateTime(const QDateTime &value) { return Value(Data(value)); }
    static Value text(const QString &value) { return Value(Data(value)); }
    static Value binary(const QByteArray &value) { return Value(Data(value)); }

    bool isNull() const { return m_data.index() == 0; }
    std::optional<FieldType> type() const;

    bool asBool() const { return std::get<bool>(m_data); }
    qint64 asInt() const { return std::get<qint64>(m_data); }
    double asDouble() const { return std::get<double>(m_data); }
    QString asDecimal() const { return std::get<DecimalText>(m_data).canonical; }
    QDateTime asDateTime() const { return std::get<QDateTime>(m_data); }
    QString asText() const { return std::get<QString>(m_data); }
    QByteArray asBinary() const { return std::get<QByteArray>(m_data); }

    // The text form shown to the user: NULL gives the empty text, numbers and date-times in
    // the regional forms, decimals with their digits, booleans "True"/"False", binary as hex.
    QString toText(const Regional &forms) const;
    QString toText() const;
    // The value as a number: numbers as they are, booleans 1/0, date-times as OLE serials,
    // text read in the regional form; nullopt for NULL and for what is no number.
    std::optional<double> toNumber() const;

    // The value converted to a field's type, decimals to the field's scale (-1: as they come).
    // Throws DataError with a Czech message when it does not convert.
    Value convertedTo(FieldType type, int scale = -1) const;

    bool operator==(const Value &other) const { return m_data == other.m_data; }

private:
    using Data = std::variant<std::monostate, bool, qint64, double, DecimalText, QDateTime, QString,
                              QByteArray>;
    explicit Value(Data data)
        : m_data(std::move(data))
    { }
    Data m_data;
};

// Reads a decimal number written with the given decimal separator ("-1 234,5" is not one:
// no group separators) into canonical text; with scale >= 0 the fraction is rounded (half
// away from zero) or padded to exactly that many digits.
std::optional<QString> canonicalDecimal(const QString &text, QChar separator, int scale = -1);

QString fieldTypeName(FieldType type);

} // namespace vrl
