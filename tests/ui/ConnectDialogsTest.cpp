// The SQL Server and MySQL connection dialogs as the user meets them: what each showing
// resets, what stays, and the exact strings they build.
#include "app/Program.h"
#include "app/ProgramSettings.h"
#include "app/VRLMain.h"
#include "data/vrxMySQL.h"
#include "data/vrxSQL.h"

#include "support/ScriptedPrompts.h"
#include "support/UiDriver.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QRadioButton>

#include <gtest/gtest.h>

using namespace vrl;
using namespace vrl::test;

namespace {

class ConnectDialogs : public ::testing::Test
{
protected:
    ConnectDialogs()
        : program(*qApp)
        , sql(*program.mainWindow().findChild<TvrxSQLdlg *>(QStringLiteral("vrxSQLdlg")))
        , mySql(*program.mainWindow().findChild<TvrxMySQLdlg *>(QStringLiteral("vrxMySQLdlg")))
    {
        settle();
    }

    // Shows a dialog as the program does, lets the user act in it, and returns the result.
    int use(QDialog &dialog, const std::function<void()> &actions)
    {
        prompts.answerModal([&](QDialog &) {
            actions();
            return dialog.result();
        });
        return vrl::prompts().runModal(dialog);
    }

    bool checked(const char *name) { return control<QAbstractButton>(sql, name)->isChecked(); }
    bool enabled(const char *name) { return control<QWidget>(sql, name)->isEnabled(); }

    ScriptedPrompts prompts;
    Program program;
    TvrxSQLdlg &sql;
    TvrxMySQLdlg &mySql;
};

} // namespace

TEST_F(ConnectDialogs, SqlServerDialogBuildsTheTemplateOfTheChosenProvider)
{
    EXPECT_EQ(sql.windowTitle(), QStringLiteral("parametry SQL připojení"));
    // OK without an authentication mode: SQL authentication with empty login and password.
    EXPECT_EQ(use(sql,
                  [&] {
                      typeText(sql, "DSEdit", QStringLiteral("SRV"));
                      typeText(sql, "CTEdit", QStringLiteral("DB"));
                      click(sql, "OKBtn");
                  }),
              QDialog::Accepted);
    EXPECT_EQ(sql.connectionString(),
              QStringLiteral("Persist Security Info=true;User ID=;Password=;Provider=SQLOLEDB.1;"
                             "Initial Catalog=DB;Data Source=SRV;Packet Size=4096;"
                             "Auto Translate=False"));
    EXPECT_FALSE(sql.loginWindowChoice());

    // The next use starts from the reset, with the server and database kept.
    sql.setProviderChoice(ProviderChoice::Ncl10);
    use(sql, [&] {
        EXPECT_FALSE(checked("aWinRB"));
        EXPECT_FALSE(checked("aSqlRB"));
        EXPECT_FALSE(enabled("wPromptChB"));
        EXPECT_FALSE(enabled("aSqlLoginE"));
        EXPECT_FALSE(enabled("csEditE"));
        EXPECT_EQ(control<QLineEdit>(sql, "DSEdit")->text(), QStringLiteral("SRV"));
        click(sql, "aWinRB");
        EXPECT_TRUE(enabled("wPromptChB"));
        click(sql, "wPromptChB");
        click(sql, "OKBtn");
    });
    EXPECT_EQ(sql.connectionString(),
              QStringLiteral("Persist Security Info=false;Integrated Security=SSPI;"
                             "Provider=SQLNCLI10.1;Initial Catalog=DB;Data Source=SRV;"
                             "Initial File Name=\"\";Server SPN=\"\";Auto Translate=False"));
    EXPECT_TRUE(sql.loginWindowChoice());

    // Switching to SQL authentication unticks the login window.
    use(sql, [&] {
        click(sql, "aWinRB");
        click(sql, "wPromptChB");
        click(sql, "aSqlRB");
        EXPECT_FALSE(checked("aWinRB"));
        EXPECT_FALSE(checked("wPromptChB"));
        EXPECT_FALSE(enabled("wPromptChB"));
        typeText(sql, "aSqlLoginE", QStringLiteral("sa"));
        typeText(sql, "aSqlPswdE", QStringLiteral("t;a\"jné"));
        EXPECT_EQ(control<QLineEdit>(sql, "aSqlPswdE")->echoMode(), QLineEdit::Password);
        click(sql, "OKBtn");
    });
    EXPECT_FALSE(sql.loginWindowChoice());
    EXPECT_TRUE(sql.connectionString().startsWith(QStringLiteral(
        "Persist Security Info=true;User ID=sa;Password=\"t;a\"\"jné\";Provider=SQLNCLI10.1;")));
    sql.setProviderChoice(ProviderChoice::OleDb);
}

TEST_F(ConnectDialogs, TheEditedStringIsTakenVerbatimAndCancelKeepsTheLastOne)
{
    use(sql, [&] {
        click(sql, "aWinRB");
        click(sql, "csEditBtn");
        EXPECT_TRUE(enabled("csEditE"));
        EXPECT_TRUE(control<QLineEdit>(sql, "csEditE")->text().contains(QStringLiteral("SSPI")));
        typeText(sql, "csEditE", QStringLiteral("Provider=SQLOLEDB.1;Data Source=jinde "));
        click(sql, "OKBtn");
    });
    EXPECT_EQ(sql.connectionString(), QStringLiteral("Provider=SQLOLEDB.1;Data Source=jinde "));

    EXPECT_EQ(use(sql, [&] { click(sql, "cancelBtn"); }), QDialog::Rejected);
    EXPECT_EQ(sql.connectionString(), QStringLiteral("Provider=SQLOLEDB.1;Data Source=jinde "));
}

TEST_F(ConnectDialogs, MySqlDialogKeepsItsSixValuesAndFillsNothingIn)
{
    EXPECT_EQ(mySql.windowTitle(), QStringLiteral("parametry MySQL připojení"));
    use(mySql, [&] {
        typeText(mySql, "MySEdit", QStringLiteral("db.example"));
        typeText(mySql, "MyDEdit", QStringLiteral("sklad"));
        typeText(mySql, "MyUEdit", QStringLiteral("jan"));
        typeText(mySql, "MyPEdit", QStringLiteral("heslo"));
        typeText(mySql, "MyPortEdit", QStringLiteral("3307"));
        click(mySql, "OKBtn");
    });
    EXPECT_EQ(mySql.connectionString(),
              QStringLiteral("Provider=MSDASQL.1;Persist Security Info=False;Extended "
                             "Properties=\"DRIVER=MySQL ODBC 5.3 ANSI Driver;SERVER=db.example;"
                             "DATABASE=sklad;UID=jan;PASSWORD=heslo;PORT=3307\";Initial Catalog="));

    // Reopened, it shows what was typed last time, the password included; the title-bar
    // close ends it with Cancel and keeps the string.
    const QString before = mySql.connectionString();
    EXPECT_EQ(use(mySql,
                  [&] {
                      EXPECT_EQ(control<QLineEdit>(mySql, "MyPEdit")->text(),
                                QStringLiteral("heslo"));
                      typeText(mySql, "MyPortEdit", QString());
                      mySql.close();
                  }),
              QDialog::Rejected);
    EXPECT_EQ(mySql.connectionString(), before);
    use(mySql, [&] { click(mySql, "OKBtn"); });
    EXPECT_TRUE(mySql.connectionString().contains(QStringLiteral(";PORT=\";Initial Catalog=")));
}

TEST_F(ConnectDialogs, Screenshot)
{
    const QString folder = qEnvironmentVariable("VORLAN_SCREENSHOT_DIR");
    if (folder.isEmpty())
        GTEST_SKIP() << "set VORLAN_SCREENSHOT_DIR to save a screenshot";
    use(sql, [&] {
        typeText(sql, "DSEdit", QStringLiteral("SRV01"));
        click(sql, "aSqlRB");
        click(sql, "csEditBtn");
        EXPECT_TRUE(sql.grab().save(QDir(folder).filePath(QStringLiteral("sql_dialog.png"))));
        click(sql, "cancelBtn");
    });
    use(mySql, [&] {
        typeText(mySql, "MyPEdit", QStringLiteral("heslo"));
        EXPECT_TRUE(mySql.grab().save(QDir(folder).filePath(QStringLiteral("mysql_dialog.png"))));
        click(mySql, "cancelBtn");
    });
}
