// What the program sends at a SQL Server login, through its own connect flow and the real
// FreeTDS ODBC driver, read on the wire by a listener that answers the pre-login and reads the
// LOGIN7 packet. The listener is no SQL Server: these tests prove what is sent, nothing of
// what a server does with it.
#include "TdsLoginCapture.h"

#include "access/odbc/OdbcProvider.h"
#include "app/VRLMain.h"
#include "data/VRLDM.h"

#include "support/ProgramFixture.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

using namespace vrl;
using namespace vrl::test;

namespace {

class SqlServerLogin : public ProgramFixture
{
protected:
    void SetUp() override
    {
        if (!OdbcProvider::registeredDrivers().contains(QStringLiteral("FreeTDS")))
            GTEST_SKIP() << "FreeTDS (tdsodbc) is not registered";
        DM().vrlConnect.setConnectionTimeout(5);
    }

    // Connects through the SQL Server dialog with SQL authentication (or Windows').
    void connect(const QString &server, const QString &database, const QString &user,
                 const QString &password, bool windows = false, bool loginWindow = false)
    {
        clickItem(form, "dbaseRG", 0);
        QDialog &dialog = *form.findChild<QDialog *>(QStringLiteral("vrxSQLdlg"));
        prompts.answerModal([&, windows, loginWindow](QDialog &) {
            typeText(dialog, "DSEdit", server);
            typeText(dialog, "CTEdit", database);
            if (windows) {
                click(dialog, "aWinRB");
                if (loginWindow)
                    click(dialog, "wPromptChB");
            } else {
                click(dialog, "aSqlRB");
                typeText(dialog, "aSqlLoginE", user);
                typeText(dialog, "aSqlPswdE", password);
            }
            click(dialog, "OKBtn");
            return dialog.result();
        });
        click(form, "connectBtn");
    }
    QStringList messages() { return prompts.textsOf(QStringLiteral("message")); }
};

} // namespace

TEST_F(SqlServerLogin, TheLoginArrivesAsTheUserTypedIt)
{
    TdsLoginCapture wire;
    const QString password = QStringLiteral("a;b\"c'd{e}f}}g Žluťoučký");
    const QString user = QStringLiteral("účetní;{x}");
    connect(QStringLiteral("127.0.0.1,%1").arg(wire.port()), QStringLiteral("Účetnictví 2024"),
            user, password);
    const auto login = wire.login();
    ASSERT_TRUE(login) << messages().join(u'|').toStdString();
    EXPECT_EQ(login->user, user);
    EXPECT_EQ(login->password, password);
    EXPECT_EQ(login->database, QStringLiteral("Účetnictví 2024"));
    EXPECT_EQ(login->server, QStringLiteral("127.0.0.1"));
    EXPECT_EQ(login->application, QStringLiteral("Vorlan"));
    EXPECT_FALSE(login->integratedSecurity);
    EXPECT_EQ(login->tdsVersion, 0x730B0003u); // TDS 7.3
    // The listener closed the connection: the connect fails with the driver's words.
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].startsWith(QStringLiteral("chyba připojení:\n\r[")));
    EXPECT_FALSE(DM().vrlConnect.isConnected());
}

TEST_F(SqlServerLogin, TheLoginWindowsAnswerArrivesAsTyped)
{
    TdsLoginCapture wire;
    prompts.answerLogin(QStringLiteral("jan.novák"), QStringLiteral("{tajné} ;\"'x"));
    connect(QStringLiteral("127.0.0.1,%1").arg(wire.port()), QStringLiteral("master"), {}, {}, true,
            true);
    const auto login = wire.login();
    ASSERT_TRUE(login) << messages().join(u'|').toStdString();
    EXPECT_EQ(login->user, QStringLiteral("jan.novák"));
    EXPECT_EQ(login->password, QStringLiteral("{tajné} ;\"'x"));
    EXPECT_EQ(login->database, QStringLiteral("master"));
    EXPECT_FALSE(login->integratedSecurity);

    // A name with a domain makes FreeTDS log in with the Windows account (NTLM): the packet
    // carries no name or password of its own, only the security exchange.
    TdsLoginCapture domain;
    prompts.answerLogin(QStringLiteral("FIRMA\\jan"), QStringLiteral("heslo"));
    connect(QStringLiteral("127.0.0.1,%1").arg(domain.port()), QStringLiteral("master"), {}, {},
            true, true);
    const auto windows = domain.login();
    ASSERT_TRUE(windows) << messages().join(u'|').toStdString();
    EXPECT_TRUE(windows->integratedSecurity);
    EXPECT_GT(windows->sspiBytes, 0);
    EXPECT_TRUE(windows->user.isEmpty());
    EXPECT_TRUE(windows->password.isEmpty());
}

TEST_F(SqlServerLogin, WindowsAuthenticationSaysWhyInCzechAndNeverHangs)
{
    TdsLoginCapture wire;
    QElapsedTimer clock;
    clock.start();
    connect(QStringLiteral("127.0.0.1,%1").arg(wire.port()), QStringLiteral("master"), {}, {},
            true);
    EXPECT_LT(clock.elapsed(), 10000);
    // FreeTDS gave "Unable to connect to data source" alone.
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].startsWith(
        QStringLiteral("chyba připojení:\n\r[Přihlášení účtem Windows se nepodařilo. Mimo Windows "
                       "je možné jen přes Kerberos")))
        << messages()[0].toStdString();
    EXPECT_TRUE(messages()[0].contains(QStringLiteral("[FreeTDS]")));
    EXPECT_FALSE(DM().vrlConnect.isConnected());
}

TEST_F(SqlServerLogin, AServerThatNeverAnswersEndsWithinTheLoginTimeout)
{
    TdsLoginCapture silent(TdsLoginCapture::Mode::Silent);
    DM().vrlConnect.setConnectionTimeout(3);
    // The window keeps painting while the driver waits: a timer of its event loop ticks.
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);
    QElapsedTimer clock;
    clock.start();
    connect(QStringLiteral("127.0.0.1,%1").arg(silent.port()), QStringLiteral("master"),
            QStringLiteral("sa"), QStringLiteral("x"));
    ticker.stop();
    EXPECT_LT(clock.elapsed(), 3000 + 2000);
    EXPECT_GT(ticks, 50);
    EXPECT_GE(silent.connections(), 1);
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].startsWith(QStringLiteral("chyba připojení:\n\r[")));
    EXPECT_TRUE(messages()[0].contains(QStringLiteral("Timeout expired")))
        << messages()[0].toStdString();
}
