#include "regional/Regional.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using vrl::Regional;

namespace {

const Regional &czech()
{
    static const Regional forms(QLocale(QLocale::Czech, QLocale::Czechia));
    return forms;
}

QDateTime at(int y, int m, int d, int h = 0, int min = 0, int s = 0, int ms = 0)
{
    return vrl::plainDateTime(QDate(y, m, d), QTime(h, min, s, ms));
}

} // namespace

TEST(Regional, CzechFormsHaveFourDigitYearsAndNoTimeZone)
{
    EXPECT_EQ(czech().dateFormat(), QStringLiteral("dd.MM.yyyy"));
    EXPECT_EQ(czech().timeFormat(), QStringLiteral("H:mm:ss"));
    EXPECT_EQ(czech().decimalSeparator(), QLatin1Char(','));
}

TEST(Regional, CLocaleFallsBackToCzech)
{
    const Regional forms(QLocale::c());
    EXPECT_EQ(forms.dateFormat(), QStringLiteral("dd.MM.yyyy"));
    EXPECT_EQ(forms.decimalSeparator(), QLatin1Char(','));
}

TEST(Regional, NewYearNoonTextAndSerial)
{
    const QDateTime noon = at(2021, 1, 1, 12);
    EXPECT_EQ(czech().dateTimeText(noon), QStringLiteral("01.01.2021 12:00:00"));
    EXPECT_DOUBLE_EQ(vrl::toOleSerial(noon), 44197.5);
    EXPECT_EQ(czech().numberText(vrl::toOleSerial(noon)), QStringLiteral("44197,5"));
    EXPECT_EQ(vrl::fromOleSerial(44197.5), noon);
    EXPECT_EQ(czech().parseDateTime(QStringLiteral("1.1.2021 12:00")), noon);
}

TEST(Regional, MidnightLeavesOutTheTime)
{
    EXPECT_EQ(czech().dateTimeText(at(2021, 2, 7)), QStringLiteral("07.02.2021"));
    EXPECT_EQ(czech().fullDateTimeText(at(2021, 2, 7)), QStringLiteral("07.02.2021 0:00:00"));
    EXPECT_EQ(czech().dateTimeText(at(2021, 2, 7, 0, 0, 1)), QStringLiteral("07.02.2021 0:00:01"));
}

TEST(Regional, DateTimeParsingIsStrict)
{
    EXPECT_EQ(czech().parseDateTime(QStringLiteral("07.02.2021 13:05:09")),
              at(2021, 2, 7, 13, 5, 9));
    EXPECT_EQ(czech().parseDateTime(QStringLiteral("  7.2.2021  ")), at(2021, 2, 7));
    EXPECT_EQ(czech().parseDateTime(QStringLiteral("7. 2. 2021 8:30")), at(2021, 2, 7, 8, 30));
    EXPECT_EQ(czech().parseDateTime(QStringLiteral("29.2.2024")), at(2024, 2, 29));
    for (const char *bad : { "", "31.2.2021", "29.2.2023", "1.1.2021 24:00", "1.1.2021 12:60",
                             "1.1.2021 12", "1.1.2021 12:5", "1.1.2021x", "1.1", "2021-01-01",
                             "a.b.c", "1.1.2021 12:00:00:00", "44197,5" }) {
        EXPECT_FALSE(czech().parseDateTime(QString::fromUtf8(bad))) << bad;
    }
}

TEST(Regional, DateOrderFollowsTheLocale)
{
    const Regional us(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(us.decimalSeparator(), QLatin1Char('.'));
    EXPECT_EQ(us.parseDateTime(QStringLiteral("2/7/2021")), at(2021, 2, 7));
    EXPECT_FALSE(us.parseDateTime(QStringLiteral("13/7/2021")));
    EXPECT_EQ(us.numberText(2.5), QStringLiteral("2.5"));
}

TEST(Regional, NumberTextIsShortestWithAtMostFifteenDigits)
{
    EXPECT_EQ(czech().numberText(0), QStringLiteral("0"));
    EXPECT_EQ(czech().numberText(100), QStringLiteral("100"));
    EXPECT_EQ(czech().numberText(0.1), QStringLiteral("0,1"));
    EXPECT_EQ(czech().numberText(-0.5), QStringLiteral("-0,5"));
    EXPECT_EQ(czech().numberText(123456789.12), QStringLiteral("123456789,12"));
    EXPECT_EQ(czech().numberText(1.0 / 3.0), QStringLiteral("0,333333333333333"));
    EXPECT_EQ(czech().numberText(0.1 + 0.2), QStringLiteral("0,3"));
    EXPECT_EQ(czech().numberText(1e20), QStringLiteral("1e+20"));
}

TEST(Regional, NumberParsingTakesOnlyTheLocaleSeparator)
{
    EXPECT_EQ(czech().parseNumber(QStringLiteral("44197,5")), 44197.5);
    EXPECT_EQ(czech().parseNumber(QStringLiteral(" -1,5e3 ")), -1500.0);
    EXPECT_EQ(czech().parseNumber(QStringLiteral("+7")), 7.0);
    for (const char *bad :
         { "", "44197.5", "1 000", "abc", "1,2,3", "1e", "--1", "0x10", "1,5 Kč" })
        EXPECT_FALSE(czech().parseNumber(QString::fromUtf8(bad))) << bad;
    // Whatever the C library's locale says, a text of up to 15 digits round-trips.
    for (double value : { 0.1, 1234.5678, 123456789.12, -2.75e-7, 1e300 })
        EXPECT_DOUBLE_EQ(*czech().parseNumber(czech().numberText(value)), value);
}

TEST(Regional, OleSerialsBeforeAndAfterTheBase)
{
    EXPECT_EQ(vrl::fromOleSerial(0), at(1899, 12, 30));
    EXPECT_EQ(vrl::fromOleSerial(-1.25), at(1899, 12, 29, 6));
    EXPECT_DOUBLE_EQ(vrl::toOleSerial(at(1899, 12, 29, 6)), -1.25);
    EXPECT_EQ(vrl::fromOleSerial(2.999999999999), at(1900, 1, 2));
    const QDateTime precise = at(2038, 1, 19, 3, 14, 7, 250);
    EXPECT_EQ(vrl::fromOleSerial(vrl::toOleSerial(precise)), precise);
}

TEST(Regional, UpperCasingKeepsDiacritics)
{
    EXPECT_EQ(czech().upperCase(QStringLiteral("srv-účty")), QStringLiteral("SRV-ÚČTY"));
    EXPECT_EQ(czech().upperCase(QStringLiteral("žluťoučký kůň")), QStringLiteral("ŽLUŤOUČKÝ KŮŇ"));
}

TEST(Regional, DateTimeTextIsWhatTheLocaleWritesForEveryFormat)
{
    // The forms write numeric formats themselves; the locale stays the judge of the text.
    for (const QLocale &locale :
         { QLocale(QLocale::Czech, QLocale::Czechia), QLocale(QLocale::German, QLocale::Germany),
           QLocale(QLocale::Finnish, QLocale::Finland), QLocale(QLocale::Polish, QLocale::Poland),
           QLocale(QLocale::English, QLocale::UnitedStates),
           QLocale(QLocale::Japanese, QLocale::Japan), QLocale(QLocale::Arabic, QLocale::Egypt),
           QLocale::system() }) {
        const Regional forms(locale);
        for (const QDate date :
             { QDate(1, 1, 1), QDate(5, 6, 7), QDate(999, 12, 31), QDate(1899, 12, 30),
               QDate(2024, 2, 29), QDate(9999, 12, 31), QDate(10000, 1, 1), QDate(-44, 3, 15) }) {
            for (const QTime time : { QTime(0, 0), QTime(0, 0, 1), QTime(9, 5, 7, 999),
                                      QTime(12, 0), QTime(23, 59, 59) }) {
                const QString dateText = locale.toString(date, forms.dateFormat());
                const QString expected = time == QTime(0, 0)
                    ? dateText
                    : dateText + QLatin1Char(' ') + locale.toString(time, forms.timeFormat());
                EXPECT_EQ(forms.dateTimeText(vrl::plainDateTime(date, time)), expected)
                    << locale.name().toStdString() << " " << expected.toStdString();
            }
        }
    }
}

TEST(OleSerial, OnlyTheDatesThatCanBeShownComeBack)
{
    EXPECT_EQ(vrl::fromOleSerial(-657434), vrl::plainDateTime(QDate(100, 1, 1)));
    EXPECT_EQ(vrl::fromOleSerial(2958465.5), vrl::plainDateTime(QDate(9999, 12, 31), QTime(12, 0)));
    // Rounded to the millisecond: the last one of 31.12.9999 is the end.
    EXPECT_EQ(vrl::fromOleSerial(2958465.99999999),
              vrl::plainDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999)));
    const double infinity = std::numeric_limits<double>::infinity();
    for (const double serial : { std::nan(""), infinity, -infinity, 1e300, -1e300, 2958466.0,
                                 2958465.9999999999, -657434.5 })
        EXPECT_FALSE(vrl::fromOleSerial(serial).isValid()) << serial;
    // An invalid value is never written as a date-time.
    EXPECT_EQ(czech().dateTimeText(vrl::fromOleSerial(2958466.0)), QString());
    EXPECT_EQ(czech().fullDateTimeText(QDateTime()), QString());
}

TEST(Regional, PlainNumberTextHasTheDigitsOfTheShortTextAndNoExponent)
{
    const struct
    {
        double value;
        const char *text;
    } cases[] = {
        { 1.0 / 86400, "0,0000115740740740741" },
        { 0.0001, "0,0001" },
        { -2.75e-7, "-0,000000275" },
        { 44197.5, "44197,5" },
        { 0, "0" },
        { -0.0, "0" },
        { 1e20, "100000000000000000000" },
        { 123456789.125, "123456789,125" },
        { 2958465.99999999, "2958465,99999999" },
    };
    for (const auto &one : cases) {
        EXPECT_EQ(czech().plainNumberText(one.value), QString::fromLatin1(one.text)) << one.text;
        // It reads back as the short text does.
        EXPECT_EQ(*czech().parseNumber(czech().plainNumberText(one.value)),
                  *czech().parseNumber(czech().numberText(one.value)))
            << one.text;
    }
}
