// The shared functions behind the conversion panel: the 32-bit patterns in hexadecimal and
// base-2 form, and the text-form rules that decide which conversion a text may take.
#include "basic/CharSetText.h"
#include "basic/CompactDateTime.h"
#include "basic/HexText.h"
#include "basic/IntegerText.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace vrl;

TEST(HexText, IntegersBecomeTheirTwosComplementPatternAndBack)
{
    EXPECT_EQ(IntToHex8(255), QStringLiteral("000000FF"));
    EXPECT_EQ(IntToHex8(-1), QStringLiteral("FFFFFFFF"));
    EXPECT_EQ(IntToHex8(INT32_MIN), QStringLiteral("80000000"));
    EXPECT_EQ(Hex8ToInt(QStringLiteral("FFFFFFFF")), -1);
    EXPECT_EQ(Hex8ToInt(QStringLiteral("80000000")), INT32_MIN);
    EXPECT_EQ(Hex8ToInt(QStringLiteral("7fffffff")), INT32_MAX);
    EXPECT_EQ(Hex8ToInt(QStringLiteral("0000ABcd")), 0xABCD);
    for (const std::int32_t value : { 0, 1, -2, 123456789, -987654321, INT32_MAX, INT32_MIN })
        EXPECT_EQ(Hex8ToInt(IntToHex8(value)), value) << value;
}

TEST(HexText, DigitsOutsideTheirRangeShowAsMarks)
{
    EXPECT_EQ(HexDigitChar(9), QLatin1Char('9'));
    EXPECT_EQ(HexDigitChar(15), QLatin1Char('F'));
    EXPECT_EQ(HexDigitChar(16), QLatin1Char('x'));
    EXPECT_EQ(HexDigitChar(-1), QLatin1Char('x'));
    EXPECT_EQ(ByteToHex(0xA5), QStringLiteral("A5"));
    EXPECT_EQ(HexDigitValue(QLatin1Char('g'), -7), -7);
    EXPECT_EQ(HexDigitValue(QChar(0xFF21), -7), -7); // a full-width A is no hex digit
    EXPECT_EQ(HexDigitToBits(QLatin1Char('a')), QStringLiteral("1010"));
    EXPECT_EQ(HexDigitToBits(QLatin1Char('G')), QStringLiteral("????"));
}

TEST(HexText, FiveAsDelimitedBinary)
{
    EXPECT_EQ(HexToDelimitedBin(IntToHex8(5)),
              QStringLiteral("0000 0000 0000 0000 0000 0000 0000 0101"));
    EXPECT_EQ(HexToDelimitedBin(IntToHex8(-1)),
              QStringLiteral("1111 1111 1111 1111 1111 1111 1111 1111"));
}

TEST(CharSetText, LengthRulesAndTheNonEmptyRule)
{
    const CharSet digits = CharSet::digits();
    EXPECT_TRUE(TextMatchesCharSet(QStringLiteral("1234"), digits, LengthRule::AtLeast, 4, false));
    EXPECT_FALSE(TextMatchesCharSet(QStringLiteral("123"), digits, LengthRule::AtLeast, 4, false));
    EXPECT_FALSE(TextMatchesCharSet(QStringLiteral("12345"), digits, LengthRule::AtMost, 4, true));
    EXPECT_TRUE(TextMatchesCharSet(QStringLiteral("12"), digits, LengthRule::AtMost, 4, true));
    // With a count the empty text fails; without one only the non-empty rule stops it.
    EXPECT_FALSE(TextMatchesCharSet(QString(), digits, LengthRule::AtMost, 4, false));
    EXPECT_TRUE(TextMatchesCharSet(QString(), digits, LengthRule::Exactly, 0, false));
    EXPECT_FALSE(TextMatchesCharSet(QString(), digits, LengthRule::Exactly, 0, true));
    EXPECT_FALSE(TextMatchesCharSet(QStringLiteral("12a"), digits, LengthRule::Exactly, 0, false));
}

TEST(CharSetText, CharactersAbove255AreInNoSet)
{
    // U+0131 and U+0141 would fall on "1" and "A" if only their low byte were looked at.
    EXPECT_FALSE(IsHexText(QStringLiteral("000000\u0131\u0141"), 8));
    EXPECT_FALSE(ContainsAnyOf(QStringLiteral("\u012E\u0120"), CharSet(QLatin1String(". "))));
    EXPECT_TRUE(ContainsAnyOf(QStringLiteral("1.1"), CharSet(QLatin1String(". "))));
}

TEST(CharSetText, HexNeedsExactlyItsDigitsAndBinaryItsBlanksAndBits)
{
    EXPECT_TRUE(IsHexText(QStringLiteral("7fffffff"), 8));
    EXPECT_FALSE(IsHexText(QStringLiteral("1234567"), 8));
    EXPECT_FALSE(IsHexText(QStringLiteral("123456789"), 8));
    EXPECT_FALSE(IsHexText(QStringLiteral("0x12345678"), 8));
    EXPECT_FALSE(IsHexText(QStringLiteral("0x123456"), 8));
    EXPECT_TRUE(IsBinaryText(QStringLiteral("1 01"), 4));
    EXPECT_FALSE(IsBinaryText(QStringLiteral("1021"), 4));
}

TEST(IntegerText, AnOptionalSignAndDigitsOnly)
{
    for (const char *good : { "0", "7", "-7", "+7", "2147483648", "-00012" })
        EXPECT_TRUE(IsIntegerText(QString::fromLatin1(good), LengthRule::AtLeast, 1)) << good;
    for (const char *bad : { "", "-", "+", "1 2", " 1", "1-", "--1", "1,5", "0x1F", "+-1" })
        EXPECT_FALSE(IsIntegerText(QString::fromLatin1(bad), LengthRule::AtLeast, 1)) << bad;
    // The sign is no digit: "-12" has two digits, not three.
    EXPECT_TRUE(IsIntegerText(QStringLiteral("-12"), LengthRule::Exactly, 2));
    EXPECT_FALSE(IsIntegerText(QStringLiteral("-12"), LengthRule::Exactly, 3));
}

TEST(IntegerText, StrictReadingKeepsTo32Bits)
{
    EXPECT_EQ(Int32OfText(QStringLiteral("2147483647")), INT32_MAX);
    EXPECT_EQ(Int32OfText(QStringLiteral("-2147483648")), INT32_MIN);
    EXPECT_EQ(Int32OfText(QStringLiteral("+7")), 7);
    EXPECT_EQ(Int32OfText(QStringLiteral(" 5")), 5);
    for (const char *bad :
         { "2147483648", "-2147483649", "99999999999999999999", "", "  ", "5 ", "1:" }) {
        EXPECT_THROW(Int32OfText(QString::fromLatin1(bad)), std::runtime_error) << bad;
    }
    try {
        Int32OfText(QStringLiteral("2147483648"));
    } catch (const std::runtime_error &error) {
        EXPECT_STREQ(error.what(), "'2147483648' není platná celočíselná hodnota.");
    }
}

TEST(IntegerText, SmallIntegersStayBelow65535)
{
    EXPECT_TRUE(IsSmallIntegerText(QStringLiteral("-12")));
    EXPECT_TRUE(IsSmallIntegerText(QStringLiteral("65534")));
    EXPECT_FALSE(IsSmallIntegerText(QStringLiteral("65535")));
    EXPECT_FALSE(IsSmallIntegerText(QStringLiteral("Praha")));
    EXPECT_THROW(IsSmallIntegerText(QStringLiteral("4294967296")), std::runtime_error);
}

TEST(CompactDateTime, FieldsInTheirRangesInOrder)
{
    EXPECT_TRUE(IsCompactDateTime(QStringLiteral("150320 10:30"), 20));
    EXPECT_TRUE(IsCompactDateTime(QStringLiteral("010105 00:00"), 20));
    EXPECT_TRUE(IsCompactDateTime(QStringLiteral("311220 23:59"), 20));
    EXPECT_FALSE(IsCompactDateTime(QStringLiteral("150320 10:3"), 20)); // 11 characters
    EXPECT_TRUE(IsCompactDateTime(QStringLiteral(" 1 1 5  1: 5"), 20)); // blanks before digits
    EXPECT_FALSE(IsCompactDateTime(QStringLiteral("320320 10:30"), 20)); // day 32
    EXPECT_FALSE(IsCompactDateTime(QStringLiteral("151320 10:30"), 20)); // month 13
    EXPECT_FALSE(IsCompactDateTime(QStringLiteral("150321 10:30"), 20)); // year above 20
    EXPECT_FALSE(IsCompactDateTime(QStringLiteral("150304 10:30"), 20)); // year below 5
    EXPECT_FALSE(IsCompactDateTime(QStringLiteral("150320 24:30"), 20));
    EXPECT_FALSE(IsCompactDateTime(QStringLiteral("150320 10:60"), 20));
    EXPECT_FALSE(IsCompactDateTime(QStringLiteral("15.03.20 10:3"), 20));
    // The 7th and 10th characters are free, but every field must read as a number.
    EXPECT_TRUE(IsCompactDateTime(QStringLiteral("150320:10 30"), 20));
    EXPECT_THROW(IsCompactDateTime(QStringLiteral("1:0320 10:30"), 20), std::runtime_error);
    // The checks stop at the first failure: day 00 fails before the broken minutes are read.
    EXPECT_FALSE(IsCompactDateTime(QStringLiteral("000320 10::3"), 20));
}
