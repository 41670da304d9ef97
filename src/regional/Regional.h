#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <memory>
#include <optional>

namespace vrl {

// The user's regional forms: date-time and decimal-number text, strict parsing, OLE Automation
// serial numbers and the locale's upper-casing. Date-times are plain values without a time
// zone; they are carried as QDateTime in UTC so that no daylight-saving rule can touch them.
class Regional
{
public:
    explicit Regional(const QLocale &locale);

    // The process-wide forms from the system locale; a C/POSIX locale falls back to Czech.
    static const Regional &system();

    const QLocale &locale() const { return m_locale; }
    QString dateFormat() const { return m_dateFormat; } // short date, four-digit year
    QString timeFormat() const { return m_timeFormat; } // long time, no time-zone part
    QChar decimalSeparator() const { return m_decimal; }

    // Date and long time; the time is left out at exactly midnight. An invalid value (no
    // date-time, or a serial beyond the dates that can be shown) gives an empty text.
    QString dateTimeText(const QDateTime &value) const;
    // Date and long time, always both; empty for an invalid value.
    QString fullDateTimeText(const QDateTime &value) const;
    // A date, optionally followed by a time of hours and minutes with optional seconds.
    // Nothing else is accepted (no trailing text, no impossible dates).
    std::optional<QDateTime> parseDateTime(const QString &text) const;

    // The shortest text that reads back, at most 15 significant digits.
    QString numberText(double value) const;
    // The same digits as numberText, written as a plain decimal without an exponent, for a
    // text that must read back where no exponent is admitted.
    QString plainNumberText(double value) const;
    // Optional sign, digits, the locale's decimal separator, optional exponent; blanks around.
    std::optional<double> parseNumber(const QString &text) const;

    QString upperCase(const QString &text) const { return m_locale.toUpper(text); }

private:
    // A date or time format made of numbers and separators only, which the forms write
    // themselves: the locale's own formatting costs microseconds a value, and exports and
    // searches turn millions of values into text.
    struct NumericFormat;
    void appendDate(QString &text, const QDate &date) const;
    void appendTime(QString &text, const QTime &time) const;

    QLocale m_locale;
    QString m_dateFormat;
    QString m_timeFormat;
    QChar m_decimal;
    QChar m_dateSeparator;
    QChar m_timeSeparator;
    int m_dayPos = 0, m_monthPos = 1, m_yearPos = 2; // order of the parts in a date text
    std::shared_ptr<const NumericFormat> m_numericDate; // null: the locale writes dates
    std::shared_ptr<const NumericFormat> m_numericTime; // null: the locale writes times
};

// A plain date-time (no time zone) from its parts.
QDateTime plainDateTime(const QDate &date, const QTime &time = QTime(0, 0));

// OLE Automation date serial numbers: days since 30 December 1899, the fraction is the time
// of day (for days before the base date the fraction still counts forward from midnight).
double toOleSerial(const QDateTime &value);
// Rounded to the millisecond. A serial that is not finite, before 1.1.100, or that rounds past
// the last millisecond of 31.12.9999, gives an invalid date-time.
QDateTime fromOleSerial(double serial);

} // namespace vrl
