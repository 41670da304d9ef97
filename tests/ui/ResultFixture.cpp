#include "ResultFixture.h"

#include "data/VRLDM.h"
#include "query/QueryArea.h"

#include <QComboBox>
#include <QPlainTextEdit>

namespace vrl::test {

void ResultFixture::SetUp()
{
    NEEDS_SERVER();
    m_previousHome = qgetenv("VORLAN_HOME");
    qputenv("VORLAN_HOME", m_folder.path().toUtf8());
}

void ResultFixture::TearDown()
{
    if (m_previousHome.isEmpty())
        qunsetenv("VORLAN_HOME");
    else
        qputenv("VORLAN_HOME", m_previousHome);
}

void ResultFixture::openDatabase(const QStringList &statements, const QString &table)
{
    const QString database = databaseOfThisTest(QStringLiteral("rs"));
    freshDatabase(database, statements);
    connectMySql(form, prompts, database);
    ASSERT_TRUE(DM().vrlConnect.isConnected()) << prompts.texts().join(u'|').toStdString();
    if (table.isEmpty())
        return;
    chooseTable(form, table);
    ASSERT_TRUE(DM().vrxTbl.isActive());
}

void ResultFixture::run(const QString &statement)
{
    auto *memo = control<QPlainTextEdit>(form, "qMemo");
    memo->setPlainText(statement);
    form.queryArea().qMemoExit(); // leaving the editor enables Go
    click(form, "qGoBtn");
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

} // namespace vrl::test
