// The connect flow of the main window, driven by control name against the real MariaDB server
// of ./dev test, real workbook files and an unreachable SQL Server.
#include "access/Connection.h"
#include "app/Program.h"
#include "app/ProgramSettings.h"
#include "app/VRLMain.h"
#include "data/VRLDM.h"
#include "widgets/RadioGroup.h"
#include "widgets/StatusBar.h"

#include "ServerSession.h"

#include "support/GeneratedWorkbook.h"
#include "support/ProgramFixture.h"
#include "support/ScriptedPrompts.h"
#include "support/UiDriver.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vrl;
using namespace vrl::test;

namespace {

class ConnectFlow : public ProgramFixture
{
protected:
    // A database of this test alone, with the given number of tables and one view.
    QString database(int tables, bool withView = true)
    {
        const QString name = databaseOfThisTest(QStringLiteral("cf"));
        QStringList sql { QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(name),
                          QStringLiteral("CREATE DATABASE `%1`").arg(name) };
        for (int i = 0; i < tables; ++i)
            sql << QStringLiteral("CREATE TABLE `%1`.t%2 (id INT PRIMARY KEY, jméno VARCHAR(20))")
                       .arg(name)
                       .arg(i, 3, 10, QLatin1Char('0'));
        if (withView && tables > 0)
            sql << QStringLiteral("CREATE VIEW `%1`.v_all AS SELECT * FROM `%1`.t000").arg(name);
        onServer(sql);
        return name;
    }

    void connectMySql(const QString &database, const QString &password = QStringLiteral("vorlan"))
    {
        test::connectMySql(form, prompts, database, password);
    }

    QStringList tableChoice()
    {
        QStringList items;
        const auto *choice = control<QComboBox>(form, "TblSelCoB");
        for (int i = 0; i < choice->count(); ++i)
            items << choice->itemText(i);
        return items;
    }
    QString statusText() { return control<StatusBar>(form, "tblSB")->panelText(1); }
    int choice() { return control<RadioGroup>(form, "dbaseRG")->itemIndex(); }

    void expectCancelledState()
    {
        EXPECT_EQ(form.windowTitle(), QStringLiteral("VRL"));
        EXPECT_EQ(choice(), -1);
        EXPECT_TRUE(shown("connectBtn"));
        EXPECT_FALSE(enabled("connectBtn"));
        EXPECT_FALSE(shown("tblGB"));
        EXPECT_FALSE(shown("queryGB"));
        EXPECT_TRUE(form.connectionLabel().isEmpty());
        EXPECT_TRUE(DM().vrlConnect.connectionString().isEmpty());
    }
};

} // namespace

TEST_F(ConnectFlow, MySqlListsTablesAndViewsOfARealServer)
{
    NEEDS_SERVER();
    const QString name = database(41);
    connectMySql(name);
    ASSERT_TRUE(DM().vrlConnect.isConnected()) << prompts.texts().join(u'|').toStdString();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("OK..."));
    EXPECT_EQ(tableChoice().size(), 42);
    EXPECT_EQ(tableChoice().first(), QStringLiteral("t000"));
    EXPECT_TRUE(tableChoice().contains(QStringLiteral("v_all")));
    EXPECT_EQ(control<QComboBox>(form, "TblSelCoB")->maxVisibleItems(), 42); // 42 names
    EXPECT_EQ(control<QComboBox>(form, "TblSelCoB")->currentText(),
              QStringLiteral("<vyber tabulku>"));
    EXPECT_EQ(statusText(), QStringLiteral(" NEČINNÝ [42]"));
    EXPECT_EQ(form.connectionLabel(), (QStringLiteral("127.0.0.1-") + name).toUpper());
    EXPECT_TRUE(shown("vlImgC"));
    EXPECT_FALSE(shown("vlImgBW"));
    EXPECT_TRUE(shown("tblGB"));
    EXPECT_TRUE(enabled("refreshBtn"));
    for (const char *off : { "recTblBtn", "importBtn", "clipBtn", "tFilterE", "tFilterBtn",
                             "tSearchBtn", "sSearchBtn", "qGoBtn", "saveHistBtn" })
        EXPECT_FALSE(enabled(off)) << off;

    // Choosing "disconnect" hides everything but leaves the connection open.
    clickItem(form, "dbaseRG", 4);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("OFF"));
    EXPECT_FALSE(enabled("connectBtn"));
    EXPECT_FALSE(shown("tblGB"));
    EXPECT_TRUE(DM().vrlConnect.isConnected());
}

TEST_F(ConnectFlow, TheDropDownRowsFollowTheTableCount)
{
    NEEDS_SERVER();
    connectMySql(database(41, false));
    EXPECT_EQ(control<QComboBox>(form, "TblSelCoB")->maxVisibleItems(), 42);
    connectMySql(database(0));
    EXPECT_EQ(control<QComboBox>(form, "TblSelCoB")->maxVisibleItems(), 1);
    EXPECT_EQ(statusText(), QStringLiteral(" NEČINNÝ [0]"));
    EXPECT_TRUE(tableChoice().isEmpty());
}

TEST_F(ConnectFlow, AFailedSecondConnectLeavesNoConnectionOpen)
{
    NEEDS_SERVER();
    connectMySql(database(1));
    ASSERT_TRUE(DM().vrlConnect.isConnected());
    prompts.allowErrors();
    connectMySql(QStringLiteral("vorlan_nikde"), QStringLiteral("špatně"));
    EXPECT_FALSE(DM().vrlConnect.isConnected());
    const QStringList messages = prompts.textsOf(QStringLiteral("message"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("chyba připojení:\n\r[")));
    EXPECT_TRUE(messages[0].contains(QStringLiteral("Access denied")));
    EXPECT_TRUE(messages[0].endsWith(QLatin1Char(']')));
    EXPECT_TRUE(enabled("connectBtn")); // the user may press it again
}

TEST_F(ConnectFlow, TheLabelIsUpperCasedWithTheLocaleRules)
{
    NEEDS_SERVER();
    onServer({ QStringLiteral("DROP DATABASE IF EXISTS `účty`"),
               QStringLiteral("CREATE DATABASE `účty`") });
    connectMySql(QStringLiteral("účty"));
    ASSERT_TRUE(DM().vrlConnect.isConnected()) << prompts.texts().join(u'|').toStdString();
    EXPECT_EQ(form.connectionLabel(), QStringLiteral("127.0.0.1-ÚČTY"));
}

TEST_F(ConnectFlow, RefreshReloadsAndSaysWhenTheDatabaseIsGone)
{
    NEEDS_SERVER();
    const QString name = database(2);
    connectMySql(name);
    ASSERT_TRUE(DM().vrlConnect.isConnected());
    onServer({ QStringLiteral("CREATE TABLE `%1`.nová (a INT)").arg(name) });
    click(form, "refreshBtn");
    EXPECT_TRUE(tableChoice().contains(QStringLiteral("nová")));
    EXPECT_EQ(DM().vrxTbl.connection(), &DM().vrlConnect);

    // The database disappears: the reopen fails in the general error report and the
    // datasets stay detached until a refresh or connect succeeds.
    onServer({ QStringLiteral("DROP DATABASE `%1`").arg(name) });
    prompts.allowErrors();
    click(form, "refreshBtn");
    EXPECT_EQ(prompts.textsOf(QStringLiteral("error")).size(), 1);
    EXPECT_FALSE(DM().vrlConnect.isConnected());
    EXPECT_EQ(DM().vrxTbl.connection(), nullptr);
    EXPECT_EQ(statusText(), QStringLiteral(" čekej(te)..."));
}

TEST_F(ConnectFlow, AConnectAfterAFailedRefreshAttachesTheDatasetsAgain)
{
    NEEDS_SERVER();
    const QString gone = database(1, false);
    connectMySql(gone);
    ASSERT_TRUE(DM().vrlConnect.isConnected());
    selectEntry(form, "TblSelCoB", 0);
    ASSERT_TRUE(DM().vrxTbl.isActive());

    onServer({ QStringLiteral("DROP DATABASE `%1`").arg(gone) });
    prompts.allowErrors();
    click(form, "refreshBtn");
    ASSERT_EQ(prompts.textsOf(QStringLiteral("error")).size(), 1);

    // Another database through the connect command: its tables open as if nothing had failed.
    const QString other = QStringLiteral("vorlan_cf_other");
    onServer({ QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(other),
               QStringLiteral("CREATE DATABASE `%1`").arg(other),
               QStringLiteral("CREATE TABLE `%1`.t (id INT PRIMARY KEY)").arg(other),
               QStringLiteral("INSERT INTO `%1`.t VALUES (1), (2)").arg(other) });
    clickItem(form, "dbaseRG", 4);
    connectMySql(other);
    ASSERT_TRUE(DM().vrlConnect.isConnected()) << prompts.texts().join(u'|').toStdString();
    EXPECT_EQ(DM().vrxTbl.connection(), &DM().vrlConnect);
    EXPECT_EQ(form.vrxQuery().connection(), &DM().vrlConnect);
    selectEntry(form, "TblSelCoB", 0);
    EXPECT_TRUE(prompts.textsOf(QStringLiteral("message")).isEmpty())
        << prompts.texts().join(u'|').toStdString();
    EXPECT_TRUE(DM().vrxTbl.isActive());
    EXPECT_EQ(DM().vrxTbl.recordCount(), 2);
}

TEST_F(ConnectFlow, WorkbookSheetsAreListedInBrackets)
{
    QTemporaryDir dir;
    GeneratedWorkbook book;
    book.addSheet(QStringLiteral("Sheet1"),
                  QStringLiteral("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"));
    book.addSheet(QStringLiteral("Data"),
                  QStringLiteral("<row r=\"1\"><c r=\"A1\"><v>2</v></c></row>"));
    book.addName(QStringLiteral("Totals"), QStringLiteral("Data!$A$1:$A$1"));
    const QString path = dir.filePath(QStringLiteral("kniha.xlsx"));
    book.save(path);

    connectWorkbook(form, prompts, path);
    EXPECT_EQ(tableChoice(),
              QStringList({ QStringLiteral("[Sheet1$]"), QStringLiteral("[Data$]"),
                            QStringLiteral("Totals") }));
    EXPECT_EQ(form.connectionLabel(), QStringLiteral("\\\\..\\KNIHA.XLSX"));
    EXPECT_EQ(DM().vrlODlg.title, QStringLiteral("vyber soubor sešitu MS Excel (XLS):"));
    EXPECT_EQ(DM().vrlODlg.filterIndex, 1);
}

TEST_F(ConnectFlow, CancelledDialogsAndTheOpenCalcKindEndCancelled)
{
    clickItem(form, "dbaseRG", 0);
    prompts.answerModal([](QDialog &dialog) {
        click(dialog, "cancelBtn");
        return dialog.result();
    });
    click(form, "connectBtn");
    expectCancelledState();

    clickItem(form, "dbaseRG", 3);
    prompts.answerFile(QStringLiteral("/tmp/tabulka.ods"));
    click(form, "connectBtn");
    EXPECT_EQ(
        prompts.textsOf(QStringLiteral("message")),
        QStringList({ QStringLiteral("tato verze VRL nepodporuje práci s ODS soubory... sorry") }));
    EXPECT_EQ(DM().vrlODlg.filterIndex, 4);
    expectCancelledState();

    clickItem(form, "dbaseRG", 3);
    prompts.answerFile(QString());
    click(form, "connectBtn");
    EXPECT_EQ(prompts.textsOf(QStringLiteral("message")).size(), 1); // silently this time
    expectCancelledState();
}

TEST_F(ConnectFlow, SqlServerFailureShowsTheDriversMessageAndTheLoginWindowAsks)
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const QString closed = QString::number(probe.serverPort());
    probe.close();
    DM().vrlConnect.setConnectionTimeout(5);

    clickItem(form, "dbaseRG", 0);
    QDialog &dialog = *form.findChild<QDialog *>(QStringLiteral("vrxSQLdlg"));
    const auto describe = [&](bool loginWindow) {
        prompts.answerModal([&, loginWindow](QDialog &) {
            typeText(dialog, "DSEdit", QStringLiteral("127.0.0.1,") + closed);
            typeText(dialog, "CTEdit", QStringLiteral("master"));
            click(dialog, loginWindow ? "aWinRB" : "aSqlRB");
            if (loginWindow)
                click(dialog, "wPromptChB");
            click(dialog, "OKBtn");
            return dialog.result();
        });
    };
    describe(false);
    click(form, "connectBtn");
    ASSERT_EQ(prompts.textsOf(QStringLiteral("message")).size(), 1);
    const QString message = prompts.textsOf(QStringLiteral("message"))[0];
    EXPECT_TRUE(message.startsWith(QStringLiteral("chyba připojení:\n\r[")));
    EXPECT_TRUE(message.contains(QStringLiteral("SQLSTATE 08"))) << message.toStdString();

    describe(true);
    prompts.cancelLogin();
    click(form, "connectBtn");
    EXPECT_TRUE(DM().vrlConnect.loginPrompt());
    EXPECT_EQ(prompts.textsOf(QStringLiteral("message")).last(),
              QStringLiteral("chyba připojení:\n\r[Přihlášení bylo zrušeno.]"));
}

TEST_F(ConnectFlow, Screenshot)
{
    const QString folder = qEnvironmentVariable("VORLAN_SCREENSHOT_DIR");
    if (folder.isEmpty() || serverPort().isEmpty())
        GTEST_SKIP() << "set VORLAN_SCREENSHOT_DIR (and run under ./dev test) for a screenshot";
    connectMySql(database(12));
    auto *choice = control<QComboBox>(form, "TblSelCoB");
    choice->showPopup();
    settle();
    // The drop-down is a window of its own: it is painted onto the main window's picture.
    QPixmap picture = form.grab();
    QWidget *popup = choice->view()->window();
    QPainter painter(&picture);
    painter.drawPixmap(popup->mapToGlobal(QPoint(0, 0)) - form.mapToGlobal(QPoint(0, 0)),
                       popup->grab());
    painter.end();
    EXPECT_TRUE(picture.save(QDir(folder).filePath(QStringLiteral("connected_table_list.png"))));
    choice->hidePopup();
}
