// Faults from outside against the real server and the real disk: the server drops the
// program's connection while a table opens, a statement runs or the database-wide search reads,
// and a disk that is full takes an export or the history (the import run: ImportTest); a server
// of the test's own dies outright. Each time the user reads what failed, nothing claims success,
// and the program goes on: a new connect works.
#include "PrivateServer.h"
#include "ResultFixture.h"

#include "app/VRLMain.h"
#include "data/VRLDM.h"
#include "table/TableArea.h"

#include <QDir>
#include <QFile>
#include <QPushButton>

using namespace vrl;
using namespace vrl::test;

namespace {

const QStringList kGoods { QStringLiteral("CREATE TABLE zbozi (id INT PRIMARY KEY, nazev "
                                          "VARCHAR(20))"),
                           QStringLiteral("INSERT INTO zbozi VALUES (1, 'Šroub'), (2, 'Matice')"),
                           // Each row takes a second to read, long enough to be cut off.
                           QStringLiteral("CREATE VIEW pomalu AS SELECT SLEEP(1) AS s, id FROM "
                                          "zbozi") };

class FaultInjection : public ResultFixture
{
protected:
    QString database() const { return databaseOfThisTest(QStringLiteral("rs")); }
    // A new connect and a statement that shows its rows: the program goes on.
    void reconnectAndQuery()
    {
        connectMySql(form, prompts, database());
        ASSERT_TRUE(DM().vrlConnect.isConnected());
        run(QStringLiteral("SELECT * FROM zbozi"));
        EXPECT_TRUE(form.vrxQuery().isActive());
        EXPECT_EQ(form.vrxQuery().recordCount(), 2);
    }
    QPushButton &goButton() { return *control<QPushButton>(form, "qGoBtn"); }
};

} // namespace

TEST_F(FaultInjection, AConnectionKilledWhileAStatementRunsIsReportedAndAConnectGoesOn)
{
    openDatabase(kGoods, QStringLiteral("zbozi"));
    prompts.clear();
    {
        ConnectionKiller killer(database(), QStringLiteral("FROM pomalu"));
        run(QStringLiteral("SELECT * FROM pomalu"));
        ASSERT_TRUE(killer.killed());
    }
    ASSERT_EQ(messages().size(), 1) << messages().join(u'|').toStdString();
    EXPECT_TRUE(messages()[0].startsWith(QStringLiteral("Při provádění příkazu došlo k chybě:")))
        << messages()[0].toStdString();
    EXPECT_FALSE(form.vrxQuery().isActive());
    EXPECT_EQ(goButton().text(), QStringLiteral("&Go!"));
    EXPECT_TRUE(goButton().isEnabled());
    reconnectAndQuery();
}

TEST_F(FaultInjection, AConnectionKilledWhileATableOpensIsReportedAndAConnectGoesOn)
{
    openDatabase(kGoods);
    prompts.clear();
    prompts.allowErrors();
    {
        ConnectionKiller killer(database(), QStringLiteral("FROM `pomalu`"));
        chooseTable(form, QStringLiteral("pomalu"));
        ASSERT_TRUE(killer.killed());
    }
    EXPECT_FALSE(DM().vrxTbl.isActive());
    ASSERT_FALSE(prompts.texts().isEmpty());
    EXPECT_TRUE(prompts.texts().join(u'|').contains(QStringLiteral("Lost connection")))
        << prompts.texts().join(u'|').toStdString();
    reconnectAndQuery();
    chooseTable(form, QStringLiteral("zbozi"));
    EXPECT_TRUE(DM().vrxTbl.isActive());
}

TEST_F(FaultInjection, AFullDiskFailsTheExportsAndTheHistoryAndNothingClaimsSuccess)
{
    openDatabase(kGoods, QStringLiteral("zbozi"));
    run(QStringLiteral("SELECT * FROM zbozi"));
    prompts.clear();
    prompts.answerFile(QStringLiteral("/dev/full"));
    click(form, "qExpBtn");
    prompts.answerFile(QStringLiteral("/dev/full"));
    click(form, "qXMLBtn");
    ASSERT_EQ(messages().size(), 2) << messages().join(u'|').toStdString();
    EXPECT_EQ(messages()[0], QStringLiteral("CSV export neúspěšný"));
    EXPECT_TRUE(messages()[1].startsWith(QStringLiteral("XML export error")))
        << messages()[1].toStdString();

    // The history file is the full disk.
    ASSERT_TRUE(QDir(m_folder.path()).mkpath(QStringLiteral("VRLHistory")));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/full"), path(QStringLiteral("VRLHistory/.vrh"))));
    prompts.clear();
    prompts.allowErrors();
    click(form, "saveHistBtn");
    ASSERT_EQ(prompts.texts().size(), 1);
    EXPECT_FALSE(prompts.texts()[0].isEmpty());
    EXPECT_TRUE(enabled("saveHistBtn")) << "a history that was not saved can be saved again";

    // A good file afterwards.
    prompts.clear();
    prompts.answerFile(path(QStringLiteral("zbozi.csv")));
    click(form, "qExpBtn");
    EXPECT_EQ(messages(), QStringList { QStringLiteral("CSV export OK [2 záznamů]") });
}

TEST_F(FaultInjection, AConnectionKilledWhileSuperSearchReadsIsReportedAndAConnectGoesOn)
{
    openDatabase(kGoods);
    prompts.clear();
    prompts.allowErrors();
    {
        ConnectionKiller killer(database(), QStringLiteral("pomalu`"));
        typeText(form, "tSearchE", QStringLiteral("tu nic není"));
        form.tableArea().tSearchEExit();
        click(form, "sSearchBtn");
        ASSERT_TRUE(killer.killed());
    }
    EXPECT_TRUE(prompts.texts().join(u'|').contains(QStringLiteral("Lost connection")))
        << prompts.texts().join(u'|').toStdString();
    EXPECT_TRUE(enabled("sSearchBtn"));
    reconnectAndQuery();
}

TEST_F(FaultInjection, AServerKilledWhileAStatementRunsOrATableOpensIsReportedAndServesAgainWhenBack)
{
    PrivateServer server;
    if (!server.failure().isEmpty())
        GTEST_SKIP() << server.failure().toStdString();
    ASSERT_TRUE(server.run(QStringLiteral("CREATE DATABASE sklad; USE sklad;")
                           + kGoods.join(QStringLiteral(";\n")) + QLatin1Char(';')))
        << server.failure().toStdString();
    const auto connect = [&] {
        connectMySql(form, prompts, QStringLiteral("sklad"), QStringLiteral("vorlan"),
                     QStringLiteral("vorlan"), server.port());
    };
    connect();
    ASSERT_TRUE(DM().vrlConnect.isConnected()) << prompts.texts().join(u'|').toStdString();

    // The server dies under a statement.
    prompts.clear();
    server.killDuring(QStringLiteral("FROM pomalu"));
    run(QStringLiteral("SELECT * FROM pomalu"));
    ASSERT_TRUE(server.killed());
    ASSERT_EQ(messages().size(), 1) << messages().join(u'|').toStdString();
    EXPECT_TRUE(messages()[0].startsWith(QStringLiteral("Při provádění příkazu došlo k chybě:")))
        << messages()[0].toStdString();
    EXPECT_FALSE(form.vrxQuery().isActive());
    EXPECT_TRUE(goButton().isEnabled());

    // While it is down, a connect is refused with the driver's words.
    prompts.clear();
    prompts.allowErrors();
    connect();
    EXPECT_FALSE(DM().vrlConnect.isConnected());
    EXPECT_TRUE(prompts.texts().join(u'|').contains(QStringLiteral("Can't connect")))
        << prompts.texts().join(u'|').toStdString();

    // Back again (after its crash recovery), and dead again under a table open.
    ASSERT_TRUE(server.start()) << server.failure().toStdString();
    prompts.clear();
    connect();
    ASSERT_TRUE(DM().vrlConnect.isConnected()) << prompts.texts().join(u'|').toStdString();
    prompts.allowErrors();
    server.killDuring(QStringLiteral("FROM `pomalu`"));
    chooseTable(form, QStringLiteral("pomalu"));
    ASSERT_TRUE(server.killed());
    EXPECT_FALSE(DM().vrxTbl.isActive());
    EXPECT_TRUE(prompts.texts().join(u'|').contains(QStringLiteral("Lost connection")))
        << prompts.texts().join(u'|').toStdString();

    // Back once more: the program serves as before, no row lost.
    ASSERT_TRUE(server.start()) << server.failure().toStdString();
    prompts.clear();
    connect();
    ASSERT_TRUE(DM().vrlConnect.isConnected()) << prompts.texts().join(u'|').toStdString();
    run(QStringLiteral("SELECT * FROM zbozi"));
    EXPECT_EQ(form.vrxQuery().recordCount(), 2);
    chooseTable(form, QStringLiteral("zbozi"));
    EXPECT_TRUE(DM().vrxTbl.isActive());
}
