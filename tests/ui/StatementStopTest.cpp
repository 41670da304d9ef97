// Statements that wait on the server while the window lives on: the window paints meanwhile,
// Esc stops the statement, the connection serves the next one, and a close during a wait
// stops it first. Against the MariaDB server of ./dev test.
#include "ServerSession.h"

#include "access/Connection.h"
#include "access/DataError.h"
#include "basic/WindowServerWait.h"
#include "data/VRLDM.h"
#include "query/QueryArea.h"

#include "support/ProgramFixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolTip>

#include <thread>

using namespace vrl;
using namespace vrl::test;

namespace {

class StatementStop : public ProgramFixture
{
protected:
    void SetUp() override
    {
        NEEDS_SERVER();
        m_database = databaseOfThisTest(QStringLiteral("st"));
        freshDatabase(m_database,
                      { QStringLiteral("CREATE TABLE položky (id INT PRIMARY KEY, počet INT) "
                                       "ENGINE=InnoDB"),
                        QStringLiteral("INSERT INTO položky VALUES (1, 10), (2, 20)") });
        connectMySql(form, prompts, m_database);
        ASSERT_TRUE(DM().vrlConnect.isConnected()) << prompts.texts().join(u'|').toStdString();
    }
    void run(const QString &statement)
    {
        control<QPlainTextEdit>(form, "qMemo")->setPlainText(statement);
        form.queryArea().qMemoExit();
        click(form, "qGoBtn");
    }
    // Presses Esc after a while, as the user would during the wait.
    void escAfter(int ms)
    {
        QTimer::singleShot(ms, &form, [this] { QTest::keyClick(&form, Qt::Key_Escape); });
    }
    QStringList messages() { return prompts.textsOf(QStringLiteral("message")); }
    QString onServer(const QString &sql)
    {
        return valueOnServer(sql.arg(QStringLiteral("`%1`.").arg(m_database)));
    }

    QString m_database;
};

const QString kStoppedFailure
    = QStringLiteral("Při provádění příkazu došlo k chybě:\n\r\n\rPříkaz byl zastaven uživatelem.");

} // namespace

TEST_F(StatementStop, EscStopsALongStatementWhileTheWindowPaintsAndTheNextOneRuns)
{
    // The window's event loop turns while the statement runs: a timer keeps ticking.
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);
    QString hint, caption;
    QTimer::singleShot(500, &form, [&] {
        auto *go = control<QPushButton>(form, "qGoBtn");
        hint = go->toolTip();
        caption = go->text();
        const QString folder = qEnvironmentVariable("VORLAN_SCREENSHOT_DIR");
        if (!folder.isEmpty()) {
            // The window as it paints during the wait, with the Go button's hint as a hover
            // shows it.
            QToolTip::showText(go->mapToGlobal(QPoint(go->width() / 2, go->height())), hint, go);
            QApplication::processEvents();
            QPixmap picture = form.grab();
            for (QWidget *window : QApplication::topLevelWidgets()) {
                if (window->inherits("QTipLabel") && window->isVisible()) {
                    QPainter painter(&picture);
                    painter.drawPixmap(form.mapFromGlobal(window->pos()), window->grab());
                }
            }
            picture.save(QDir(folder).filePath(QStringLiteral("statement_wait.png")));
            QToolTip::hideText();
        }
        QTest::keyClick(&form, Qt::Key_Escape);
    });
    QElapsedTimer clock;
    clock.start();
    run(QStringLiteral("SELECT SLEEP(30)"));
    ticker.stop();
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_GT(ticks, 20);
    EXPECT_EQ(caption, QStringLiteral("wait..."));
    EXPECT_EQ(hint, QStringLiteral("Esc zastaví příkaz"));
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].startsWith(kStoppedFailure)) << messages()[0].toStdString();
    EXPECT_FALSE(shown("queryGB"));
    auto *go = control<QPushButton>(form, "qGoBtn");
    EXPECT_EQ(go->text(), QStringLiteral("&Go!"));
    EXPECT_EQ(go->toolTip(), QStringLiteral("vykoná zadaný SQL příkaz"));

    // The connection serves the next statement.
    prompts.clear();
    run(QStringLiteral("SELECT počet FROM položky ORDER BY id"));
    EXPECT_TRUE(messages().isEmpty()) << messages().join(u'|').toStdString();
    EXPECT_TRUE(shown("queryGB"));
    EXPECT_EQ(form.vrxQuery().recordCount(), 2);
}

TEST_F(StatementStop, AStoppedUpdateOfALockedRowChangesNothing)
{
    // Another session holds the row.
    Connection other;
    other.setConnectionString(QStringLiteral("Provider=MSDASQL.1;Extended Properties=\"")
                              + qEnvironmentVariable("VORLAN_TEST_ODBC") + QStringLiteral("\""));
    other.open();
    other.provider().run(QStringLiteral("USE `%1`").arg(m_database));
    other.provider().run(QStringLiteral("START TRANSACTION"));
    other.provider().run(QStringLiteral("SELECT * FROM položky WHERE id = 1 FOR UPDATE"));

    escAfter(500);
    QElapsedTimer clock;
    clock.start();
    run(QStringLiteral("UPDATE položky SET počet = 99 WHERE id = 1"));
    EXPECT_LT(clock.elapsed(), 5000);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].startsWith(kStoppedFailure)) << messages()[0].toStdString();
    other.provider().run(QStringLiteral("ROLLBACK"));
    other.close();
    EXPECT_EQ(onServer(QStringLiteral("SELECT počet FROM %1položky WHERE id = 1")),
              QStringLiteral("10"));

    prompts.clear();
    run(QStringLiteral("UPDATE položky SET počet = 11 WHERE id = 1"));
    EXPECT_EQ(messages(), QStringList({ QStringLiteral("OK [1]") }));
}

TEST_F(StatementStop, AStopAsTheStatementEndsLetsItsResultStand)
{
    // A statement that ends on its own although a stop was asked for meanwhile (the stop came
    // too late for the server to act on it): its result stands and nothing is reported.
    auto *wait = dynamic_cast<WindowServerWait *>(serverWait());
    ASSERT_TRUE(wait);
    bool cancelled = false;
    QTimer::singleShot(100, &form, [&] { QTest::keyClick(&form, Qt::Key_Escape); });
    int result = 0;
    wait->commandStarted();
    EXPECT_NO_THROW(wait->wait(
        [&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
            result = 42;
        },
        [&] { cancelled = true; }));
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(result, 42);
    EXPECT_FALSE(wait->lastWaitStopped());
    // The stop holds for the rest of the command: its next statement is not sent.
    bool sent = false;
    EXPECT_THROW(wait->wait([&] { sent = true; }, [] {}), DataError);
    EXPECT_FALSE(sent);
    EXPECT_TRUE(wait->lastWaitStopped());
    // The next command runs again.
    wait->commandStarted();
    EXPECT_NO_THROW(wait->wait([&] { sent = true; }, [] {}));
    EXPECT_TRUE(sent);
}

TEST_F(StatementStop, ClosingTheWindowDuringAWaitStopsTheStatementAndAsksNothing)
{
    form.show();
    prompts.clear();
    QTimer::singleShot(400, &form, [this] { form.close(); });
    QElapsedTimer clock;
    clock.start();
    run(QStringLiteral("SELECT SLEEP(30)"));
    EXPECT_LT(clock.elapsed(), 5000);
    QCoreApplication::processEvents();
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(prompts.records().isEmpty()) << prompts.texts().join(u'|').toStdString();
}

TEST_F(StatementStop, AStoppedTableOpenLeavesNoTableOpenAndTheChoiceReady)
{
    vrl::test::onServer(
        { QStringLiteral("CREATE VIEW `%1`.pomalý AS SELECT SLEEP(20) AS s").arg(m_database) });
    click(form, "refreshBtn");
    prompts.clear();
    escAfter(500);
    QElapsedTimer clock;
    clock.start();
    chooseTable(form, QStringLiteral("pomalý"));
    EXPECT_LT(clock.elapsed(), 5000);
    const QStringList shownMessages = prompts.texts();
    ASSERT_FALSE(shownMessages.isEmpty());
    EXPECT_TRUE(
        shownMessages.join(u'|').contains(QStringLiteral("Příkaz byl zastaven uživatelem.")))
        << shownMessages.join(u'|').toStdString();
    EXPECT_FALSE(DM().vrxTbl.isActive());
    EXPECT_TRUE(enabled("TblSelCoB"));

    // The next table opens.
    prompts.clear();
    chooseTable(form, QStringLiteral("položky"));
    EXPECT_TRUE(DM().vrxTbl.isActive());
}
