#include "basic/ProgramPaths.h"
#include "basic/DateStamp.h"

#include <QDir>
#include <QFile>
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
