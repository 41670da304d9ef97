#include "ServerSession.h"

#include "access/Connection.h"
#include "access/Dataset.h"
#include "app/VRLMain.h"

#include "support/ScriptedPrompts.h"
#include "support/UiDriver.h"

#include <QComboBox>
#include <QDialog>
#include <QFile>

#include <gtest/gtest.h>

#include <chrono>

namespace vrl::test {

QString serverPort()
{
    return qEnvironmentVariable("VORLAN_TEST_MARIADB_PORT");
}

void onServer(const QStringList &statements)
{
    Connection admin;
    admin.setConnectionString(QStringLiteral("Provider=MSDASQL.1;Extended Properties=\"")
                              + qEnvironmentVariable("VORLAN_TEST_ODBC") + QLatin1Char('"'));
    admin.open();
    for (const QString &sql : statements)
        admin.provider().run(sql);
}

QString valueOnServer(const QString &statement)
{
    Connection admin;
    admin.setConnectionString(QStringLiteral("Provider=MSDASQL.1;Extended Properties=\"")
                              + qEnvironmentVariable("VORLAN_TEST_ODBC") + QLatin1Char('"'));
    admin.open();
    Dataset query(Dataset::Kind::Query);
    query.setConnection(&admin);
    query.setCommandText(statement);
    query.open();
    return query.isEmpty() ? QString() : query.field(0).text();
}

QString databaseOfThisTest(const QString &prefix)
{
    const QString test
        = QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
    return QStringLiteral("vorlan_%1_%2").arg(prefix, test.toLower().left(40));
}

QStringList exampleScript(const QString &fileName)
{
    QFile file(QStringLiteral(VORLAN_EXAMPLES_DIR "/") + fileName);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << fileName.toStdString();
    QStringList statements;
    for (QString part : QString::fromUtf8(file.readAll()).split(QStringLiteral(";\n"))) {
        QStringList lines = part.split(QLatin1Char('\n'));
        lines.removeIf([](const QString &line) { return line.startsWith(QLatin1String("--")); });
        part = lines.join(QLatin1Char('\n')).trimmed();
        // The client needs to be told the script's character set; the ODBC driver, whose
        // connection string already says it, refuses to be told again.
        if (!part.isEmpty() && !part.startsWith(QLatin1String("SET NAMES")))
            statements << part;
    }
    return statements;
}

void freshDatabase(const QString &name, const QStringList &statementsInIt)
{
    QStringList sql { QStringLiteral("DROP DATABASE IF EXISTS `%1`").arg(name),
                      QStringLiteral("CREATE DATABASE `%1`").arg(name),
                      QStringLiteral("USE `%1`").arg(name) };
    onServer(sql + statementsInIt);
}

void answerMySqlDialog(TvrlForm &form, ScriptedPrompts &prompts, const QString &database,
                       const QString &password, const QString &user, const QString &port)
{
    QDialog &dialog = *form.findChild<QDialog *>(QStringLiteral("vrxMySQLdlg"));
    prompts.answerModal([&dialog, database, password, user, port](QDialog &) {
        typeText(dialog, "MySEdit", QStringLiteral("127.0.0.1"));
        typeText(dialog, "MyDEdit", database);
        typeText(dialog, "MyUEdit", user);
        typeText(dialog, "MyPEdit", password);
        typeText(dialog, "MyPortEdit", port);
        click(dialog, "OKBtn");
        return dialog.result();
    });
}

void connectMySql(TvrlForm &form, ScriptedPrompts &prompts, const QString &database,
                  const QString &password, const QString &user, const QString &port)
{
    clickItem(form, "dbaseRG", 1);
    answerMySqlDialog(form, prompts, database, password, user, port);
    click(form, "connectBtn");
}

void chooseTable(TvrlForm &form, const QString &table)
{
    const int index = control<QComboBox>(form, "TblSelCoB")->findText(table);
    ASSERT_GE(index, 0) << table.toStdString();
    selectEntry(form, "TblSelCoB", index);
}

void connectWorkbook(TvrlForm &form, ScriptedPrompts &prompts, const QString &path)
{
    clickItem(form, "dbaseRG", 2);
    prompts.answerFile(path);
    click(form, "connectBtn");
}

ConnectionKiller::ConnectionKiller(const QString &database, const QString &marker)
    : m_thread([this, database, marker] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (std::chrono::steady_clock::now() < until) {
            // Only this test's database: other tests run beside it with statements alike.
            const QString id = valueOnServer(
                QStringLiteral("SELECT ID FROM information_schema.PROCESSLIST WHERE DB = '%1' "
                               "AND COMMAND <> 'Sleep' AND COALESCE(INFO, '') LIKE '%%2%' "
                               "AND ID <> CONNECTION_ID()")
                    .arg(database, marker));
            if (!id.isEmpty()) {
                onServer({ QStringLiteral("KILL CONNECTION ") + id });
                m_killed = true;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    })
{ }

ConnectionKiller::~ConnectionKiller()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool ConnectionKiller::killed()
{
    if (m_thread.joinable())
        m_thread.join();
    return m_killed;
}

} // namespace vrl::test
