// The SongBase editor of the real program on the example SONGBASE table in MariaDB and in the
// demo workbook: it opens unbound, binds its controls in a fixed order up to the first field
// the table lacks, and leaves what the user typed as a pending edit of the table grid, which
// the table's navigator then posts to the server.
#include "ServerSession.h"

#include "app/VRLMain.h"
#include "data/VRLDM.h"
#include "data/controls/DBEdit.h"
#include "data/controls/DBGrid.h"
#include "data/controls/DBMemo.h"
#include "data/controls/DBNavigator.h"

#include "support/ProgramFixture.h"
#include "support/ScriptedPrompts.h"
#include "support/UiDriver.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace vrl;
using namespace vrl::test;

namespace {

// The data controls in the order they are bound.
const char *const kControls[] = { "sbCisloE", "sbNazevE",  "sbInterpretE", "sbToninaE",
                                  "sbLinkE",  "sbSoundsM", "sbChordsM",    "sbNoteM" };

QString boundField(QDialog &editor, const char *name)
{
    if (auto *edit = editor.findChild<DBEdit *>(QString::fromLatin1(name)))
        return edit->dataField();
    return control<DBMemo>(editor, name)->dataField();
}

QString shownText(QDialog &editor, const char *name)
{
    if (auto *edit = editor.findChild<DBEdit *>(QString::fromLatin1(name)))
        return edit->text();
    return control<DBMemo>(editor, name)->toPlainText();
}

class SongBaseEditor : public ProgramFixture
{
protected:
    void connectTo(const QStringList &statements)
    {
        m_database = databaseOfThisTest(QStringLiteral("sb"));
        freshDatabase(m_database, statements);
        connectMySql(form, prompts, m_database);
        ASSERT_TRUE(DM().vrlConnect.isConnected()) << prompts.texts().join(u'|').toStdString();
    }
    void choose(const QString &table) { chooseTable(form, table); }
    // The statement reading one field of the third song in this test's database.
    QString onServerTable(const QString &field)
    {
        return QStringLiteral("SELECT %1 FROM %2.SONGBASE WHERE SBCISLO = 3")
            .arg(field, m_database);
    }
    bool menuItemEnabled() { return control<QAction>(form, "songbaseMItem")->isEnabled(); }
    // Opens the editor from the menu; inside acts while it shows and returns its result.
    void openEditor(const std::function<int(QDialog &)> &inside)
    {
        prompts.answerModal(inside);
        click(form, "songbaseMItem");
    }
    QString m_database;
};

} // namespace

TEST_F(SongBaseEditor, OnlyATableNamedExactlySongbaseOffersTheEditor)
{
    NEEDS_SERVER();
    QStringList statements = exampleScript(QStringLiteral("songbase_mariadb.sql"));
    statements << QStringLiteral("CREATE TABLE songbase (SBCISLO INT PRIMARY KEY)");
    connectTo(statements);
    choose(QStringLiteral("songbase"));
    EXPECT_FALSE(menuItemEnabled());
    choose(QStringLiteral("SONGBASE"));
    EXPECT_TRUE(menuItemEnabled());
}

TEST_F(SongBaseEditor, OpensUnboundAndConnectShowsTheRecordSelectedInTheGrid)
{
    NEEDS_SERVER();
    connectTo(exampleScript(QStringLiteral("songbase_mariadb.sql")));
    choose(QStringLiteral("SONGBASE"));
    DM().vrxTbl.moveTo(2);
    QDialog *first = nullptr;
    openEditor([&](QDialog &editor) {
        first = &editor;
        for (const char *name : kControls) {
            EXPECT_TRUE(boundField(editor, name).isEmpty()) << name;
            EXPECT_TRUE(shownText(editor, name).isEmpty()) << name;
        }
        EXPECT_EQ(editor.focusWidget(), control<QWidget>(editor, "sbConnectBtn"));
        click(editor, "sbConnectBtn");
        EXPECT_FALSE(control<QPushButton>(editor, "sbConnectBtn")->isEnabled());
        EXPECT_EQ(shownText(editor, "sbCisloE"), QStringLiteral("2"));
        EXPECT_EQ(shownText(editor, "sbNazevE"), QStringLiteral("Ach synku, synku"));
        EXPECT_EQ(shownText(editor, "sbToninaE"), QStringLiteral("Dmi"));
        EXPECT_EQ(shownText(editor, "sbChordsM"), QStringLiteral("Dmi A7 Dmi\nGmi Dmi A7 Dmi"));
        // The looks the user knows the fields by.
        for (const char *bold : { "sbNazevE", "sbToninaE", "sbExitBtn" })
            EXPECT_TRUE(QFontInfo(control<QWidget>(editor, bold)->font()).bold()) << bold;
        EXPECT_FALSE(QFontInfo(control<QWidget>(editor, "sbInterpretE")->font()).bold());
        const QString shots = qEnvironmentVariable("VORLAN_SCREENSHOT_DIR");
        if (!shots.isEmpty()) {
            EXPECT_TRUE(editor.grab().save(QDir(shots).filePath(QStringLiteral("songbase.png"))));
        }
        click(editor, "sbExitBtn");
        for (const char *name : kControls)
            EXPECT_TRUE(boundField(editor, name).isEmpty()) << name;
        return editor.result();
    });
    // Another record is shown only after the editor is opened again on it, unbound at first.
    DM().vrxTbl.moveTo(5);
    openEditor([&](QDialog &editor) {
        EXPECT_EQ(&editor, first); // the one window of the run
        EXPECT_TRUE(control<QPushButton>(editor, "sbConnectBtn")->isEnabled());
        EXPECT_TRUE(shownText(editor, "sbNazevE").isEmpty());
        click(editor, "sbConnectBtn");
        EXPECT_EQ(shownText(editor, "sbInterpretE"), QStringLiteral("Waldemar Matuška"));
        // Left without eXit: the next opening starts unbound all the same.
        editor.reject();
        return editor.result();
    });
    openEditor([&](QDialog &editor) {
        EXPECT_TRUE(boundField(editor, "sbCisloE").isEmpty());
        EXPECT_TRUE(control<QPushButton>(editor, "sbConnectBtn")->isEnabled());
        click(editor, "sbExitBtn");
        return editor.result();
    });
}

TEST_F(SongBaseEditor, AMissingFieldStopsTheBindingWhereItStands)
{
    NEEDS_SERVER();
    // No link column: the fifth control in the order.
    connectTo({ QStringLiteral("CREATE TABLE SONGBASE (SBCISLO INT PRIMARY KEY, SBNAZEV "
                               "VARCHAR(80), SBINTERPRET VARCHAR(80), SBTONINA VARCHAR(8), "
                               "SBSOUNDS TEXT, SBCHORDS TEXT, SBNOTE TEXT)"),
                QStringLiteral("INSERT INTO SONGBASE VALUES (1, 'Okolo Hradce', 'lidová', 'C', "
                               "'klavír', 'C G7 C', 'krátká')") });
    choose(QStringLiteral("SONGBASE"));
    prompts.allowErrors();
    openEditor([&](QDialog &editor) {
        click(editor, "sbConnectBtn");
        EXPECT_EQ(prompts.textsOf(QStringLiteral("error")).size(), 1);
        EXPECT_TRUE(
            prompts.textsOf(QStringLiteral("error")).value(0).contains(QStringLiteral("SBLINK")))
            << prompts.texts().join(u'|').toStdString();
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(boundField(editor, kControls[i]).isEmpty(), i >= 4) << kControls[i];
        EXPECT_EQ(shownText(editor, "sbToninaE"), QStringLiteral("C"));
        EXPECT_TRUE(shownText(editor, "sbSoundsM").isEmpty());
        EXPECT_TRUE(control<QPushButton>(editor, "sbConnectBtn")->isEnabled());
        click(editor, "sbExitBtn");
        return editor.result();
    });
}

TEST_F(SongBaseEditor, AnEditStaysPendingInTheGridUntilTheNavigatorPostsIt)
{
    NEEDS_SERVER();
    connectTo(exampleScript(QStringLiteral("songbase_mariadb.sql")));
    choose(QStringLiteral("SONGBASE"));
    DM().vrxTbl.moveTo(3);
    openEditor([&](QDialog &editor) {
        click(editor, "sbConnectBtn");
        typeText(editor, "sbNazevE", QStringLiteral("Teče voda, teče (2. verze)"));
        auto *note = control<DBMemo>(editor, "sbNoteM");
        note->setFocus();
        QTest::keyClicks(note, QStringLiteral("Capo 2"));
        click(editor, "sbExitBtn");
        return editor.result();
    });
    Dataset &table = DM().vrxTbl;
    EXPECT_EQ(table.state(), Dataset::State::Edit);
    EXPECT_EQ(table.recNo(), 3);
    auto &grid = *control<DBGrid>(form, "tblGrid");
    const int title = table.fieldNames().indexOf(QStringLiteral("SBNAZEV"));
    EXPECT_EQ(grid.model()->index(2, title).data().toString(),
              QStringLiteral("Teče voda, teče (2. verze)"));
    // Nothing reached the server yet.
    EXPECT_EQ(valueOnServer(onServerTable(QStringLiteral("SBNAZEV"))),
              QStringLiteral("Teče voda, teče"));

    control<DBNavigator>(form, "tblNvg")->button(DBNavigator::Post)->click();
    EXPECT_EQ(table.state(), Dataset::State::Browse);
    EXPECT_EQ(valueOnServer(onServerTable(QStringLiteral("SBNAZEV"))),
              QStringLiteral("Teče voda, teče (2. verze)"));
    EXPECT_EQ(valueOnServer(onServerTable(QStringLiteral("SBNOTE"))), QStringLiteral("Capo 2"));
}

TEST_F(SongBaseEditor, TheDemoWorkbookOffersItsSongbaseRange)
{
    QTemporaryDir folder;
    const QString book = folder.filePath(QStringLiteral("songbase.xlsx"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(VORLAN_EXAMPLES_DIR "/songbase.xlsx"), book));
    connectWorkbook(form, prompts, book);
    choose(QStringLiteral("SONGBASE"));
    ASSERT_TRUE(DM().vrxTbl.isActive()) << prompts.texts().join(u'|').toStdString();
    EXPECT_TRUE(menuItemEnabled());
    openEditor([&](QDialog &editor) {
        click(editor, "sbConnectBtn");
        EXPECT_EQ(shownText(editor, "sbNazevE"), QStringLiteral("Koupím já si koně vraný"));
        EXPECT_EQ(shownText(editor, "sbChordsM"), QStringLiteral("G D7 G\nC G D7 G"));
        click(editor, "sbExitBtn");
        return editor.result();
    });
}

TEST_F(SongBaseEditor, EscapeLeavesAsExitDoesAndTheMenuItemFollowsTheOpenTable)
{
    QTemporaryDir folder;
    const QString book = folder.filePath(QStringLiteral("songbase.xlsx"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(VORLAN_EXAMPLES_DIR "/songbase.xlsx"), book));
    connectWorkbook(form, prompts, book);
    choose(QStringLiteral("SONGBASE"));
    ASSERT_TRUE(menuItemEnabled());
    openEditor([&](QDialog &editor) {
        click(editor, "sbConnectBtn");
        EXPECT_FALSE(boundField(editor, "sbNazevE").isEmpty());
        QWidget *focus = editor.focusWidget();
        QTest::keyClick(focus ? focus : &editor, Qt::Key_Escape);
        EXPECT_TRUE(editor.isHidden());
        EXPECT_EQ(editor.result(), QDialog::Accepted);
        for (const char *name : kControls)
            EXPECT_TRUE(boundField(editor, name).isEmpty()) << name;
        EXPECT_TRUE(control<QPushButton>(editor, "sbConnectBtn")->isEnabled());
        return editor.result();
    });
    // "&Odpojit" closes the table: the editor would have nothing to show.
    clickItem(form, "dbaseRG", 4);
    EXPECT_FALSE(DM().vrxTbl.isActive());
    EXPECT_FALSE(menuItemEnabled());
}
