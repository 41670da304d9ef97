#include "regional/Regional.h"

#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace vrl {

namespace {

constexpr qint64 kMsecsPerDay = 86400000;
const QDate kOleBase(1899, 12, 30);

QLocale effectiveLocale(const QLocale &locale)
{
    if (locale.language() == QLocale::C)
        return QLocale(QLocale::Czech, QLocale::Czechia);
    return locale;
}

// Widens a two-digit year to four digits: "dd.MM.yy" becomes "dd.MM.yyyy".
QString withFourDigitYear(QString format)
{
    static const QRegularExpression years(QStringLiteral("y+"));
    return format.replace(years, QStringLiteral("yyyy"));
}

// Drops the time-zone part of a time format: "H:mm:ss t" becomes "H:mm:ss".
QString withoutTimeZone(QString format)
{
    static const QRegularExpression zone(QStringLiteral("\\s*t+\\s*"));
    return format.replace(zone, QString()).trimmed();
}

QChar firstSeparator(const QString &format, QChar fallback)
{
    for (QChar c : format) {
        if (!c.isLetter() && !c.isSpace() && c != QLatin1Char('\''))
            return c;
    }
    return fallback;
}

std::optional<int> parseDigits(QStringView text)
{
    if (text.isEmpty() || text.size() > 4)
        return std::nullopt;
    int value = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

} // namespace

struct Regional::NumericFormat
{
    enum class Field { Literal, Day, Month, Year, Hour, Minute, Second };
    struct Part
    {
        Field field;
        int width; // digits at least (a year of 2 is the year of its century)
        QString literal;
    };
    std::vector<Part> parts;

    // The format's parts, or null when it holds anything but day, month, year, 24-hour,
    // minute and second numbers and separators (names, AM/PM, quotes, other digits).
    static std::shared_ptr<const NumericFormat> compile(const QString &format,
                                                        const QLocale &locale)
    {
        if (locale.zeroDigit() != QLatin1String("0"))
            return nullptr;
        auto compiled = std::make_shared<NumericFormat>();
        for (qsizetype i = 0; i < format.size();) {
            const QChar c = format[i];
            int run = 1;
            while (i + run < format.size() && format[i + run] == c)
                ++run;
            i += run;
            // The field letters in the order of Field, after Literal.
            const qsizetype letter = QStringView(u"dMyHms").indexOf(c);
            const Field field = letter < 0 ? Field::Literal : Field(letter + 1);
            if (field == Field::Literal) {
                if (c.isLetter() || c == QLatin1Char('\''))
                    return nullptr;
                compiled->parts.push_back({ field, 0, QString(run, c) });
            } else if (field == Field::Year ? (run == 2 || run == 4) : run <= 2) {
                compiled->parts.push_back({ field, run, QString() });
            } else {
                return nullptr;
            }
        }
        return compiled;
    }

    void append(QString &text, const QDate &date, const QTime &time) const
    {
        int year = 0, month = 0, day = 0;
        date.getDate(&year, &month, &day); // at once: each part alone reckons the whole date
        const int numbers[] = { 0, day, month, year, time.hour(), time.minute(), time.second() };
        for (const Part &part : parts) {
            if (part.field == Field::Literal) {
                text += part.literal;
                continue;
            }
            int number = numbers[int(part.field)];
            if (part.field == Field::Year && part.width == 2)
                number %= 100;
            char16_t digits[8];
            int count = 0;
            do {
                digits[count++] = char16_t(u'0' + number % 10);
                number /= 10;
            } while (number > 0);
            while (count < part.width)
                digits[count++] = u'0';
            while (count > 0)
                text += QChar(digits[--count]);
        }
    }
};

QDateTime plainDateTime(const QDate &date, const QTime &time)
{
    return QDateTime(date, time, Qt::UTC);
}

Regional::Regional(const QLocale &locale)
    : m_locale(effectiveLocale(locale))
    , m_dateFormat(withFourDigitYear(m_locale.dateFormat(QLocale::ShortFormat)))
    , m_timeFormat(withoutTimeZone(m_locale.timeFormat(QLocale::LongFormat)))
    , m_decimal(m_locale.decimalPoint().at(0))
    , m_dateSeparator(firstSeparator(m_dateFormat, QLatin1Char('.')))
    , m_timeSeparator(firstSeparator(m_timeFormat, QLatin1Char(':')))
{
    const qsizetype d = m_dateFormat.indexOf(QLatin1Char('d'));
    const qsizetype m = m_dateFormat.indexOf(QLatin1Char('M'));
    const qsizetype y = m_dateFormat.indexOf(QLatin1Char('y'));
    if (d >= 0 && m >= 0 && y >= 0) {
        m_dayPos = int((d > m) + (d > y));
        m_monthPos = int((m > d) + (m > y));
        m_yearPos = int((y > d) + (y > m));
    }
    m_numericDate = NumericFormat::compile(m_dateFormat, m_locale);
    m_numericTime = NumericFormat::compile(m_timeFormat, m_locale);
}

void Regional::appendDate(QString &text, const QDate &date) const
{
    // Years of four digits only: the locale knows how to write the others.
    if (m_numericDate && date.year() >= 1 && date.year() <= 9999)
        m_numericDate->append(text, date, QTime(0, 0));
    else
        text += m_locale.toString(date, m_dateFormat);
}

void Regional::appendTime(QString &text, const QTime &time) const
{
    if (m_numericTime)
        m_numericTime->append(text, QDate(), time);
    else
        text += m_locale.toString(time, m_timeFormat);
}

const Regional &Regional::system()
{
    static const Regional forms(QLocale::system());
    return forms;
}

QString Regional::fullDateTimeText(const QDateTime &value) const
{
    if (!value.isValid())
        return QString();
    QString text;
    text.reserve(24);
    appendDate(text, value.date());
    text += QLatin1Char(' ');
    appendTime(text, value.time());
    return text;
}

QString Regional::dateTimeText(const QDateTime &value) const
{
    if (!value.isValid())
        return QString();
    if (value.time() == QTime(0, 0)) {
        QString text;
        appendDate(text, value.date());
        return text;
    }
    return fullDateTimeText(value);
}

std::optional<QDateTime> Regional::parseDateTime(const QString &text) const
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    const qsizetype blank = [&] {
        // The date part may hold blanks after its separators ("1. 1. 2021"); the time part
        // starts at the first blank that follows a digit of the year.
        int separators = 0;
        for (qsizetype i = 0; i < trimmed.size(); ++i) {
            if (trimmed[i] == m_dateSeparator)
                ++separators;
            else if (trimmed[i].isSpace() && separators >= 2 && i > 0 && trimmed[i - 1].isDigit())
                return i;
        }
        return qsizetype(-1);
    }();
    const QString datePart = blank < 0 ? trimmed : trimmed.left(blank);
    const QString timePart = blank < 0 ? QString() : trimmed.mid(blank + 1).trimmed();

    const QStringList pieces = datePart.split(m_dateSeparator);
    if (pieces.size() != 3)
        return std::nullopt;
    std::array<int, 3> parts {};
    for (int i = 0; i < 3; ++i) {
        const auto value = parseDigits(QStringView(pieces[i]).trimmed());
        if (!value)
            return std::nullopt;
        parts[i] = *value;
    }
    int year = parts[m_yearPos];
    const qsizetype yearDigits = QStringView(pieces[m_yearPos]).trimmed().size();
    if (yearDigits <= 2) {
        const int thisYear = QDate::currentDate().year();
        year += 2000;
        if (year > thisYear + 50)
            year -= 100;
    }
    const QDate date(year, parts[m_monthPos], parts[m_dayPos]);
    if (!date.isValid())
        return std::nullopt;

    QTime time(0, 0);
    if (!timePart.isEmpty()) {
        const QStringList t = timePart.split(m_timeSeparator);
        if (t.size() < 2 || t.size() > 3)
            return std::nullopt;
        std::array<int, 3> hms {};
        for (qsizetype i = 0; i < t.size(); ++i) {
            const auto value = parseDigits(t[i]);
            if (!value || (i > 0 && t[i].size() != 2))
                return std::nullopt;
            hms[size_t(i)] = *value;
        }
        time = QTime(hms[0], hms[1], hms[2]);
        if (!time.isValid())
            return std::nullopt;
    }
    return plainDateTime(date, time);
}

namespace {

// The significant digits of the shortest text that reads back as the value, at most 15.
int significantDigits(double value)
{
    char buffer[64];
    const auto shortest = std::to_chars(buffer, buffer + sizeof buffer, value);
    int digits = 0;
    bool leading = true;
    for (const char *p = buffer; p < shortest.ptr && *p != 'e'; ++p) {
        if (*p >= '0' && *p <= '9') {
            if (*p != '0')
                leading = false;
            if (!leading)
                ++digits;
        }
    }
    return std::clamp(digits, 1, 15);
}

QString nonFiniteText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
}

} // namespace

QString Regional::numberText(double value) const
{
    if (!std::isfinite(value))
        return nonFiniteText(value);
    // std::to_chars is independent of the C locale, which Qt sets from the environment.
    char buffer[64];
    const auto general = std::to_chars(buffer, buffer + sizeof buffer, value,
                                       std::chars_format::general, significantDigits(value));
    QString text = QString::fromLatin1(buffer, general.ptr - buffer);
    text.replace(QLatin1Char('.'), m_decimal);
    return text;
}

QString Regional::plainNumberText(double value) const
{
    if (!std::isfinite(value))
        return nonFiniteText(value);
    // The digits rounded as numberText rounds them, then placed around the decimal point by
    // their exponent.
    char buffer[64];
    const auto scientific
        = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                        std::chars_format::scientific, significantDigits(value) - 1);
    const char *e = std::find(buffer, scientific.ptr, 'e');
    int exponent = 0;
    std::from_chars(e + (e[1] == '+' ? 2 : 1), scientific.ptr, exponent);
    QString digits;
    for (const char *p = buffer; p < e; ++p) {
        if (*p != '.')
            digits += QLatin1Char(*p);
    }
    while (digits.size() > 1 && digits.endsWith(QLatin1Char('0')))
        digits.chop(1);
    QString text;
    if (exponent < 0) {
        text = QStringLiteral("0") + m_decimal + QString(-exponent - 1, QLatin1Char('0')) + digits;
    } else if (exponent + 1 >= digits.size()) {
        text = digits + QString(exponent + 1 - digits.size(), QLatin1Char('0'));
    } else {
        text = digits.left(exponent + 1) + m_decimal + digits.mid(exponent + 1);
    }
    if (value < 0 && digits != QLatin1String("0"))
        text.prepend(QLatin1Char('-'));
    return text;
}

std::optional<double> Regional::parseNumber(const QString &text) const
{
    QString s = text.trimmed();
    if (s.isEmpty())
        return std::nullopt;
    if (m_decimal != QLatin1Char('.') && s.contains(QLatin1Char('.')))
        return std::nullopt;
    s.replace(m_decimal, QLatin1Char('.'));
    if (s.startsWith(QLatin1Char('+')))
        s.remove(0, 1);
    const QByteArray bytes = s.toLatin1();
    for (char c : bytes) {
        const bool allowed
            = (c >= '0' && c <= '9') || c == '.' || c == '-' || c == 'e' || c == 'E' || c == '+';
        if (!allowed)
            return std::nullopt;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(bytes.data(), bytes.data() + bytes.size(), value);
    if (error != std::errc() || end != bytes.data() + bytes.size())
        return std::nullopt;
    return value;
}

double toOleSerial(const QDateTime &value)
{
    const double days = double(kOleBase.daysTo(value.date()));
    const double fraction = double(value.time().msecsSinceStartOfDay()) / double(kMsecsPerDay);
    return days >= 0 ? days + fraction : days - fraction;
}

QDateTime fromOleSerial(double serial)
{
    // 1 January 100; a serial from the day after 31 December 9999 on never rounds back into it.
    constexpr double kFirstSerial = -657434;
    constexpr double kDayAfterLast = 2958466;
    if (!std::isfinite(serial) || serial < kFirstSerial || serial >= kDayAfterLast)
        return QDateTime();
    const double whole = std::trunc(serial);
    qint64 msecs = std::llround(std::fabs(serial - whole) * double(kMsecsPerDay));
    QDate date = kOleBase.addDays(qint64(whole));
    if (msecs >= kMsecsPerDay) {
        msecs -= kMsecsPerDay;
        date = date.addDays(1);
    }
    // Less than half a millisecond before the day after the last rounds into that day.
    if (date.year() > 9999)
        return QDateTime();
    return plainDateTime(date, QTime::fromMSecsSinceStartOfDay(int(msecs)));
}

} // namespace vrl
