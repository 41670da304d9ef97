// The conversion panel of the real main window under Czech regional settings: which buttons a
// text enables, the five conversions, the capture of the last grid value by a double click,
// and texts that pass a rule but do not parse reaching the general error report.
#include "tools/ConversionPanel.h"
#include "app/VRLMain.h"
#include "query/QueryArea.h"
#include "table/TableArea.h"

#include "support/ProgramFixture.h"
#include "support/ScriptedPrompts.h"
#include "support/UiDriver.h"

#include <QCoreApplication>
#include <QDir>
#include <QFocusEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace vrl;
using namespace vrl::test;

namespace {

const char *const kButtons[]
    = { "conv_dtrBtn", "conv_rdtBtn", "conv_i32hBtn", "conv_hi32Btn", "conv_i32bBtn" };

class ConversionPanelTest : public ProgramFixture
{
protected:
    QLineEdit &edit() { return *control<QLineEdit>(form, "convE"); }
    // The text typed into the edit, which is then left.
    void type(const QString &text)
    {
        typeText(form, "convE", text);
        QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(&edit(), &leave);
    }
    // Which buttons are enabled, in panel order, as a string of 0 and 1.
    std::string enabledButtons()
    {
        std::string state;
        for (const char *name : kButtons)
            state += enabled(name) ? '1' : '0';
        return state;
    }
    void capture(const QString &value, bool fromQueryGrid = false)
    {
        if (fromQueryGrid)
            emit form.queryArea().valueCaptured(value);
        else
            emit form.tableArea().valueCaptured(value);
        auto *panel = control<QGroupBox>(form, "convGB");
        // On the panel's frame, beside the edit and the buttons.
        QTest::mouseDClick(panel, Qt::LeftButton, {}, QPoint(panel->width() - 3, 25));
    }
};

} // namespace

TEST_F(ConversionPanelTest, ButtonsFollowTheFormOfTheText)
{
    // dtr rdt i32h hi32 i32b
    type(QStringLiteral("1.1.2021 12:00"));
    EXPECT_EQ(enabledButtons(), "10000");
    type(QStringLiteral("44197,5"));
    EXPECT_EQ(enabledButtons(), "01000");
    type(QStringLiteral("44197.5")); // a dot is no decimal separator here
    EXPECT_EQ(enabledButtons(), "10000");
    type(QStringLiteral("441")); // too short for a serial number
    EXPECT_EQ(enabledButtons(), "00101");
    type(QStringLiteral("12345678")); // all digits: a serial, an integer and a pattern
    EXPECT_EQ(enabledButtons(), "01111");
    type(QStringLiteral("7fffffff"));
    EXPECT_EQ(enabledButtons(), "00010");
    for (const char *hex : { "7ffffff", "7ffffffff", "0x7fffff" }) {
        type(QString::fromLatin1(hex));
        EXPECT_FALSE(enabled("conv_hi32Btn")) << hex;
    }
    for (const char *noInteger : { "-", "+", "1 2", "" }) {
        type(QString::fromLatin1(noInteger));
        EXPECT_FALSE(enabled("conv_i32hBtn")) << noInteger;
        EXPECT_FALSE(enabled("conv_i32bBtn")) << noInteger;
    }
    for (const char *integer : { "-7", "+7" }) {
        type(QString::fromLatin1(integer));
        EXPECT_TRUE(enabled("conv_i32hBtn")) << integer;
        EXPECT_TRUE(enabled("conv_i32bBtn")) << integer;
    }
}

TEST_F(ConversionPanelTest, ButtonsFollowEveryChangeMadeWithoutLeavingTheEdit)
{
    prompts.allowErrors();
    type(QStringLiteral("12345678"));
    ASSERT_EQ(enabledButtons(), "01111");
    // Edited in place: the buttons take no focus, so a click does not leave the edit first.
    edit().setFocus();
    QTest::keyClick(&edit(), Qt::Key_End);
    QTest::keyClick(&edit(), Qt::Key_Backspace);
    QTest::keyClick(&edit(), 'g');
    EXPECT_EQ(enabledButtons(), "00000");
    // The conversion itself refuses a text that is not hexadecimal, whatever enabled it.
    EXPECT_THROW(form.conversionPanel().conv_hi32BtnClick(), std::runtime_error);
    EXPECT_EQ(edit().text(), QStringLiteral("1234567g"));
    QTest::keyClick(&edit(), Qt::Key_Backspace);
    QTest::keyClick(&edit(), 'f');
    EXPECT_EQ(enabledButtons(), "00010");
}

TEST_F(ConversionPanelTest, FirstActivationDisablesEveryButton)
{
    // The window opened with every button disabled.
    EXPECT_EQ(enabledButtons(), "00000");
    // Inactive, the panel disables them whatever the edit holds.
    type(QStringLiteral("255"));
    ASSERT_EQ(enabledButtons(), "00101");
    form.conversionPanel().UpdateConvButtons(false);
    EXPECT_EQ(enabledButtons(), "00000");
    type(QStringLiteral("255"));
    form.conversionPanel().firstActivation();
    EXPECT_TRUE(edit().text().isEmpty());
    EXPECT_EQ(enabledButtons(), "00000");
}

TEST_F(ConversionPanelTest, IntegersHexadecimalAndBinary)
{
    type(QStringLiteral("255"));
    click(form, "conv_i32hBtn");
    EXPECT_EQ(edit().text(), QStringLiteral("000000FF"));
    EXPECT_EQ(edit().toolTip(), QStringLiteral("zobrazený formát: HEX [int32]"));
    EXPECT_EQ(enabledButtons(), "00010");
    type(QStringLiteral("-1"));
    click(form, "conv_i32hBtn");
    EXPECT_EQ(edit().text(), QStringLiteral("FFFFFFFF"));
    click(form, "conv_hi32Btn");
    EXPECT_EQ(edit().text(), QStringLiteral("-1"));
    EXPECT_EQ(edit().toolTip(), QStringLiteral("zobrazený formát: INT32 [hex]"));
    type(QStringLiteral("80000000"));
    click(form, "conv_hi32Btn");
    EXPECT_EQ(edit().text(), QStringLiteral("-2147483648"));
    type(QStringLiteral("7fffffff"));
    click(form, "conv_hi32Btn");
    EXPECT_EQ(edit().text(), QStringLiteral("2147483647"));

    type(QStringLiteral("5"));
    click(form, "conv_i32bBtn");
    EXPECT_EQ(prompts.textsOf(QStringLiteral("message")),
              QStringList { QStringLiteral("0000 0000 0000 0000 0000 0000 0000 0101") });
    // The message leaves the edit and its hint as they were.
    EXPECT_EQ(edit().text(), QStringLiteral("5"));
    EXPECT_EQ(edit().toolTip(), QStringLiteral("zobrazený formát: INT32 [hex]"));
}

TEST_F(ConversionPanelTest, DateTimeAndSerialNumberInCzechForms)
{
    type(QStringLiteral("1.1.2021 12:00"));
    click(form, "conv_dtrBtn");
    EXPECT_EQ(edit().text(), QStringLiteral("44197,5"));
    EXPECT_EQ(edit().toolTip(), QStringLiteral("zobrazený formát: DDDDD.TTTTT"));
    click(form, "conv_rdtBtn");
    EXPECT_EQ(edit().text(), QStringLiteral("01.01.2021 12:00:00"));
    EXPECT_EQ(edit().toolTip(), QStringLiteral("zobrazený formát: DMY HM"));
    type(QStringLiteral("44197"));
    click(form, "conv_rdtBtn");
    EXPECT_EQ(edit().text(), QStringLiteral("01.01.2021")); // midnight leaves the time out
    // Clearing the edit keeps the last form's hint.
    QTest::mouseDClick(&edit(), Qt::LeftButton);
    EXPECT_TRUE(edit().text().isEmpty());
    EXPECT_EQ(edit().toolTip(), QStringLiteral("zobrazený formát: DMY HM"));
    EXPECT_EQ(enabledButtons(), "00000");
}

TEST_F(ConversionPanelTest, SerialsAtTheEndsOfTheRangeConvertBothWays)
{
    prompts.allowErrors();
    // Just below the upper limit: the last second of 31.12.9999.
    type(QStringLiteral("2958465,99999999"));
    click(form, "conv_rdtBtn");
    EXPECT_EQ(edit().text(), QStringLiteral("31.12.9999 23:59:59"));
    // Rounded to the millisecond it would be the first of the year 10000: out of range.
    type(QStringLiteral("2958465,9999999999"));
    click(form, "conv_rdtBtn");
    EXPECT_EQ(prompts.textsOf(QStringLiteral("error")),
              QStringList { QStringLiteral("'2958465,9999999999' leží mimo rozsah data a času.") });
    EXPECT_EQ(edit().text(), QStringLiteral("2958465,9999999999"));
    // A second after the base date is a serial below 0.0001, written without an exponent so
    // that it converts back.
    type(QStringLiteral("30.12.1899 0:00:01"));
    click(form, "conv_dtrBtn");
    EXPECT_EQ(edit().text(), QStringLiteral("0,0000115740740740741"));
    click(form, "conv_rdtBtn");
    EXPECT_EQ(edit().text(), QStringLiteral("30.12.1899 0:00:01"));
}

TEST_F(ConversionPanelTest, TextsThatPassARuleButDoNotParseReachTheErrorReport)
{
    prompts.allowErrors();
    type(QStringLiteral("1.1.2021 12:00"));
    click(form, "conv_dtrBtn");
    const QString hint = edit().toolTip();
    const struct
    {
        const char *text;
        const char *button;
    } failing[] = {
        { "32.1.2021 10:00", "conv_dtrBtn" }, // a separator but no valid date
        { "-5", "conv_dtrBtn" },
        { "1,2,3,4", "conv_rdtBtn" }, // several commas
        { "99999999", "conv_rdtBtn" }, // a serial beyond the last day
        { "2147483648", "conv_i32hBtn" }, // beyond 32 bits
        { "-2147483649", "conv_i32bBtn" },
    };
    for (const auto &one : failing) {
        prompts.clear();
        type(QString::fromLatin1(one.text));
        click(form, one.button);
        EXPECT_EQ(prompts.textsOf(QStringLiteral("error")).size(), 1) << one.text;
        EXPECT_EQ(edit().text(), QString::fromLatin1(one.text));
        EXPECT_EQ(edit().toolTip(), hint) << one.text;
    }
    EXPECT_EQ(prompts.textsOf(QStringLiteral("error")),
              QStringList { QStringLiteral("'-2147483649' není platná celočíselná hodnota.") });
}

TEST_F(ConversionPanelTest, DoubleClickTakesTheCapturedValueWhenItLooksConvertible)
{
    type(QStringLiteral("start"));
    capture(QStringLiteral("150320 10:30")); // the compact date-time form
    EXPECT_EQ(edit().text(), QStringLiteral("150320 10:30"));
    EXPECT_EQ(enabledButtons(), "10000");
    capture(QStringLiteral("Praha"));
    EXPECT_EQ(edit().text(), QStringLiteral("150320 10:30"));
    capture(QStringLiteral("-12")); // a small integer
    EXPECT_EQ(edit().text(), QStringLiteral("-12"));
    EXPECT_EQ(enabledButtons(), "10101");
    capture(QStringLiteral("1A2B"), true); // four hex digits, clicked in the query grid
    EXPECT_EQ(edit().text(), QStringLiteral("1A2B"));
    capture(QStringLiteral("12.05.2024 8:15:00")); // blanks, dots, digits and colons
    EXPECT_EQ(edit().text(), QStringLiteral("12.05.2024 8:15:00"));
    capture(QStringLiteral("+70000")); // an integer above the small ones, no other form
    EXPECT_EQ(edit().text(), QStringLiteral("12.05.2024 8:15:00"));
    capture(QStringLiteral("-70000")); // below 65535 counts as small
    EXPECT_EQ(edit().text(), QStringLiteral("-70000"));
    capture(QString()); // nothing captured since the last table or result
    EXPECT_EQ(edit().text(), QStringLiteral("-70000"));
}

TEST_F(ConversionPanelTest, CaptureOfAnUnreadableValueReachesTheErrorReport)
{
    prompts.allowErrors();
    type(QStringLiteral("7"));
    capture(QStringLiteral("-99999999999")); // an integer beyond 32 bits
    capture(QStringLiteral("1:0320 10:30")); // the compact form with a field that is no number
    EXPECT_EQ(prompts.textsOf(QStringLiteral("error")).size(), 2);
    EXPECT_EQ(edit().text(), QStringLiteral("7"));
}

TEST_F(ConversionPanelTest, Screenshot)
{
    const QString folder = qEnvironmentVariable("VORLAN_SCREENSHOT_DIR");
    if (folder.isEmpty())
        GTEST_SKIP() << "set VORLAN_SCREENSHOT_DIR to save a screenshot";
    type(QStringLiteral("1.1.2021 12:00"));
    click(form, "conv_dtrBtn");
    auto *panel = control<QGroupBox>(form, "convGB");
    EXPECT_TRUE(panel->grab()
                    .scaled(panel->size() * 3)
                    .save(QDir(folder).filePath(QStringLiteral("conversion_panel.png"))));
}
