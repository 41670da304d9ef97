#include "basic/HandlerGuard.h"
#include "access/DataError.h"
#include "basic/WidgetPrompts.h"

#include "support/ScriptedPrompts.h"

#include <gtest/gtest.h>

#include <stdexcept>

TEST(HandlerGuard, ReportsWhatAHandlerDidNotCatchAndGoesOn)
{
    vrl::test::ScriptedPrompts prompts;
    prompts.allowErrors();
    int calls = 0;
    auto dataFailure = vrl::guarded([&] {
        ++calls;
        throw vrl::DataError(QStringLiteral("Tabulka 'Účty' neexistuje"), QStringLiteral("42S02"),
                             1146);
    });
    auto plainFailure = vrl::guarded([&](int value) {
        calls += value;
        throw std::runtime_error("Složku nelze vytvořit.");
    });
    auto fine = vrl::guarded([&] { ++calls; });
    dataFailure();
    plainFailure(10);
    fine();
    EXPECT_EQ(calls, 12);
    EXPECT_EQ(prompts.textsOf(QStringLiteral("error")),
              QStringList({ QStringLiteral("Tabulka 'Účty' neexistuje"),
                            QStringLiteral("Složku nelze vytvořit.") }));
}

TEST(WidgetPrompts, FileFiltersBecomeNameFilters)
{
    EXPECT_EQ(vrl::nameFiltersOf(QStringLiteral(
                  "MS Excel worksheet file (*.xls)|*.xls|CSV import file (*.csv)|*.csv|any file "
                  "(*.*)|*.*|OpenCalc worksheet file (*.ods)|*.ods")),
              QStringList({ QStringLiteral("MS Excel worksheet file (*.xls *.xls?)"),
                            QStringLiteral("CSV import file (*.csv *.csv?)"),
                            QStringLiteral("any file (*)"),
                            QStringLiteral("OpenCalc worksheet file (*.ods *.ods?)") }));
    EXPECT_EQ(vrl::nameFiltersOf(QStringLiteral("Workbooks|*.xls;*.xlsx")),
              QStringList({ QStringLiteral("Workbooks (*.xls *.xls? *.xlsx)") }));
}
