// The "data direct" area driven by control name against a MariaDB table with Czech names and
// values, NULLs, apostrophes, decimals and date-times.
#include "ServerSession.h"

#include "app/Program.h"
#include "app/VRLMain.h"
#include "data/VRLDM.h"
#include "data/controls/DBGrid.h"
#include "data/controls/DBNavigator.h"
#include "table/TableArea.h"
#include "widgets/StatusBar.h"

#include "support/GeneratedWorkbook.h"
#include "support/ProgramFixture.h"
#include "support/ScriptedPrompts.h"
#include "support/UiDriver.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace vrl;
using namespace vrl::test;

namespace {

const QString kLongName = QStringLiteral("velmi_dlouhy_nazev_polozky_ktery_ma_40zn");

class TableAreaTest : public ProgramFixture
{
protected:
    void SetUp() override
    {
        NEEDS_SERVER();
        m_database = databaseOfThisTest(QStringLiteral("ta"));
        freshDatabase(m_database,
                      { QStringLiteral("CREATE TABLE zboží (id INT PRIMARY KEY, jméno VARCHAR(40), "
                                       "cena DECIMAL(14,2), `Jednotková cena` INT, dne DATETIME, "
                                       "%1 INT)")
                            .arg(kLongName),
                        QStringLiteral("INSERT INTO zboží VALUES (1, 'O''Brien', 123456789.10, 1, "
                                       "'2024-02-29 13:30:00', 1), (2, 'ABC', 0.02, 2, NULL, 2), "
                                       "(3, NULL, 10, 3, '1999-12-31 00:00:00', 3), (4, 'xabcx', "
                                       "NULL, 4, NULL, 4)"),
                        QStringLiteral("CREATE TABLE prázdná (a INT, b VARCHAR(5))"),
                        QStringLiteral("CREATE TABLE SONGBASE (a INT)"),
                        QStringLiteral("CREATE TABLE Songbase (a INT)"),
                        QStringLiteral("CREATE TABLE Songbase2 (a INT)") });
        connectMySql(form, prompts, m_database);
        ASSERT_TRUE(DM().vrlConnect.isConnected()) << prompts.texts().join(u'|').toStdString();
    }

    void choose(const QString &table) { chooseTable(form, table); }
    QString status(int panel = 1) { return control<StatusBar>(form, "tblSB")->panelText(panel); }
    DBGrid &grid() { return *control<DBGrid>(form, "tblGrid"); }
    int column(const QString &field) { return DM().vrxTbl.fieldNames().indexOf(field); }
    void clickCell(int row, const QString &field)
    {
        DM().vrxTbl.moveTo(row);
        grid().setCurrentIndex(grid().model()->index(row - 1, column(field)));
        emit grid().cellClicked(column(field));
    }
    void clickTitle(const QString &field) { emit grid().titleClicked(column(field)); }
    QLineEdit &edit(const char *name) { return *control<QLineEdit>(form, name); }

    TableArea &area = form.tableArea();
    QString m_database;
};

} // namespace

TEST_F(TableAreaTest, ChoosingATableOpensItWithItsFields)
{
    choose(QStringLiteral("zboží"));
    EXPECT_TRUE(DM().vrxTbl.isActive());
    EXPECT_EQ(status(), QStringLiteral(" zboží * záznamů: 4, položek: 6"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("[127.0.0.1-") + m_database.toUpper() + u']');
    EXPECT_TRUE(form.isSizeableWindow());
    EXPECT_EQ(form.clientSize().width(), TvrlForm::kClientWidth);
    auto *fields = control<QListWidget>(form, "tblChLB");
    ASSERT_EQ(fields->count(), 6);
    EXPECT_EQ(fields->item(1)->text(), QStringLiteral("jméno"));
    for (const char *on : { "tFilterE", "recTblBtn", "importBtn", "qtSelectBtn", "qtDeleteBtn" })
        EXPECT_TRUE(control<QWidget>(form, on)->isEnabled()) << on;
    EXPECT_FALSE(control<QAction>(form, "songbaseMItem")->isEnabled());

    // The same table again: reopened, no field checked, no filter, an empty filter edit.
    control<QListWidget>(form, "tblChLB")->item(0)->setCheckState(Qt::Checked);
    clickCell(1, QStringLiteral("jméno"));
    click(form, "tFilterBtn");
    ASSERT_TRUE(DM().vrxTbl.isFiltered());
    choose(QStringLiteral("zboží"));
    EXPECT_FALSE(DM().vrxTbl.isFiltered());
    EXPECT_EQ(DM().vrxTbl.recordCount(), 4);
    EXPECT_EQ(control<QListWidget>(form, "tblChLB")->item(0)->checkState(), Qt::Unchecked);
    EXPECT_TRUE(edit("tFilterE").text().isEmpty());
    EXPECT_FALSE(control<QWidget>(form, "tFilterBtn")->isEnabled());

    choose(QStringLiteral("prázdná"));
    EXPECT_EQ(status(), QStringLiteral(" prázdná * záznamů: 0, položek: 2"));
    choose(QStringLiteral("SONGBASE"));
    EXPECT_TRUE(control<QAction>(form, "songbaseMItem")->isEnabled());
    choose(QStringLiteral("Songbase2"));
    EXPECT_FALSE(control<QAction>(form, "songbaseMItem")->isEnabled());
    choose(QStringLiteral("SONGBASE"));
    choose(QStringLiteral("Songbase")); // the same letters in another case
    EXPECT_EQ(DM().vrxTbl.commandText(), QStringLiteral("Songbase"));
    EXPECT_FALSE(control<QAction>(form, "songbaseMItem")->isEnabled());

    // A table gone from the server cannot be opened; the commands that need it are disabled.
    onServer({ QStringLiteral("DROP TABLE `%1`.prázdná").arg(m_database) });
    choose(QStringLiteral("prázdná"));
    ASSERT_EQ(prompts.textsOf(QStringLiteral("message")).size(), 1);
    EXPECT_TRUE(prompts.textsOf(QStringLiteral("message"))[0].startsWith(
        QStringLiteral("Chyba výběru!\n\r[")));
    EXPECT_EQ(status(), QStringLiteral(" Tabulku se nepodařilo otevřít..."));
    EXPECT_FALSE(control<QWidget>(form, "recTblBtn")->isEnabled());
    EXPECT_TRUE(area.tableChosen());
}

TEST_F(TableAreaTest, CellClicksProposeFiltersAndTitleClicksSortWithTheSum)
{
    choose(QStringLiteral("zboží"));
    clickCell(1, QStringLiteral("jméno"));
    EXPECT_EQ(edit("tFilterE").text(), QStringLiteral("jméno = 'O''Brien'"));
    EXPECT_TRUE(control<QWidget>(form, "tFilterBtn")->isEnabled());
    EXPECT_EQ(status(), QStringLiteral(" zboží * 1. záznam z 4 dostupných"));
    clickCell(3, QStringLiteral("jméno"));
    EXPECT_EQ(edit("tFilterE").text(), QStringLiteral("jméno = ''"));
    EXPECT_TRUE(area.capturedValue().isEmpty());

    clickTitle(QStringLiteral("cena"));
    EXPECT_EQ(DM().vrxTbl.sort(), QStringLiteral("cena ASC"));
    EXPECT_EQ(status(), QStringLiteral(" záznamů: 4 (změna třídění - cena)"));
    EXPECT_EQ(status(0), QStringLiteral(" cena: 123456799,12")); // in double precision
    clickTitle(QStringLiteral("cena"));
    EXPECT_EQ(DM().vrxTbl.sort(), QStringLiteral("cena DESC"));
    clickTitle(QStringLiteral("jméno"));
    EXPECT_EQ(DM().vrxTbl.sort(), QStringLiteral("jméno DESC")); // the direction carries over

    // Full names: a second click on a long name reverses it like any other.
    clickTitle(kLongName);
    clickTitle(kLongName);
    EXPECT_EQ(DM().vrxTbl.sort(), kLongName + QStringLiteral(" ASC"));

    // A name the database cannot take unquoted is quoted for it and summed.
    clickTitle(QStringLiteral("Jednotková cena"));
    EXPECT_EQ(status(0), QStringLiteral(" Jednotková cena: 10"));
    EXPECT_TRUE(prompts.textsOf(QStringLiteral("message")).isEmpty());
}

TEST_F(TableAreaTest, FiltersApplyTheSumFollowsAndABadFilterIsExplained)
{
    choose(QStringLiteral("zboží"));
    clickTitle(QStringLiteral("cena"));
    clickCell(2, QStringLiteral("jméno"));
    click(form, "tFilterBtn");
    EXPECT_TRUE(DM().vrxTbl.isFiltered());
    EXPECT_EQ(DM().vrxTbl.recordCount(), 1);
    EXPECT_EQ(status(), QStringLiteral(" 1. záznam z 1 [filtr]"));
    EXPECT_EQ(status(0), QStringLiteral(" cena: 0,02"));

    QTest::mouseDClick(&edit("tFilterE"), Qt::LeftButton);
    EXPECT_FALSE(DM().vrxTbl.isFiltered());
    EXPECT_TRUE(edit("tFilterE").text().isEmpty());
    EXPECT_EQ(status(), QStringLiteral(" 1. záznam z 4"));
    EXPECT_EQ(status(0), QStringLiteral(" cena: 123456799,12"));

    typeText(form, "tFilterE", QStringLiteral("nikde = 1"));
    area.tFilterEExit();
    click(form, "tFilterBtn");
    const QStringList messages = prompts.textsOf(QStringLiteral("message"));
    ASSERT_FALSE(messages.isEmpty());
    EXPECT_TRUE(messages.last().startsWith(QStringLiteral("chybný filtr!\n\r[")));
    EXPECT_FALSE(DM().vrxTbl.isFiltered());
    EXPECT_EQ(DM().vrxTbl.recordCount(), 4);
    EXPECT_FALSE(control<QWidget>(form, "tFilterBtn")->isEnabled());
    EXPECT_EQ(edit("tFilterE").text(), QStringLiteral("nikde = 1"));
    EXPECT_EQ(status(0), QStringLiteral(" cena: 123456799,12")); // the sum stays
}

TEST_F(TableAreaTest, ACellLongerThanAnEditUsuallyHoldsIsProposedWhole)
{
    // Two texts that differ only past the 32,767th character.
    onServer({ QStringLiteral("CREATE TABLE `%1`.dlouhé (id INT PRIMARY KEY, t LONGTEXT)")
                   .arg(m_database),
               QStringLiteral("INSERT INTO `%1`.dlouhé VALUES (1, CONCAT(REPEAT('a', 40000), "
                              "'x')), (2, CONCAT(REPEAT('a', 40000), 'y'))")
                   .arg(m_database) });
    click(form, "refreshBtn"); // lists the new table
    choose(QStringLiteral("dlouhé"));
    clickCell(2, QStringLiteral("t"));
    const QString proposal = edit("tFilterE").text();
    EXPECT_EQ(proposal.size(), 40001 + 6); // "t = '" and the closing apostrophe
    click(form, "tFilterBtn");
    EXPECT_TRUE(prompts.textsOf(QStringLiteral("message")).isEmpty())
        << prompts.texts().join(u'|').left(200).toStdString();
    ASSERT_EQ(DM().vrxTbl.recordCount(), 1);
    EXPECT_EQ(DM().vrxTbl.fieldByName(QStringLiteral("id")).text(), QStringLiteral("2"));
}

TEST_F(TableAreaTest, SearchFindsEveryCaseAndSubstringAndSaysWhenItEnds)
{
    choose(QStringLiteral("zboží"));
    typeText(form, "tSearchE", QStringLiteral("abc"));
    emit edit("tSearchE").editingFinished();
    area.tSearchEExit();
    ASSERT_TRUE(control<QWidget>(form, "tSearchBtn")->isEnabled());
    prompts.answerConfirm(true); // ABC in record 2
    prompts.answerConfirm(true); // xabcx in record 4
    click(form, "tSearchBtn");
    EXPECT_EQ(prompts.textsOf(QStringLiteral("confirmation")),
              QStringList({ QStringLiteral("výraz 'ABC' nalezen; pokračovat?"),
                            QStringLiteral("výraz 'ABC' nalezen; pokračovat?") }));
    EXPECT_EQ(prompts.textsOf(QStringLiteral("message")),
              QStringList({ QStringLiteral("výraz 'ABC' nebyl nalezen") }));
    EXPECT_EQ(status(), QStringLiteral(" 'ABC': záznam 4, položka jméno"));

    prompts.clear();
    prompts.answerConfirm(false);
    click(form, "tSearchBtn");
    EXPECT_EQ(DM().vrxTbl.recNo(), 2);
    EXPECT_TRUE(prompts.textsOf(QStringLiteral("message")).isEmpty());

    typeText(form, "tSearchE", QString());
    prompts.clear();
    area.tSearchBtnClick();
    EXPECT_EQ(prompts.textsOf(QStringLiteral("message")),
              QStringList({ QStringLiteral("hledání nelze spustit...") }));
}

TEST_F(TableAreaTest, TheNavigatorAndTheSearchEditWriteTheirState)
{
    // Before any table is chosen, leaving the search edit offers only the database search.
    typeText(form, "tSearchE", QStringLiteral("x"));
    area.tSearchEExit();
    EXPECT_FALSE(control<QWidget>(form, "tSearchBtn")->isEnabled());
    EXPECT_TRUE(control<QWidget>(form, "sSearchBtn")->isEnabled());

    choose(QStringLiteral("zboží"));
    auto *navigator = control<DBNavigator>(form, "tblNvg");
    navigator->button(DBNavigator::Last)->click();
    EXPECT_EQ(status(), QStringLiteral(" zboží * 4. záznam z 4 dostupných"));
    QTest::mouseDClick(&edit("tSearchE"), Qt::LeftButton);
    EXPECT_TRUE(edit("tSearchE").text().isEmpty());

    choose(QStringLiteral("prázdná"));
    navigator->button(DBNavigator::Insert)->click();
    EXPECT_EQ(DM().vrxTbl.state(), Dataset::State::Insert);
    navigator->button(DBNavigator::Cancel)->click();
    EXPECT_EQ(status(), QStringLiteral(" (žádné záznamy)"));
}

TEST_F(TableAreaTest, FieldListChecksCopiesAndRefreshFindsTheTableAgain)
{
    choose(QStringLiteral("zboží"));
    auto *fields = control<QListWidget>(form, "tblChLB");
    fields->item(5)->setCheckState(Qt::Checked);
    fields->setCurrentRow(5);
    area.tblChLBClick();
    EXPECT_TRUE(control<QWidget>(form, "qtInsertBtn")->isEnabled());
    EXPECT_TRUE(control<QWidget>(form, "clipBtn")->isEnabled());
    click(form, "clipBtn");
    EXPECT_EQ(QApplication::clipboard()->text(), kLongName); // the whole name

    area.tblChLBDblClick(); // the first is unchecked: all get checked
    for (int i = 0; i < fields->count(); ++i)
        EXPECT_EQ(fields->item(i)->checkState(), Qt::Checked);
    area.tblChLBDblClick();
    EXPECT_EQ(fields->item(5)->checkState(), Qt::Unchecked);
    EXPECT_FALSE(control<QWidget>(form, "qtInsertBtn")->isEnabled());

    click(form, "recTblBtn");
    EXPECT_TRUE(DM().vrxTbl.isActive());
    EXPECT_EQ(status(), QStringLiteral(" zboží * 1. záznam z 4 dostupných"));

    onServer({ QStringLiteral("DROP TABLE `%1`.zboží").arg(m_database) });
    click(form, "recTblBtn");
    EXPECT_EQ(prompts.textsOf(QStringLiteral("message")).last(), QStringLiteral("zboží?"));
    EXPECT_FALSE(DM().vrxTbl.isActive());
    EXPECT_EQ(fields->count(), 0);
    EXPECT_FALSE(control<QWidget>(form, "importBtn")->isEnabled());
}

TEST(TableAreaWorkbook, ASheetSumsAndFiltersThroughItsBracketedName)
{
    ScriptedPrompts prompts;
    Program program(*qApp);
    TvrlForm &form = program.mainWindow();
    QTemporaryDir dir;
    GeneratedWorkbook book;
    book.addSheet(
        QStringLiteral("Ceník"),
        QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Zboží</t></is></c>"
                       "<c r=\"B1\" t=\"inlineStr\"><is><t>Cena</t></is></c></row>"
                       "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>chléb</t></is></c><c "
                       "r=\"B2\"><v>32.5</v></c></row>"
                       "<row r=\"3\"><c r=\"A3\" t=\"inlineStr\"><is><t>máslo</t></is></c><c "
                       "r=\"B3\"><v>59.9</v></c></row>"));
    const QString path = dir.filePath(QStringLiteral("ceník.xlsx"));
    book.save(path);
    connectWorkbook(form, prompts, path);
    selectEntry(form, "TblSelCoB", 0);
    ASSERT_EQ(DM().vrxTbl.commandText(), QStringLiteral("[Ceník$]"));
    TableArea &area = form.tableArea();
    auto &grid = *control<DBGrid>(form, "tblGrid");
    emit grid.titleClicked(1);
    EXPECT_EQ(control<StatusBar>(form, "tblSB")->panelText(0), QStringLiteral(" Cena: 92,4"));
    DM().vrxTbl.first();
    emit grid.cellClicked(0);
    click(form, "tFilterBtn");
    EXPECT_EQ(DM().vrxTbl.recordCount(), 1);
    EXPECT_EQ(control<StatusBar>(form, "tblSB")->panelText(0), QStringLiteral(" Cena: 32,5"));
    EXPECT_EQ(area.capturedValue(), QStringLiteral("chléb"));

    // The refresh finds the sheet again by its bracketed name; the filter stays on.
    click(form, "recTblBtn");
    EXPECT_TRUE(DM().vrxTbl.isActive());
    EXPECT_EQ(DM().vrxTbl.commandText(), QStringLiteral("[Ceník$]"));
    EXPECT_EQ(control<StatusBar>(form, "tblSB")->panelText(1),
              QStringLiteral(" [Ceník$] * 1. záznam z 1 dostupných [filtered]"));
    const QString folder = qEnvironmentVariable("VORLAN_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        EXPECT_TRUE(form.grab().save(QDir(folder).filePath(QStringLiteral("workbook_open.png"))));
    }
}

TEST_F(TableAreaTest, Screenshot)
{
    const QString folder = qEnvironmentVariable("VORLAN_SCREENSHOT_DIR");
    if (folder.isEmpty())
        GTEST_SKIP() << "set VORLAN_SCREENSHOT_DIR to save a screenshot";
    choose(QStringLiteral("zboží"));
    clickTitle(QStringLiteral("cena"));
    typeText(form, "tFilterE", QStringLiteral("cena < 100"));
    area.tFilterEExit();
    click(form, "tFilterBtn");
    settle();
    EXPECT_TRUE(form.grab().save(QDir(folder).filePath(QStringLiteral("table_open.png"))));
}
