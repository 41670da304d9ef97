// The data module as the program creates it: its components and their settings, the main
// window's bindings to it, the login prompt of its connections and the datasets that the
// database choice and the exit command close.
#include "access/DataError.h"
#include "app/Program.h"
#include "app/VRLMain.h"
#include "data/VRLDM.h"
#include "data/controls/DBGrid.h"
#include "data/controls/DBNavigator.h"

#include "support/ScriptedPrompts.h"
#include "support/UiDriver.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vrl;
using namespace vrl::test;

namespace {

class DataModule : public ::testing::Test
{
protected:
    DataModule()
        : program(*qApp)
        , form(program.mainWindow())
    {
        settle();
    }

    // Opens the main connection on a SQLite file with one table.
    void connectToSqlite()
    {
        QFile file(dir.filePath(QStringLiteral("module.db")));
        file.open(QIODevice::WriteOnly);
        file.close();
        DM().vrlConnect.setConnectionString(QStringLiteral("Provider=SQLite;Data Source=")
                                            + file.fileName());
        DM().vrlConnect.open();
        DM().impQuery.setCommandText(QStringLiteral("CREATE TABLE T (A INTEGER)"));
        DM().impQuery.execute();
    }

    // The test server's string with a wrong password, or empty outside ./dev test.
    static QString mariaDbWithWrongPassword()
    {
        QString odbc = qEnvironmentVariable("VORLAN_TEST_ODBC");
        if (odbc.isEmpty())
            return {};
        odbc.replace(QStringLiteral("PWD=vorlan"), QStringLiteral("PWD=nic"));
        return QStringLiteral("Provider=MSDASQL.1;Extended Properties=\"") + odbc
            + QStringLiteral("\"");
    }

    ScriptedPrompts prompts;
    QTemporaryDir dir;
    Program program;
    TvrlForm &form;
};

} // namespace

TEST_F(DataModule, ComponentsHaveTheirSettings)
{
    TDM &dm = DM();
    for (Connection *connection : { &dm.vrlConnect, &dm.diConnect }) {
        EXPECT_EQ(connection->commandTimeout(), 15);
        EXPECT_EQ(connection->connectionTimeout(), 30);
        EXPECT_FALSE(connection->isConnected());
    }
    EXPECT_FALSE(dm.vrlConnect.loginPrompt());
    EXPECT_TRUE(dm.diConnect.loginPrompt());

    EXPECT_EQ(dm.vrxTbl.kind(), Dataset::Kind::Table);
    EXPECT_EQ(dm.ssTbl.kind(), Dataset::Kind::Table);
    EXPECT_EQ(dm.impQuery.kind(), Dataset::Kind::Query);
    EXPECT_EQ(dm.diSourceTable.kind(), Dataset::Kind::Table);
    EXPECT_EQ(dm.vrxTbl.connection(), &dm.vrlConnect);
    EXPECT_EQ(dm.ssTbl.connection(), &dm.vrlConnect);
    EXPECT_EQ(dm.impQuery.connection(), &dm.vrlConnect);
    EXPECT_EQ(dm.diSourceTable.connection(), &dm.diConnect);

    EXPECT_EQ(dm.vrlSDlg.kind, FileDialog::Kind::Save);
    EXPECT_EQ(dm.vrlSDlg.defaultExt, QStringLiteral("csv"));
    EXPECT_FALSE(dm.vrlSDlg.initialDir.isEmpty());
    EXPECT_EQ(dm.vrlSDlg.filter,
              QStringLiteral("CSV text file (*.csv)|*.csv|MS Excel worksheet file (*.xls)|*.xls|"
                             "XML tagged text file (*.xml)|*.xml|any file (*.*)|*.*|"
                             "sešit MS Excel (*.xlsx)|*.xlsx"));
    EXPECT_EQ(dm.vrlODlg.kind, FileDialog::Kind::Open);
    EXPECT_EQ(dm.vrlODlg.defaultExt, QStringLiteral("qzq"));
    EXPECT_EQ(dm.vrlODlg.title, QStringLiteral("Select file"));
    EXPECT_EQ(dm.vrlODlg.filter,
              QStringLiteral("MS Excel worksheet file (*.xls)|*.xls|CSV import file (*.csv)|*.csv|"
                             "any file (*.*)|*.*|OpenCalc worksheet file (*.ods)|*.ods"));
}

TEST_F(DataModule, MainWindowIsBoundOnceTheModuleExists)
{
    EXPECT_EQ(form.vrxQuery().kind(), Dataset::Kind::Query);
    EXPECT_EQ(form.vrxQuery().connection(), &DM().vrlConnect);
    EXPECT_EQ(control<DBGrid>(form, "tblGrid")->dataset(), &DM().vrxTbl);
    EXPECT_EQ(control<DBNavigator>(form, "tblNvg")->dataset(), &DM().vrxTbl);
    EXPECT_EQ(control<DBGrid>(form, "qGrid")->dataset(), &form.vrxQuery());
    EXPECT_EQ(control<DBNavigator>(form, "qNvg")->dataset(), &form.vrxQuery());
}

TEST_F(DataModule, DatabaseChoiceAndExitCloseTheDatasets)
{
    connectToSqlite();
    const auto openBoth = [this] {
        DM().vrxTbl.setCommandText(QStringLiteral("T"));
        DM().vrxTbl.open();
        form.vrxQuery().setCommandText(QStringLiteral("SELECT * FROM T"));
        form.vrxQuery().open();
    };
    openBoth();
    EXPECT_EQ(control<DBGrid>(form, "tblGrid")->model()->columnCount(), 1);
    clickItem(form, "dbaseRG", 1);
    EXPECT_FALSE(DM().vrxTbl.isActive());
    EXPECT_FALSE(form.vrxQuery().isActive());
    EXPECT_TRUE(DM().vrlConnect.isConnected()); // the connection itself stays open

    openBoth();
    prompts.answerConfirm(true);
    click(form, "exitMItem");
    EXPECT_FALSE(DM().vrxTbl.isActive());
    EXPECT_FALSE(form.vrxQuery().isActive());
    EXPECT_EQ(control<DBGrid>(form, "tblGrid")->model()->rowCount(), 0);
}

TEST_F(DataModule, LoginPromptAsksBeforeOpeningAndCancelFailsTheOpen)
{
    const QString string = mariaDbWithWrongPassword();
    if (string.isEmpty())
        GTEST_SKIP() << "VORLAN_TEST_ODBC is not set; ./dev test sets it";
    Connection &source = DM().diConnect;
    source.setConnectionString(string);

    prompts.cancelLogin();
    try {
        source.open();
        ADD_FAILURE() << "a cancelled login opened the connection";
    } catch (const DataError &error) {
        EXPECT_EQ(error.message(), QStringLiteral("Přihlášení bylo zrušeno."));
    }
    EXPECT_FALSE(source.isConnected());

    // The prompt offers the user the string names, and its answer replaces the string's.
    prompts.answerLogin(QStringLiteral("vorlan"), QStringLiteral("vorlan"));
    source.open();
    EXPECT_TRUE(source.isConnected());
    EXPECT_EQ(prompts.textsOf(QStringLiteral("login")),
              QStringList({ QStringLiteral("vorlan"), QStringLiteral("vorlan") }));
    source.close();

    // With the prompt off, the string's own (wrong) password is used and refused.
    source.setLoginPrompt(false);
    EXPECT_THROW(source.open(), DataError);
    source.setLoginPrompt(true);
}
