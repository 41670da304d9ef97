// Which columns a search may pass over, and the comparison of a text with an upper-cased key.
#include "basic/FieldSearch.h"
#include "regional/Regional.h"

#include <gtest/gtest.h>

using namespace vrl;

TEST(FieldSearch, AColumnIsPassedOverOnlyWhenItsTextFormCannotHoldTheKey)
{
    const Regional czech(QLocale(QLocale::Czech, QLocale::CzechRepublic));
    EXPECT_FALSE(textFormMayHold(FieldType::DateTime, QStringLiteral("PM"), czech));
    EXPECT_TRUE(textFormMayHold(FieldType::DateTime, QStringLiteral("1.5.1980"), czech));
    EXPECT_FALSE(textFormMayHold(FieldType::Int, QStringLiteral("12a"), czech));
    EXPECT_TRUE(textFormMayHold(FieldType::Decimal, QStringLiteral("2,5"), czech));
    EXPECT_TRUE(textFormMayHold(FieldType::Text, QStringLiteral("cokoli"), czech));

    // Where the time is written with AM/PM, a date-time column may hold those letters.
    const Regional american(QLocale(QLocale::English, QLocale::UnitedStates));
    ASSERT_TRUE(american.timeFormat().contains(u'A', Qt::CaseInsensitive))
        << american.timeFormat().toStdString();
    EXPECT_TRUE(textFormMayHold(FieldType::DateTime, QStringLiteral("PM"), american));
    EXPECT_TRUE(textFormMayHold(FieldType::DateTime, QStringLiteral("5:30 pm"), american));
    EXPECT_FALSE(textFormMayHold(FieldType::Int, QStringLiteral("PM"), american));
}

TEST(FieldSearch, ATextIsComparedInTheKeysFullUpperCase)
{
    EXPECT_TRUE(holdsUpperCasedKey(u"Große Straße", QStringLiteral("STRASSE")));
    EXPECT_TRUE(holdsUpperCasedKey(u"Hauptstrasse", QStringLiteral("STRASSE")));
    EXPECT_TRUE(holdsUpperCasedKey(u"straße", QStringLiteral("SS")));
    EXPECT_TRUE(holdsUpperCasedKey(u"Žluťoučký kůň", QStringLiteral("KŮŇ")));
    EXPECT_TRUE(holdsUpperCasedKey(u"ﬁnále", QStringLiteral("FINÁLE"))); // a ligature
    EXPECT_FALSE(holdsUpperCasedKey(u"Strase", QStringLiteral("STRASSE")));
    EXPECT_FALSE(holdsUpperCasedKey(u"", QStringLiteral("A")));
}
