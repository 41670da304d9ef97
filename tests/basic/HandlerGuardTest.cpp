#include "basic/HandlerGuard.h"
#include "access/DataError.h"
#include "basic/FileDialog.h"
#include "basic/WidgetPrompts.h"

#include "support/ScriptedPrompts.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QTemporaryDir>

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

TEST(WidgetPrompts, ASavedFileGetsTheExtensionOfTheTypeChosenInTheDialog)
{
    // The real dialog, set up as the data module's save dialog is for each export and
    // accepted with the default name: the XML export's file was saved as "…_XML.csv".
    QTemporaryDir folder;
    vrl::FileDialog save;
    save.kind = vrl::FileDialog::Kind::Save;
    save.defaultExt = QStringLiteral("csv");
    save.initialDir = folder.path();
    save.filter = QStringLiteral("CSV text file (*.csv)|*.csv|MS Excel worksheet file "
                                 "(*.xls)|*.xls|XML tagged text file (*.xml)|*.xml|any file "
                                 "(*.*)|*.*");
    const auto accepted = [&](int filterIndex, const QString &name, int chosenIndex = 0) {
        vrl::FileDialog dialog = save;
        dialog.filterIndex = filterIndex;
        dialog.fileName = name;
        QFileDialog files;
        files.setOption(QFileDialog::DontUseNativeDialog);
        vrl::prepareFileDialog(files, dialog);
        if (chosenIndex > 0) // the user picks another type before accepting
            files.selectNameFilter(vrl::nameFiltersOf(dialog.filter)[chosenIndex - 1]);
        QMetaObject::invokeMethod(&files, "accept"); // as its Save button does
        EXPECT_EQ(files.result(), QDialog::Accepted);
        vrl::takeFileDialogAnswer(files, dialog);
        return QFileInfo(dialog.fileName).fileName() + QLatin1Char('@')
            + QString::number(dialog.filterIndex);
    };
    EXPECT_EQ(accepted(3, QStringLiteral("210207_XML")), QStringLiteral("210207_XML.xml@3"));
    EXPECT_EQ(accepted(1, QStringLiteral("210207_CSV")), QStringLiteral("210207_CSV.csv@1"));
    EXPECT_EQ(accepted(2, QStringLiteral("sešit")), QStringLiteral("sešit.xls@2"));
    EXPECT_EQ(accepted(4, QStringLiteral("cokoli")), QStringLiteral("cokoli.csv@4"));
    EXPECT_EQ(accepted(1, QStringLiteral("210207_CSV"), 3), QStringLiteral("210207_CSV.xml@3"));
    // A name with an extension of its own keeps it.
    EXPECT_EQ(accepted(3, QStringLiteral("data.txt")), QStringLiteral("data.txt@3"));

    EXPECT_EQ(vrl::suffixOfFilter(save.filter, 3, QStringLiteral("csv")), QStringLiteral("xml"));
    EXPECT_EQ(vrl::suffixOfFilter(save.filter, 9, QStringLiteral("csv")), QStringLiteral("csv"));
}
