// The import window driven by control name: table to table between two MariaDB databases in
// both modes, relation files, the source search, and the STV engine into a workbook and into
// MariaDB.
#include "ServerSession.h"

#include "basic/AnsiText.h"
#include "basic/ProgramPaths.h"
#include "data/VRLDM.h"
#include "data/controls/DBGrid.h"
#include "import/qZ_dImport.h"
#include "widgets/RadioGroup.h"

#include "support/GeneratedWorkbook.h"
#include "support/ProgramFixture.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace vrl;
using namespace vrl::test;

namespace {

// One sheet row: a cell holds a number where its text is one, else an inline text.
QString sheetRow(int row, const QStringList &cells)
{
    QString xml = QStringLiteral("<row r=\"%1\">").arg(row);
    for (int c = 0; c < cells.size(); ++c) {
        const QString ref = QChar(u'A' + c) + QString::number(row);
        bool number = false;
        cells[c].toDouble(&number);
        xml += number ? QStringLiteral("<c r=\"%1\"><v>%2</v></c>").arg(ref, cells[c])
                      : QStringLiteral("<c r=\"%1\" t=\"inlineStr\"><is><t>%2</t></is></c>")
                            .arg(ref, cells[c]);
    }
    return xml + QStringLiteral("</row>");
}

// The rows of a table as a fresh connection of the same string reads them, each as its
// fields' texts joined with "/".
QStringList storedRows(const QString &connectionString, const QString &table,
                       const QStringList &fields)
{
    Connection check;
    check.setConnectionString(connectionString);
    check.open();
    Dataset rows(Dataset::Kind::Table);
    rows.setConnection(&check);
    rows.setCommandText(table);
    rows.open();
    QStringList texts;
    for (rows.first(); !rows.eof(); rows.next()) {
        QStringList values;
        for (const QString &field : fields)
            values << rows.fieldByName(field).text();
        texts << values.join(u'/');
    }
    return texts;
}

class ImportTest : public ProgramFixture
{
protected:
    void SetUp() override
    {
        NEEDS_SERVER();
        m_target = databaseOfThisTest(QStringLiteral("it"));
        m_source = m_target.left(40) + QStringLiteral("_z");
        freshDatabase(
            m_target,
            { QStringLiteral("CREATE TABLE cíl (id INT PRIMARY KEY, "
                             "jméno VARCHAR(30), cena DECIMAL(8,2))"),
              QStringLiteral("INSERT INTO cíl VALUES (3, 'stará', 1)"),
              // No primary key: a row is found by all its values, which two share.
              QStringLiteral("CREATE TABLE dvojice (id INT, jméno VARCHAR(30))"),
              QStringLiteral("INSERT INTO dvojice VALUES (1, 'a'), (1, 'a'), (2, 'c')") });
        freshDatabase(m_source,
                      { QStringLiteral("CREATE TABLE zdroj (Id INT PRIMARY KEY, Jmeno VARCHAR(30), "
                                       "Cena DECIMAL(8,2))"),
                        QStringLiteral("INSERT INTO zdroj SELECT seq, CONCAT('Věc ', seq), "
                                       "seq * 2.5 FROM seq_1_to_10") });
        connectMySql(form, prompts, m_target);
        ASSERT_TRUE(DM().vrlConnect.isConnected());
        chooseTable(form, QStringLiteral("cíl"));
        ASSERT_TRUE(DM().vrxTbl.isActive());
    }

    TdImpForm &window() { return *form.findChild<TdImpForm *>(QStringLiteral("dImpForm")); }

    // Opens the import window, lets the steps act in it, and leaves it by eXit.
    void inImport(const std::function<void(TdImpForm &)> &steps)
    {
        prompts.answerModal([&](QDialog &dialog) {
            steps(window());
            click(dialog, "diExitBtn");
            return dialog.result();
        });
        click(form, "importBtn");
    }
    // Connects the source to the second database and chooses its table.
    void connectSource(TdImpForm &w)
    {
        clickItem(w, "diTypeRG", 3);
        answerMySqlDialog(form, prompts, m_source);
        click(w, "diConnectBtn");
        selectEntry(w, "tblSelCoB", 0);
    }
    // The three pairs by position, through the batch question, all checked.
    void relateAll(TdImpForm &w)
    {
        selectEntry(w, "sourceFieldCoB", 0);
        selectEntry(w, "destFieldCoB", 0);
        prompts.answerConfirm(true);
        click(w, "addBtn");
        emit list(w).itemDoubleClicked(list(w).item(0));
    }
    // The single pair Jmeno;cena (the batch question answered No), unchecked: no name is a
    // price, so it fails on every row.
    void relateNameToPrice(TdImpForm &w)
    {
        selectEntry(w, "sourceFieldCoB", 1);
        selectEntry(w, "destFieldCoB", 2);
        prompts.answerConfirm(false);
        click(w, "addBtn");
    }
    QListWidget &list(TdImpForm &w) { return *control<QListWidget>(w, "translateChLB"); }
    QStringList entries(TdImpForm &w)
    {
        QStringList texts;
        for (int i = 0; i < list(w).count(); ++i)
            texts << list(w).item(i)->text();
        return texts;
    }
    QString onTarget(const QString &sql)
    {
        return valueOnServer(sql.arg(QStringLiteral("`%1`.").arg(m_target)));
    }
    QStringList messages() { return prompts.textsOf(QStringLiteral("message")); }
    // The texts of a field over the target's records, in the order the main window shows them.
    QStringList shownInTarget(const QString &field)
    {
        QStringList shown;
        Dataset &grid = DM().vrxTbl;
        for (grid.first(); !grid.eof(); grid.next())
            shown << grid.fieldByName(field).text();
        return shown;
    }

    QString m_target;
    QString m_source;
};

} // namespace

TEST_F(ImportTest, RowsGoInAsNewRecordsOrUpdateThroughTheControlRelation)
{
    inImport([&](TdImpForm &w) {
        EXPECT_EQ(w.windowTitle(), QStringLiteral("qZ data import"));
        EXPECT_FALSE(control<QWidget>(w, "paramsGB")->isVisibleTo(&w));
        connectSource(w);
        EXPECT_TRUE(w.windowTitle().startsWith(QStringLiteral("qZ data import: 127.0.0.1-")));
        EXPECT_TRUE(w.windowTitle().endsWith(QStringLiteral(" >> cíl")));
        EXPECT_EQ(control<QComboBox>(w, "sourceFieldCoB")->placeholderText(),
                  QStringLiteral("zdrojové položky [3]"));
        relateAll(w);
        EXPECT_EQ(entries(w), QStringList({ "Id;id", "Jmeno;jméno", "Cena;cena" }));
        EXPECT_EQ(control<QComboBox>(w, "destFieldCoB")->currentIndex(), -1);
        EXPECT_EQ(control<QComboBox>(w, "destFieldCoB")->placeholderText(),
                  QStringLiteral("vyber(te) další..."));
        EXPECT_FALSE(control<QWidget>(w, "addBtn")->isEnabled());
        EXPECT_FALSE(control<QWidget>(w, "diGoBtn")->isEnabled()); // no mode yet

        // INSERT with the control relation: the row with id 3 exists and is passed over.
        typeText(w, "ctrlFieldsE", QStringLiteral("Id;id"));
        click(w, "insertRB");
        ASSERT_TRUE(control<QWidget>(w, "diGoBtn")->isEnabled());
        click(w, "diGoBtn");
        EXPECT_EQ(messages().last(), QStringLiteral("Import [I]: 9 rec(s)"));
        EXPECT_EQ(control<QLabel>(w, "posLbl")->text(), QStringLiteral("...done"));

        // EDIT: the control relation among the checked entries keeps Go disabled.
        click(w, "editRB");
        EXPECT_FALSE(control<QRadioButton>(w, "insertRB")->isChecked());
        EXPECT_FALSE(control<QWidget>(w, "diGoBtn")->isEnabled());
        list(w).item(0)->setCheckState(Qt::Unchecked);
        EXPECT_TRUE(control<QWidget>(w, "diGoBtn")->isEnabled());
        click(w, "diGoBtn");
        EXPECT_EQ(messages().last(), QStringLiteral("Import [E]: 10 rec(s)"));
    });
    EXPECT_EQ(onTarget(QStringLiteral("SELECT COUNT(*) FROM %1cíl")), QStringLiteral("10"));
    EXPECT_EQ(onTarget(QStringLiteral("SELECT CONCAT(jméno, '/', cena) FROM %1cíl WHERE id = 3")),
              QStringLiteral("Věc 3/7.50"));
}

// The same on the server: the count of the rows an edit would change is known before it
// changes any.
TEST_F(ImportTest, AnEditOfRowsSharingAllTheirValuesChangesNone)
{
    chooseTable(form, QStringLiteral("dvojice"));
    inImport([&](TdImpForm &w) {
        connectSource(w);
        selectEntry(w, "sourceFieldCoB", 0);
        selectEntry(w, "destFieldCoB", 0);
        click(w, "addCtrlBtn"); // Id;id
        selectEntry(w, "sourceFieldCoB", 1);
        selectEntry(w, "destFieldCoB", 1);
        click(w, "addBtn"); // Jmeno;jméno; three fields against two: no batch question
        list(w).item(0)->setCheckState(Qt::Checked);
        click(w, "editRB");
        prompts.clear();
        prompts.answerConfirm(true);
        click(w, "diGoBtn");
        EXPECT_EQ(prompts.textsOf(QStringLiteral("confirmation")),
                  QStringList({ QStringLiteral("Při edici záznamu 1 došlo k chybě.\r\nPřesto "
                                               "pokračovat?") }));
        EXPECT_EQ(messages().last(), QStringLiteral("Import [E]: 1 rec(s)\r\n\r\nerrs:\r\n1"));
    });
    EXPECT_EQ(onTarget(QStringLiteral("SELECT GROUP_CONCAT(CONCAT(id, jméno) ORDER BY id, jméno) "
                                      "FROM %1dvojice")),
              QStringLiteral("1a,1a,2Věc 2"));
    EXPECT_EQ(shownInTarget(QStringLiteral("jméno")), QStringList({ "a", "a", "Věc 2" }));
}

TEST_F(ImportTest, ChoicesTakeNoTypedNamesAModeStaysChosenAndTheWidthSnapsBack)
{
    inImport([&](TdImpForm &w) {
        connectSource(w);
        for (const char *name : { "tblSelCoB", "sourceFieldCoB", "destFieldCoB" }) {
            auto *choice = control<QComboBox>(w, name);
            const int items = choice->count();
            const int chosen = choice->currentIndex();
            choice->setFocus();
            QTest::keyClicks(choice, QStringLiteral("fantom"));
            QTest::keyClick(choice, Qt::Key_Return);
            EXPECT_EQ(choice->count(), items) << name;
            EXPECT_EQ(choice->currentIndex(), chosen) << name;
        }
        EXPECT_EQ(control<QComboBox>(w, "sourceFieldCoB")->placeholderText(),
                  QStringLiteral("zdrojové položky [3]"));

        relateAll(w);
        for (const char *mode : { "insertRB", "editRB" }) {
            click(w, mode);
            click(w, mode);
            EXPECT_TRUE(control<QRadioButton>(w, mode)->isChecked()) << mode;
        }
        EXPECT_FALSE(control<QRadioButton>(w, "insertRB")->isChecked());
        click(w, "insertRB");
        click(w, "insertRB");
        EXPECT_TRUE(control<QWidget>(w, "diGoBtn")->isEnabled());

        // A new source table choice gives the window its width again.
        w.resize(1200, w.height());
        settle();
        EXPECT_EQ(w.width(), 1200);
        selectEntry(w, "tblSelCoB", 0);
        settle();
        EXPECT_EQ(w.width(), 907);
    });
}

TEST_F(ImportTest, AKeyFieldThatDoesNotExistEndsTheRunInTheErrorReport)
{
    prompts.allowErrors();
    inImport([&](TdImpForm &w) {
        connectSource(w);
        // A batch question answered No adds the selected pair alone.
        relateNameToPrice(w);
        EXPECT_EQ(entries(w), QStringList({ "Jmeno;cena" }));
        list(w).item(0)->setCheckState(Qt::Checked);
        control<QLineEdit>(w, "ctrlFieldsE")->setText(QStringLiteral("Jmeno;nikde"));
        click(w, "insertRB");
        prompts.clear();
        click(w, "diGoBtn");
        EXPECT_EQ(prompts.textsOf(QStringLiteral("error")).size(), 1);
        EXPECT_TRUE(messages().isEmpty()); // no summary
        EXPECT_EQ(control<QLabel>(w, "posLbl")->text(), QStringLiteral("wait..."));
        // The run is over: the window's commands work again.
        EXPECT_FALSE(w.isRunning());
    });
}

TEST_F(ImportTest, AFailingRelationListsEveryRowAndStopsAskingWhenTold)
{
    inImport([&](TdImpForm &w) {
        connectSource(w);
        relateNameToPrice(w);
        list(w).item(0)->setCheckState(Qt::Checked); // Jmeno;cena: no text is a decimal
        click(w, "insertRB");
        prompts.clear();
        prompts.answerConfirm(true); // go on
        prompts.answerConfirm(false); // but do not show the errors again
        click(w, "diGoBtn");
        const QStringList questions = prompts.textsOf(QStringLiteral("confirmation"));
        ASSERT_EQ(questions.size(), 2);
        EXPECT_TRUE(
            questions[0].startsWith(QStringLiteral("Při zápisu záznamu 1 došlo k chybě:\r\n")));
        EXPECT_TRUE(questions[0].endsWith(QStringLiteral("\r\n\r\nPřesto pokračovat?")));
        EXPECT_EQ(questions[1], QStringLiteral("Zobrazovat chybové hlášení?"));
        EXPECT_EQ(messages().last(),
                  QStringLiteral("Nebyly importovány žádné záznamy...\r\n\r\n"
                                 "errs:\r\n1,2,3,4,5,6,7,8,9,10"));
    });
    EXPECT_EQ(onTarget(QStringLiteral("SELECT COUNT(*) FROM %1cíl")), QStringLiteral("1"));
}

// Rows go to the server many at a time, but each is decided as if the rows before it were
// already written: a row with the control value of a row before it that failed is written, one
// with the value of a row written before it is passed over, and the rows after a failing row
// are written after the question.
TEST_F(ImportTest, EachRowIsDecidedByTheRowsBeforeItWrittenOrFailed)
{
    onServer({ QStringLiteral("CREATE TABLE `%1`.zdroj2 (Id INT, Jmeno VARCHAR(60), Cena "
                              "VARCHAR(10))")
                   .arg(m_source),
               QStringLiteral("INSERT INTO `%1`.zdroj2 VALUES (20, 'a', 'x'), (20, 'b', '5'), "
                              "(21, 'c', '6'), (21, 'd', '7'), (3, 'e', '1'), "
                              "(22, REPEAT('z', 40), '8'), (23, 'g', '9'), (22, 'h', '10')")
                   .arg(m_source) });
    inImport([&](TdImpForm &w) {
        connectSource(w);
        auto *tables = control<QComboBox>(w, "tblSelCoB");
        selectEntry(w, "tblSelCoB", tables->findText(QStringLiteral("zdroj2")));
        relateAll(w);
        typeText(w, "ctrlFieldsE", QStringLiteral("Id;id"));
        click(w, "insertRB");
        prompts.clear();
        for (int i = 0; i < 4; ++i)
            prompts.answerConfirm(true); // go on, and keep showing the errors
        click(w, "diGoBtn");
        const QStringList questions = prompts.textsOf(QStringLiteral("confirmation"));
        ASSERT_EQ(questions.size(), 4);
        // Row 1 has no price; row 6 has a name too long for the target.
        EXPECT_TRUE(
            questions[0].startsWith(QStringLiteral("Při zápisu záznamu 1 došlo k chybě:\r\n")));
        EXPECT_TRUE(
            questions[2].startsWith(QStringLiteral("Při zápisu záznamu 6 došlo k chybě:\r\n")));
        EXPECT_EQ(messages().last(), QStringLiteral("Import [I]: 4 rec(s)\r\n\r\nerrs:\r\n1,6"));
    });
    EXPECT_EQ(onTarget(QStringLiteral("SELECT GROUP_CONCAT(CONCAT(id, jméno, '=', cena) ORDER BY "
                                      "id) FROM %1cíl")),
              QStringLiteral("3stará=1.00,20b=5.00,21c=6.00,22h=10.00,23g=9.00"));
    EXPECT_EQ(shownInTarget(QStringLiteral("id")), QStringList({ "3", "20", "21", "23", "22" }));
}

TEST_F(ImportTest, RelationFilesAndTheSourceSearch)
{
    const QString file = QDir(programFolder()).filePath(QStringLiteral("cíl_zdroj.vri"));
    ensureFolder(programFolder());
    writeAnsiLines(file, { QStringLiteral("Jmeno;jméno"), QStringLiteral("Name;Title;x") });
    inImport([&](TdImpForm &w) {
        connectSource(w);
        EXPECT_EQ(w.relationFilePath(), file);
        ASSERT_TRUE(control<QWidget>(w, "loadBtn")->isEnabled());
        click(w, "loadBtn");
        click(w, "loadBtn");
        EXPECT_EQ(entries(w).size(), 4);
        EXPECT_EQ(list(w).item(1)->checkState(), Qt::Unchecked);

        QFile::remove(file);
        click(w, "loadBtn");
        EXPECT_EQ(messages().last(),
                  QStringLiteral("Soubor se šablonou CíL_ZDROJ není k dispozici."));

        typeText(w, "tSearchE", QStringLiteral("věc 5"));
        w.tSearchEExit();
        prompts.answerConfirm(false);
        click(w, "tSearchBtn");
        EXPECT_EQ(control<QLabel>(w, "posLbl")->text(), QStringLiteral("5-F1"));
        EXPECT_EQ(prompts.textsOf(QStringLiteral("confirmation")).last(),
                  QStringLiteral("výraz 'VĚC 5' nalezen [Jmeno]; pokračovat?"));

        const QString folder = qEnvironmentVariable("VORLAN_SCREENSHOT_DIR");
        if (!folder.isEmpty()) {
            click(w, "editRB");
            w.grab().save(QDir(folder).filePath(QStringLiteral("import_window.png")));
        }
    });
}

TEST_F(ImportTest, AnStvFileGoesIntoAWorkbookAndNeverIntoTheServer)
{
    // The server knows no TOP: the target's fields cannot be learnt.
    prompts.allowErrors();
    inImport([&](TdImpForm &w) {
        clickItem(w, "diTypeRG", 0);
        EXPECT_TRUE(control<QWidget>(w, "diGoBtn")->isEnabled());
        EXPECT_FALSE(control<QWidget>(w, "diConnectBtn")->isEnabled());
        click(w, "diGoBtn");
        EXPECT_EQ(messages().last(), QStringLiteral("Tabulka cíl nebyla nalezena!"));
    });
}

// Values of numeric columns must be numbers (a variant's one literal): whatever else would be
// computed or run is refused with its reason before the question; honest blanks at a value's
// ends and a trailing point pass.
TEST(ImportStv, AWorkbookTargetTakesNumbersAndRefusesWhatWouldBeComputed)
{
    ScriptedPrompts prompts;
    Program program(*qApp);
    TvrlForm &form = program.mainWindow();
    QTemporaryDir dir;
    GeneratedWorkbook book;
    book.addSheet(
        QStringLiteral("Ceník"),
        QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Zboží</t></is></c>"
                       "<c r=\"B1\" t=\"inlineStr\"><is><t>Cena</t></is></c>"
                       "<c r=\"C1\" t=\"inlineStr\"><is><t>Kusů</t></is></c>"
                       "<c r=\"D1\" t=\"inlineStr\"><is><t>Dne</t></is></c></row>"
                       "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>chléb</t></is>"
                       "</c><c r=\"B2\"><v>32.5</v></c><c r=\"C2\"><v>1</v></c>"
                       "<c r=\"D2\" s=\"1\"><v>44197</v></c></row>"));
    const QString path = dir.filePath(QStringLiteral("ceník.xlsx"));
    book.save(path);
    connectWorkbook(form, prompts, path);
    selectEntry(form, "TblSelCoB", 0);
    ASSERT_TRUE(DM().vrxTbl.isActive());

    struct Case
    {
        QStringList lines;
        QStringList refused; // the reasons, in line order
        QString summary;
    };
    const QString notANumber = QStringLiteral("Hodnota „%1“ položky Cena není číslo.");
    const std::vector<Case> cases {
        { { "Zboží;Cena;Kusů;Dne", "STRING;FLOAT;INTEGER;DATETIME", "máslo; 59.9;2 ;5.3.2020",
            "mléko;19.5 ;1.;31.12.2021" },
          {},
          "CSV import OK [2 záznamů]" },
        // No ";" in these: each is one value, that would add a row or run a query.
        { { "Zboží;Cena", "STRING;FLOAT", "sýr;1),('B',2", "tvaroh;(SELECT 7)" },
          { notANumber.arg("1),('B',2"), notANumber.arg("(SELECT 7)") },
          "žádné záznamy nebyly importovány" },
        { { "Zboží;Cena", "STRING;CURRENCY", "jogurt;1-2", "datle;2024-04-15", "med;12,50" },
          { notANumber.arg("1-2"), notANumber.arg("2024-04-15") },
          "CSV import OK [1 záznamů]" },
        { { "Zboží;Cena", "STRING;VARIANT", "ořech;0x10", "", "mák;(SELECT 7)" },
          { QStringLiteral("Hodnota „(SELECT 7)“ položky Cena není jediný literál SQL (číslo, "
                           "text v apostrofech, N'…', 0x…, NULL).") },
          "CSV import OK [1 záznamů]" },
    };
    prompts.answerModal([&](QDialog &dialog) {
        clickItem(dialog, "diTypeRG", 0);
        for (size_t i = 0; i < cases.size(); ++i) {
            const QString stv = dir.filePath(QStringLiteral("ceník%1.csv").arg(i));
            writeAnsiLines(stv, cases[i].lines);
            prompts.clear();
            prompts.answerFile(stv);
            for (int r = 0; r < cases[i].refused.size(); ++r)
                prompts.answerConfirm(true);
            click(dialog, "diGoBtn");
            EXPECT_EQ(prompts.textsOf(QStringLiteral("message")),
                      cases[i].refused + QStringList { cases[i].summary })
                << i;
            EXPECT_EQ(prompts.textsOf(QStringLiteral("confirmation")).size(),
                      cases[i].refused.size())
                << i;
        }
        EXPECT_EQ(prompts.textsOf(QStringLiteral("confirmation")).value(0),
                  QStringLiteral("Při vkládání řádku 5 (mák ...) došlo k chybě.\r\nMá import i "
                                 "přesto pokračovat?"));
        click(dialog, "diExitBtn");
        return dialog.result();
    });
    click(form, "importBtn");

    // Read back from the file: the refused lines left nothing.
    EXPECT_EQ(storedRows(DM().vrlConnect.connectionString(), QStringLiteral("[Ceník$]"),
                         { "Zboží", "Cena", "Kusů", "Dne" }),
              QStringList({ "chléb/32,5/1/01.01.2021", "máslo/59,9/2/05.03.2020",
                            "mléko/19,5/1/31.12.2021", "med/12,5//", "ořech/16//" }));
}

// A target row is found by all its values when the table has no primary key; an edit that
// would change two equal rows changes neither, is listed as failed, and the grid shows what
// the file holds.
TEST(ImportIntoAWorkbook, AnEditOfRowsSharingAllTheirValuesChangesNone)
{
    ScriptedPrompts prompts;
    Program program(*qApp);
    TvrlForm &form = program.mainWindow();
    QTemporaryDir dir;
    GeneratedWorkbook target;
    target.addSheet(QStringLiteral("Páry"),
                    sheetRow(1, { "Kód", "Název" }) + sheetRow(2, { "1", "a" })
                        + sheetRow(3, { "1", "a" }) + sheetRow(4, { "2", "c" }));
    const QString targetPath = dir.filePath(QStringLiteral("páry.xlsx"));
    target.save(targetPath);
    GeneratedWorkbook source;
    source.addSheet(QStringLiteral("Změny"),
                    sheetRow(1, { "Kód", "Název" }) + sheetRow(2, { "1", "b" })
                        + sheetRow(3, { "2", "d" }));
    const QString sourcePath = dir.filePath(QStringLiteral("změny.xlsx"));
    source.save(sourcePath);
    connectWorkbook(form, prompts, targetPath);
    selectEntry(form, "TblSelCoB", 0);
    ASSERT_TRUE(DM().vrxTbl.isActive());

    prompts.answerModal([&](QDialog &w) {
        clickItem(w, "diTypeRG", 1);
        prompts.answerFile(sourcePath);
        click(w, "diConnectBtn");
        selectEntry(w, "tblSelCoB", 0);
        selectEntry(w, "sourceFieldCoB", 0);
        selectEntry(w, "destFieldCoB", 0);
        click(w, "addCtrlBtn"); // Kód;Kód
        selectEntry(w, "sourceFieldCoB", 1);
        selectEntry(w, "destFieldCoB", 1);
        prompts.answerConfirm(false); // no batch: Název;Název alone
        click(w, "addBtn");
        control<QListWidget>(w, "translateChLB")->item(0)->setCheckState(Qt::Checked);
        click(w, "editRB");
        prompts.clear();
        prompts.answerConfirm(true);
        click(w, "diGoBtn");
        EXPECT_EQ(prompts.textsOf(QStringLiteral("confirmation")),
                  QStringList({ QStringLiteral("Při edici záznamu 1 došlo k chybě.\r\nPřesto "
                                               "pokračovat?") }));
        EXPECT_EQ(prompts.textsOf(QStringLiteral("message")).value(0),
                  QStringLiteral("Import [E]: 1 rec(s)\r\n\r\nerrs:\r\n1"));
        click(w, "diExitBtn");
        return w.result();
    });
    click(form, "importBtn");

    QStringList shown;
    Dataset &grid = DM().vrxTbl;
    for (grid.first(); !grid.eof(); grid.next())
        shown << grid.fieldByName(QStringLiteral("Název")).text();
    EXPECT_EQ(shown, QStringList({ "a", "a", "d" }));
    EXPECT_EQ(
        storedRows(DM().vrlConnect.connectionString(), QStringLiteral("[Páry$]"), { "Název" }),
        QStringList({ "a", "a", "d" }));
}

TEST_F(ImportTest, AWorkbookSheetGoesIntoTheServerTable)
{
    QTemporaryDir dir;
    GeneratedWorkbook book;
    book.addSheet(QStringLiteral("Zdroj"),
                  QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Id</t></is></c>"
                                 "<c r=\"B1\" t=\"inlineStr\"><is><t>Jmeno</t></is></c>"
                                 "<c r=\"C1\" t=\"inlineStr\"><is><t>Cena</t></is></c></row>"
                                 "<row r=\"2\"><c r=\"A2\"><v>21</v></c><c r=\"B2\" "
                                 "t=\"inlineStr\"><is><t>Šroub</t></is></c><c r=\"C2\"><v>0.5</v>"
                                 "</c></row><row r=\"3\"><c r=\"A3\"><v>22</v></c><c r=\"B3\" "
                                 "t=\"inlineStr\"><is><t>Matka</t></is></c><c r=\"C3\"><v>0.25</v>"
                                 "</c></row>"));
    const QString path = dir.filePath(QStringLiteral("zdroj.xlsx"));
    book.save(path);
    inImport([&](TdImpForm &w) {
        clickItem(w, "diTypeRG", 1);
        prompts.answerFile(path);
        click(w, "diConnectBtn");
        auto *tables = control<QComboBox>(w, "tblSelCoB");
        ASSERT_EQ(tables->count(), 1);
        EXPECT_EQ(tables->itemText(0), QStringLiteral("[Zdroj$]"));
        selectEntry(w, "tblSelCoB", 0);
        EXPECT_EQ(w.windowTitle(), QStringLiteral("qZ data import: \\\\..\\ZDROJ.XLSX >> cíl"));
        EXPECT_EQ(w.relationFilePath(),
                  QDir(programFolder()).filePath(QStringLiteral("cíl_[Zdroj$].vri")));
        relateAll(w);
        click(w, "insertRB");
        click(w, "diGoBtn");
        EXPECT_EQ(messages().last(), QStringLiteral("Import [I]: 2 rec(s)"));
    });
    EXPECT_EQ(onTarget(QStringLiteral("SELECT GROUP_CONCAT(CONCAT(id, jméno, cena) ORDER BY id) "
                                      "FROM %1cíl")),
              QStringLiteral("3stará1.00,21Šroub0.50,22Matka0.25"));
}

TEST_F(ImportTest, WhileARunWaitsAtAQuestionTheWindowsCommandsDoNothing)
{
    inImport([&](TdImpForm &w) {
        connectSource(w);
        relateNameToPrice(w);
        list(w).item(0)->setCheckState(Qt::Checked); // Jmeno;cena fails on every row
        click(w, "insertRB");
        prompts.clear();
        prompts.answerConfirmWith([&] {
            const int asked = int(prompts.records().size());
            click(w, "diExitBtn");
            click(w, "diGoBtn");
            click(w, "diConnectBtn");
            clickItem(w, "diTypeRG", 0);
            selectEntry(w, "tblSelCoB", 0);
            emit list(w).itemDoubleClicked(list(w).item(0));
            click(w, "insertRB");
            click(w, "editRB");
            EXPECT_TRUE(control<QRadioButton>(w, "insertRB")->isChecked());
            EXPECT_FALSE(control<QRadioButton>(w, "editRB")->isChecked());
            EXPECT_EQ(int(prompts.records().size()), asked);
            EXPECT_TRUE(w.isVisible());
            EXPECT_TRUE(DM().diConnect.isConnected());
            EXPECT_TRUE(DM().diSourceTable.isActive());
            EXPECT_EQ(control<RadioGroup>(w, "diTypeRG")->itemIndex(), 3);
            EXPECT_EQ(list(w).item(0)->checkState(), Qt::Checked);
            return false; // stop
        });
        prompts.answerConfirm(true);
        click(w, "diGoBtn");
        EXPECT_EQ(messages().last(),
                  QStringLiteral("Nebyly importovány žádné záznamy...\r\n\r\nerrs:\r\n1"));
        EXPECT_FALSE(w.isRunning());
    });
}

TEST(ImportStv, BadFilesEndWithTheirMessagesAndAShortLineIsWarnedAbout)
{
    ScriptedPrompts prompts;
    Program program(*qApp);
    TvrlForm &form = program.mainWindow();
    QTemporaryDir dir;
    GeneratedWorkbook book;
    book.addSheet(
        QStringLiteral("Sklad"),
        QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Zboží</t></is></c>"
                       "<c r=\"B1\" t=\"inlineStr\"><is><t>Cena</t></is></c>"
                       "<c r=\"C1\" t=\"inlineStr\"><is><t>Kusů</t></is></c></row>"));
    const QString path = dir.filePath(QStringLiteral("sklad.xlsx"));
    book.save(path);
    connectWorkbook(form, prompts, path);
    selectEntry(form, "TblSelCoB", 0);
    ASSERT_TRUE(DM().vrxTbl.isActive());

    const auto file = [&dir](const QString &name, const QStringList &lines) {
        const QString stv = dir.filePath(name);
        writeAnsiLines(stv, lines);
        return stv;
    };
    QFile binary(dir.filePath(QStringLiteral("binární.csv")));
    ASSERT_TRUE(binary.open(QIODevice::WriteOnly));
    QByteArray noise;
    for (int i = 0; i < 4096; ++i)
        noise += char((i * 37) % 256);
    binary.write(noise);
    binary.close();
    const QStringList stvFiles {
        file(QStringLiteral("cizí.csv"), { "Zboží;Barva", "STRING;STRING", "a;b" }),
        file(QStringLiteral("typy.csv"), { "Zboží;Cena;Kusů", "STRING;FLOAT", "a;1;2" }),
        file(QStringLiteral("dlouhý.csv"), { QString(10 * 1024 * 1024, u'x'), "STRING" }),
        binary.fileName(),
        QString(), // no file chosen
        file(QStringLiteral("krátký.csv"), { "Zboží;Cena;Kusů", "STRING;FLOAT;INTEGER", "máslo" }),
    };
    const QStringList expected {
        QStringLiteral("Chybná hlavička CSV souboru!"),
        QStringLiteral("Chybná hlavička CSV souboru!"),
        QStringLiteral("Chybná hlavička CSV souboru!"),
        QStringLiteral("Chybná hlavička CSV souboru!"),
        QStringLiteral("Nebyl vybrán CSV soubor!"),
        QStringLiteral("CSV import OK [1 záznamů]"),
    };
    prompts.answerModal([&](QDialog &dialog) {
        clickItem(dialog, "diTypeRG", 0);
        for (int i = 0; i < stvFiles.size(); ++i) {
            prompts.clear();
            prompts.answerFile(stvFiles[i]);
            click(dialog, "diGoBtn");
            EXPECT_EQ(prompts.textsOf(QStringLiteral("message")).last(), expected[i]) << i;
        }
        EXPECT_EQ(prompts.textsOf(QStringLiteral("message")).first(),
                  QStringLiteral("Nesprávný počet oddělovačů v řádku 3 [0, má být 2].\r\nŘádek "
                                 "možná nebude možno naimportovat."));

        // A file that is gone by the time it is read reaches the general error report.
        prompts.clear();
        prompts.allowErrors();
        prompts.answerFile(dir.filePath(QStringLiteral("zmizelý.csv")));
        click(dialog, "diGoBtn");
        EXPECT_EQ(prompts.textsOf(QStringLiteral("error")).size(), 1);
        EXPECT_TRUE(prompts.textsOf(QStringLiteral("message")).isEmpty());
        click(dialog, "diExitBtn");
        return dialog.result();
    });
    click(form, "importBtn");
}

// The server drops the target's connection in the middle of a run: the row asks its question,
// No ends the run with a summary that lists it, nothing claims it was written, and a new
// connect works.
TEST_F(ImportTest, AConnectionKilledDuringARunIsAskedAboutAndAConnectGoesOn)
{
    // Every insert into the target waits a little, long enough to be cut off.
    onServer({ QStringLiteral("USE `%1`").arg(m_target),
               QStringLiteral("CREATE TRIGGER pomalu BEFORE INSERT ON cíl FOR EACH ROW "
                              "SET @w = SLEEP(0.3)") });
    inImport([&](TdImpForm &w) {
        connectSource(w);
        relateAll(w);
        click(w, "insertRB");
        prompts.clear();
        prompts.answerConfirm(false); // stop
        prompts.answerConfirm(true); // errors would be shown
        {
            // A prepared statement's text is not always shown while it runs: any will do,
            // only the target's connection works on its database now.
            ConnectionKiller killer(m_target, QString());
            click(w, "diGoBtn");
            ASSERT_TRUE(killer.killed());
        }
        const QStringList questions = prompts.textsOf(QStringLiteral("confirmation"));
        ASSERT_EQ(questions.size(), 2);
        EXPECT_TRUE(questions[0].startsWith(QStringLiteral("Při zápisu záznamu 1 došlo k chybě:")))
            << questions[0].toStdString();
        EXPECT_EQ(messages().last(),
                  QStringLiteral("Nebyly importovány žádné záznamy...\r\n\r\nerrs:\r\n1"));
        EXPECT_FALSE(w.isRunning());
    });
    EXPECT_EQ(onTarget(QStringLiteral("SELECT COUNT(*) FROM %1cíl")), QStringLiteral("1"));
    connectMySql(form, prompts, m_target);
    ASSERT_TRUE(DM().vrlConnect.isConnected());
    chooseTable(form, QStringLiteral("cíl"));
    EXPECT_TRUE(DM().vrxTbl.isActive());
    EXPECT_EQ(DM().vrxTbl.recordCount(), 1);
}

TEST_F(ImportTest, AStoppedImportEndsAfterTheRowInProgressAndCountsWhatItWrote)
{
    onServer({ QStringLiteral("INSERT INTO `%1`.zdroj SELECT seq, CONCAT('Věc ', seq), seq "
                              "FROM seq_11_to_100000")
                   .arg(m_source),
               QStringLiteral("DELETE FROM `%1`.cíl").arg(m_target) });
    QElapsedTimer clock;
    inImport([&](TdImpForm &w) {
        connectSource(w);
        relateAll(w);
        click(w, "insertRB");
        prompts.clear();
        QTimer::singleShot(1500, &w, [&w] { QTest::keyClick(&w, Qt::Key_Escape); });
        clock.start();
        click(w, "diGoBtn");
        EXPECT_LT(clock.elapsed(), 20000);
        EXPECT_TRUE(w.isVisible()); // Esc stopped the run, it did not close the window
    });
    // Stopped between two rows or during one: the run's own end message counts the rows that
    // are in the table, and asks nothing.
    EXPECT_TRUE(prompts.textsOf(QStringLiteral("confirmation")).isEmpty());
    const QStringList shown = messages();
    ASSERT_FALSE(shown.isEmpty());
    const QRegularExpression summary(QStringLiteral("^Import \\[I\\]: (\\d+) rec\\(s\\)$"));
    const QRegularExpressionMatch match = summary.match(shown.last());
    ASSERT_TRUE(match.hasMatch()) << shown.join(u'|').toStdString();
    const int written = match.captured(1).toInt();
    EXPECT_GT(written, 0);
    EXPECT_LT(written, 100000);
    EXPECT_EQ(onTarget(QStringLiteral("SELECT COUNT(*) FROM %1cíl")), QString::number(written));
}
