#include "basic/ProgramPaths.h"
#include "basic/DateStamp.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Sets VORLAN_HOME for one test and puts the previous value back.
class HomeOverride
{
public:
    explicit HomeOverride(const QByteArray &value)
        : m_had(qEnvironmentVariableIsSet("VORLAN_HOME"))
        , m_old(qgetenv("VORLAN_HOME"))
    {
        if (value.isNull())
            qunsetenv("VORLAN_HOME");
        else
            qputenv("VORLAN_HOME", value);
    }
    ~HomeOverride()
    {
        if (m_had)
            qputenv("VORLAN_HOME", m_old);
        else
            qunsetenv("VORLAN_HOME");
    }

private:
    bool m_had;
    QByteArray m_old;
};

// Writes a file with the given modification time.
void writeFile(const QString &path, const QByteArray &content, const QDateTime &modified)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
    file.flush(); // the time set before the data reach the file would not last
    ASSERT_TRUE(file.setFileTime(modified, QFileDevice::FileModificationTime));
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(ProgramPaths, HomeComesFromTheEnvironmentElseTheUserFolder)
{
    {
        HomeOverride home("/srv/vorlan/");
        EXPECT_EQ(vrl::programFolder(), QStringLiteral("/srv/vorlan"));
        EXPECT_EQ(vrl::historyFolder(), QStringLiteral("/srv/vorlan/VRLHistory"));
        EXPECT_EQ(vrl::helpFile(), QStringLiteral("/srv/vorlan/VRLHelp/VORLAN.htm"));
    }
    HomeOverride none(QByteArray {});
    EXPECT_EQ(vrl::programFolder(), QDir::home().filePath(QStringLiteral("VOR_LAN")));
}

TEST(ProgramPaths, FoldersAreCreatedWithTheirParentsOrReportedClearly)
{
    QTemporaryDir dir;
    const QString nested = dir.filePath(QStringLiteral("a/b/VRLHistory"));
    vrl::ensureFolder(nested);
    EXPECT_TRUE(QDir(nested).exists());
    vrl::ensureFolder(nested); // already there: nothing to do

    QFile blocker(dir.filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    try {
        vrl::ensureFolder(dir.filePath(QStringLiteral("file/VRLHistory")));
        FAIL() << "a folder below a file was created";
    } catch (const std::runtime_error &error) {
        EXPECT_TRUE(QString::fromUtf8(error.what()).startsWith(QStringLiteral("Složku ")))
            << error.what();
    }
}

TEST(DateStamp, IsTwoDigitsEachOfYearMonthDay)
{
    EXPECT_EQ(vrl::dateStamp(QDate(2021, 2, 7)), QStringLiteral("210207"));
    EXPECT_EQ(vrl::dateStamp(QDate(2000, 1, 1)), QStringLiteral("000101"));
    EXPECT_EQ(vrl::dateStamp(QDate(1999, 12, 31)), QStringLiteral("991231"));
    EXPECT_EQ(vrl::dateStamp().size(), 6);
}

TEST(ProgramPaths, AnInstalledProgramPutsItsHelpPageWhereTheHelpIsLookedFor)
{
    QTemporaryDir dir;
    HomeOverride home(dir.filePath(QStringLiteral("domov")).toUtf8());
    const QString packaged = dir.filePath(QStringLiteral("share/VORLAN.htm"));
    EXPECT_FALSE(vrl::installPackagedHelp(packaged)) << "no page anywhere";
    EXPECT_FALSE(QFileInfo::exists(vrl::programFolder())) << "nothing made for nothing";

    ASSERT_TRUE(QDir().mkpath(QFileInfo(packaged).absolutePath()));
    QFile page(packaged);
    ASSERT_TRUE(page.open(QIODevice::WriteOnly));
    page.write("<html>balíček</html>");
    page.close();
    EXPECT_TRUE(vrl::installPackagedHelp(packaged));
    QFile copied(vrl::helpFile());
    ASSERT_TRUE(copied.open(QIODevice::ReadOnly));
    EXPECT_EQ(copied.readAll(), QByteArray("<html>balíček</html>"));
    copied.close();

    // The user's own page stays.
    ASSERT_TRUE(copied.open(QIODevice::WriteOnly | QIODevice::Truncate));
    copied.write("moje");
    copied.close();
    EXPECT_TRUE(vrl::installPackagedHelp(packaged));
    ASSERT_TRUE(copied.open(QIODevice::ReadOnly));
    EXPECT_EQ(copied.readAll(), QByteArray("moje"));
}

TEST(ProgramPaths, AnUpgradeReplacesTheHelpPageTheProgramPutThereButNeverTheUsersOwn)
{
    QTemporaryDir dir;
    HomeOverride home(dir.filePath(QStringLiteral("domov")).toUtf8());
    const QString packaged = dir.filePath(QStringLiteral("share/VORLAN.htm"));
    const QDateTime built(QDate(2024, 3, 1), QTime(10, 0), Qt::UTC);
    writeFile(packaged, "<html>verze 1</html>", built);
    EXPECT_FALSE(vrl::updatePackagedHelp(packaged)) << "nothing to update yet";
    ASSERT_TRUE(vrl::installPackagedHelp(packaged));
    EXPECT_FALSE(vrl::updatePackagedHelp(packaged)) << "the same page again";

    // A newer package replaces the page the program put there, even when the copy was made
    // after the newer page was built.
    writeFile(packaged, "<html>verze 2</html>", built.addDays(1));
    EXPECT_TRUE(vrl::updatePackagedHelp(packaged));
    EXPECT_EQ(contentOf(vrl::helpFile()), QByteArray("<html>verze 2</html>"));
    // An older package (a downgrade) leaves it.
    writeFile(packaged, "<html>verze 0</html>", built.addDays(-1));
    EXPECT_FALSE(vrl::updatePackagedHelp(packaged));
    EXPECT_EQ(contentOf(vrl::helpFile()), QByteArray("<html>verze 2</html>"));

    // Once the user has changed the page, it is the user's own.
    writeFile(vrl::helpFile(), "<html>moje poznámky</html>", built.addDays(2));
    writeFile(packaged, "<html>verze 3</html>", built.addDays(3));
    EXPECT_FALSE(vrl::updatePackagedHelp(packaged));
    EXPECT_EQ(contentOf(vrl::helpFile()), QByteArray("<html>moje poznámky</html>"));
}
