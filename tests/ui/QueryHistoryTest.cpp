// The history button and the history viewer against the MariaDB server of ./dev test, with
// the program folder in a temporary folder: the records appended, the folder created, the
// failures, the viewer's find cycle.
#include "ResultFixture.h"

#include "basic/AnsiText.h"
#include "basic/DateStamp.h"
#include "query/VRLhistory.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace vrl;
using namespace vrl::test;

namespace {

const QStringList kItems { QStringLiteral("CREATE TABLE položky (id INT PRIMARY KEY, název "
                                          "VARCHAR(30))"),
                           QStringLiteral(
                               "INSERT INTO položky VALUES (1, 'Šroub'), (2, 'Matice')") };
const QString kDone = QStringLiteral("Prohledávání dokončeno.");

class QueryHistoryTest : public ResultFixture
{
protected:
    QString historyFile() const
    {
        return QDir(m_folder.path()).filePath(QStringLiteral("VRLHistory/.vrh"));
    }
    TvrlhForm &viewer() { return *control<TvrlhForm>(form, "vrlhForm"); }
    QPlainTextEdit &shown() { return *control<QPlainTextEdit>(viewer(), "VRLHistEdit"); }
    QString selected() { return shown().textCursor().selectedText(); }
    int selectionStart() { return shown().textCursor().selectionStart(); }
    // Opens the viewer from its menu item and works in it while it is shown.
    void inViewer(std::function<void()> work)
    {
        prompts.answerModal([work](QDialog &) {
            work();
            return int(QDialog::Accepted);
        });
        control<QAction>(form, "gHistoryMItem")->trigger();
    }
};

} // namespace

TEST_F(QueryHistoryTest, SavesAppendRecordsToANewFolderOnceARun)
{
    openDatabase(kItems, QStringLiteral("položky"));
    ASSERT_FALSE(QFileInfo::exists(QDir(m_folder.path()).filePath(QStringLiteral("VRLHistory"))));
    run(QStringLiteral("SELECT *\n\n  \nFROM položky"));
    ASSERT_TRUE(enabled("saveHistBtn"));
    click(form, "saveHistBtn");
    EXPECT_FALSE(enabled("saveHistBtn"));

    run(QStringLiteral("select id\n*\n2 AS x\n#_x\nfrom položky"));
    click(form, "saveHistBtn");
    const QString stamp = dateStamp();
    EXPECT_EQ(fileBytes(historyFile()),
              toAnsi(QStringLiteral("#_položky_%1\r\nSELECT *\r\n  \r\nFROM položky\r\n*\r\n"
                                    "#_položky_%1\r\nselect id\r\n*\r\n2 AS x\r\n#_x\r\nfrom "
                                    "položky\r\n*\r\n")
                         .arg(stamp)));
    EXPECT_TRUE(messages().isEmpty()) << messages().join(u'|').toStdString();

    // What the code page cannot hold is written as "?", and the user is told.
    run(QStringLiteral("SELECT '漢' FROM DUAL"));
    click(form, "saveHistBtn");
    EXPECT_EQ(messages(), QStringList({ ansiReplacedWarning(1) }));
    EXPECT_TRUE(fileBytes(historyFile()).endsWith("SELECT '?' FROM DUAL\r\n*\r\n"));
}

TEST_F(QueryHistoryTest, AFolderThatIsAFileIsReportedAndTheButtonStaysUsable)
{
    openDatabase(kItems, QStringLiteral("položky"));
    QFile blocker(QDir(m_folder.path()).filePath(QStringLiteral("VRLHistory")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    run(QStringLiteral("SELECT * FROM položky"));
    prompts.clear();
    prompts.allowErrors();
    click(form, "saveHistBtn");
    ASSERT_EQ(prompts.textsOf(QStringLiteral("error")).size(), 1);
    EXPECT_TRUE(prompts.textsOf(QStringLiteral("error"))[0].contains(QStringLiteral("VRLHistory")));
    EXPECT_TRUE(enabled("saveHistBtn"));
}

TEST_F(QueryHistoryTest, WithoutATableTheRecordAndTheViewerHaveNoName)
{
    openDatabase(kItems);
    prompts.clear();
    control<QAction>(form, "gHistoryMItem")->trigger();
    // The empty preset text leaves two blanks in a row; the viewer is not shown.
    EXPECT_EQ(prompts.texts(),
              QStringList({ QStringLiteral("Soubor historie  není k dispozici.") }));

    run(QStringLiteral("SELECT 1 FROM DUAL"));
    click(form, "saveHistBtn");
    EXPECT_EQ(fileBytes(historyFile()),
              toAnsi(QStringLiteral("#__%1\r\nSELECT 1 FROM DUAL\r\n*\r\n").arg(dateStamp())));
    inViewer([this] {
        EXPECT_EQ(control<QLineEdit>(viewer(), "FindE")->text(), QString());
        EXPECT_FALSE(control<QPushButton>(viewer(), "vrlhFindBtn")->isEnabled());
        EXPECT_EQ(shown().toPlainText(),
                  QStringLiteral("#__%1\nSELECT 1 FROM DUAL\n*").arg(dateStamp()));
    });
}

TEST_F(QueryHistoryTest, TheViewerFindsCaseInsensitivelyAndStartsAgainAfterTheEnd)
{
    openDatabase(kItems, QStringLiteral("položky"));
    for (const QString &statement :
         { QStringLiteral("SELECT * FROM položky"), QStringLiteral("select id from položky") }) {
        run(statement);
        click(form, "saveHistBtn");
    }
    prompts.clear();
    const int second
        = QStringLiteral("#_položky_%1\nSELECT * FROM položky\n*\n").arg(dateStamp()).size();
    inViewer([&] {
        EXPECT_EQ(viewer().windowTitle(), QStringLiteral("VRL history file"));
        EXPECT_FALSE(viewer().windowFlags() & Qt::WindowCloseButtonHint);
        EXPECT_EQ(viewer().minimumSize(), viewer().maximumSize());
        auto *find = control<QLineEdit>(viewer(), "FindE");
        EXPECT_EQ(find->text(), QStringLiteral("položky"));
        ASSERT_TRUE(control<QPushButton>(viewer(), "vrlhFindBtn")->isEnabled());

        // Record to record of the table: 2 headers and 2 statements hold its name.
        QList<int> starts;
        for (int hit = 0; hit < 4; ++hit) {
            click(viewer(), "vrlhFindBtn");
            EXPECT_EQ(selected(), QStringLiteral("položky"));
            starts << selectionStart();
            EXPECT_EQ(viewer().findPosition(), starts.last() + 1);
        }
        EXPECT_EQ(starts[0], 2);
        EXPECT_EQ(starts[2], second + 2);
        click(viewer(), "vrlhFindBtn");
        EXPECT_EQ(messages(), QStringList({ kDone }));
        EXPECT_EQ(viewer().findPosition(), 0);
        click(viewer(), "vrlhFindBtn");
        EXPECT_EQ(selectionStart(), starts[0]);

        // Small letters find capitals; leaving the edit starts the find from the top.
        find->setText(QStringLiteral("SELECT"));
        viewer().FindEExit();
        click(viewer(), "vrlhFindBtn");
        click(viewer(), "vrlhFindBtn");
        EXPECT_EQ(selected(), QStringLiteral("select"));
        settle();
        const QString folder = qEnvironmentVariable("VORLAN_SCREENSHOT_DIR");
        if (!folder.isEmpty()) {
            EXPECT_TRUE(
                viewer().grab().save(QDir(folder).filePath(QStringLiteral("history_viewer.png"))));
        }

        QTest::mouseDClick(find, Qt::LeftButton);
        EXPECT_TRUE(find->text().isEmpty());
        EXPECT_FALSE(control<QPushButton>(viewer(), "vrlhFindBtn")->isEnabled());
    });
    // Created once: the next opening shows the same window, loaded anew, the find from the top.
    EXPECT_EQ(form.findChildren<TvrlhForm *>().size(), 1);
    inViewer([this] {
        EXPECT_EQ(viewer().findPosition(), 0);
        EXPECT_EQ(control<QLineEdit>(viewer(), "FindE")->text(), QStringLiteral("položky"));
    });
}
