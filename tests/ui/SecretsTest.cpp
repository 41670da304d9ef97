// A whole session with a password of its own: connects that fail and succeed, a query, the
// history, both exports, a failing statement and a source connect of the import. Afterwards no
// file under the program folder or the temporary folder holds the password, in any of the
// encodings the program writes, and no message the program showed names it.
#include "ResultFixture.h"

#include "data/VRLDM.h"
#include "import/qZ_dImport.h"

#include <QDateTime>
#include <QDirIterator>
#include <QFileInfo>

using namespace vrl;
using namespace vrl::test;

namespace {

const QString kUser = QStringLiteral("vorlan_tajny");
// Characters that need braces in an ODBC string and a blank, so that the writer's quoting is
// part of what must not leak.
const QString kPassword = QStringLiteral("Tajne;7}q Heslo=42");

// Files under the folder written since the time given that hold the text as UTF-8 (which
// covers windows-1250 for this ASCII text) or as UTF-16; the test server's own folder is left
// out, and so is what was there before (a clone of these sources, for one).
QStringList filesHolding(const QString &folder, const QString &text, const QString &except,
                         const QDateTime &since)
{
    const QByteArray utf8 = text.toUtf8();
    const QByteArray utf16(reinterpret_cast<const char *>(text.utf16()),
                           text.size() * qsizetype(sizeof(char16_t)));
    QStringList found;
    QDirIterator files(folder, QDir::Files | QDir::Hidden | QDir::NoSymLinks,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString path = files.next();
        if ((!except.isEmpty() && path.startsWith(except))
            || files.fileInfo().lastModified() < since)
            continue;
        QFile file(path);
        if (file.size() > 64 * 1024 * 1024 || !file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = file.readAll();
        if (bytes.contains(utf8) || bytes.contains(utf16))
            found << path;
    }
    return found;
}

class SecretsTest : public ResultFixture
{
protected:
    void TearDown() override
    {
        onServer({ QStringLiteral("DROP USER IF EXISTS '%1'@'127.0.0.1'").arg(kUser) });
        ResultFixture::TearDown();
    }
};

} // namespace

TEST_F(SecretsTest, NoFileAndNoMessageHoldsThePassword)
{
    // File times may be coarser than the clock: a second of margin.
    const QDateTime start = QDateTime::currentDateTime().addSecs(-1);
    const QString database = databaseOfThisTest(QStringLiteral("sec"));
    freshDatabase(database,
                  { QStringLiteral("CREATE TABLE zbozi (id INT PRIMARY KEY, nazev VARCHAR(20))"),
                    QStringLiteral("INSERT INTO zbozi VALUES (1, 'Šroub'), (2, 'Matice')") });
    onServer(
        { QStringLiteral("DROP USER IF EXISTS '%1'@'127.0.0.1'").arg(kUser),
          QStringLiteral("CREATE USER '%1'@'127.0.0.1' IDENTIFIED BY '%2'").arg(kUser, kPassword),
          QStringLiteral("GRANT ALL PRIVILEGES ON *.* TO '%1'@'127.0.0.1'").arg(kUser) });

    // A wrong password first: the driver's refusal is shown, the string is not.
    connectMySql(form, prompts, database, kPassword + QStringLiteral("x"), kUser);
    ASSERT_FALSE(DM().vrlConnect.isConnected());
    ASSERT_FALSE(prompts.texts().isEmpty());
    connectMySql(form, prompts, database, kPassword, kUser);
    ASSERT_TRUE(DM().vrlConnect.isConnected()) << prompts.texts().join(u'|').toStdString();
    chooseTable(form, QStringLiteral("zbozi"));

    run(QStringLiteral("SELECT * FROM zbozi"));
    ASSERT_TRUE(enabled("saveHistBtn"));
    click(form, "saveHistBtn");
    prompts.answerFile(path(QStringLiteral("zbozi.csv")));
    click(form, "qExpBtn");
    prompts.answerFile(path(QStringLiteral("zbozi.xml")));
    click(form, "qXMLBtn");
    ASSERT_TRUE(QFileInfo::exists(path(QStringLiteral("zbozi.xml"))));
    run(QStringLiteral("SELECT * FROM neni_tu"));

    // The import's source refused with a wrong password too.
    prompts.answerModal([&](QDialog &window) {
        auto &w = *form.findChild<TdImpForm *>(QStringLiteral("dImpForm"));
        clickItem(w, "diTypeRG", 3);
        answerMySqlDialog(form, prompts, database, kPassword + QStringLiteral("y"), kUser);
        click(w, "diConnectBtn");
        click(window, "diExitBtn");
        return window.result();
    });
    click(form, "importBtn");

    const QString serverFolder
        = QFileInfo(qEnvironmentVariable("VORLAN_TEST_MARIADB_SOCKET")).absolutePath();
    EXPECT_EQ(filesHolding(m_folder.path(), kPassword, QString(), start), QStringList());
    EXPECT_EQ(filesHolding(QDir::tempPath(), kPassword, serverFolder, start), QStringList());
    QStringList naming;
    for (const auto &record : prompts.records()) {
        if (record.text.contains(kPassword) || record.text.contains(QStringLiteral("Tajne;7")))
            naming << record.kind + QStringLiteral(": ") + record.text;
    }
    EXPECT_EQ(naming, QStringList());
    // What the user was told: the refusals and the failing statement, by the driver's words.
    EXPECT_GE(prompts.texts().filter(QStringLiteral("Access denied")).size(), 2)
        << prompts.texts().join(u'|').toStdString();
    EXPECT_EQ(prompts.texts().filter(QStringLiteral("neni_tu")).size(), 1);
}
