// The demo files of examples/ as a new user meets them: the workbook opened through the connect
// flow, table by table; the server script loaded into a database and its view opened; the import
// file into the workbook and the relation file from the workbook into the server. The workbook
// and the script must hold the same data, which is checked value by value.
#include "ServerSession.h"

#include "access/Connection.h"
#include "access/Dataset.h"
#include "basic/ProgramPaths.h"
#include "data/VRLDM.h"
#include "import/qZ_dImport.h"

#include "support/ProgramFixture.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTemporaryDir>

using namespace vrl;
using namespace vrl::test;

namespace {

const QString kExamples = QStringLiteral(VORLAN_EXAMPLES_DIR);
const QString kWorkbook = QStringLiteral("ukázka.xlsx");

// The names of the table choice for the workbook: sheets in brackets, then the named ranges.
const QStringList kWorkbookTables { "[Zboží$]",    "[Odběratelé$]", "[Objednávky$]", "[Novinky$]",
                                    "[SONGBASE$]", "Ceník",         "SONGBASE" };

QString workbookConnection(const QString &path)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + path
        + QStringLiteral(";Extended Properties=Excel 8.0;Persist Security Info=False");
}

QString serverConnection(const QString &database)
{
    QString odbc = qEnvironmentVariable("VORLAN_TEST_ODBC");
    odbc.replace(QStringLiteral("DATABASE=vorlan_test"), QStringLiteral("DATABASE=") + database);
    return QStringLiteral("Provider=MSDASQL.1;Extended Properties=\"") + odbc + QLatin1Char('"');
}

// Every row of a table as one text: numbers by their value (the workbook holds doubles where
// the server holds decimals), everything else by its text form.
QStringList rowsOf(const QString &connectionString, const QString &table)
{
    Connection connection;
    connection.setConnectionString(connectionString);
    connection.open();
    Dataset rows(Dataset::Kind::Table);
    rows.setConnection(&connection);
    rows.setCommandText(table);
    rows.open();
    QStringList texts;
    for (rows.first(); !rows.eof(); rows.next()) {
        QStringList cells;
        for (int i = 0; i < rows.fieldCount(); ++i) {
            const Field field = rows.field(i);
            const bool number = field.type() == FieldType::Int || field.type() == FieldType::Double
                || field.type() == FieldType::Decimal;
            cells << (number && !field.isNull() ? QString::number(field.number(), 'g', 12)
                                                : field.text());
        }
        texts << rows.fieldNames().join(u'|') + QStringLiteral(": ") + cells.join(u'|');
    }
    return texts;
}

class Examples : public ProgramFixture
{
protected:
    // A copy of the demo workbook, as ./dev run leaves one in the program folder: writes go
    // into the copy, never into the repository's file.
    QString workbookCopy()
    {
        const QString path = m_dir.filePath(kWorkbook);
        EXPECT_TRUE(QFile::copy(kExamples + u'/' + kWorkbook, path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        return path;
    }
    // The demo database as ./dev demo creates it.
    void demoDatabase(const QString &name)
    {
        freshDatabase(name, exampleScript(QStringLiteral("ukázka_mariadb.sql")));
    }
    QStringList listedTables()
    {
        auto *choice = control<QComboBox>(form, "TblSelCoB");
        QStringList names;
        for (int i = 0; i < choice->count(); ++i)
            names << choice->itemText(i);
        return names;
    }
    void screenshot(const QString &name)
    {
        const QString folder = qEnvironmentVariable("VORLAN_SCREENSHOT_DIR");
        if (folder.isEmpty())
            return;
        // Wide enough for every column, as the user would drag the window.
        form.resize(1240, form.height());
        settle();
        EXPECT_TRUE(form.grab().save(QDir(folder).filePath(name)));
    }
    // Opens the import window, lets the steps act in it, and leaves it by eXit.
    void inImport(const std::function<void(TdImpForm &)> &steps)
    {
        prompts.answerModal([&](QDialog &dialog) {
            steps(*form.findChild<TdImpForm *>(QStringLiteral("dImpForm")));
            click(dialog, "diExitBtn");
            return dialog.result();
        });
        click(form, "importBtn");
    }
    QString lastMessage()
    {
        const QStringList messages = prompts.textsOf(QStringLiteral("message"));
        return messages.isEmpty() ? QString() : messages.last();
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(Examples, TheWorkbookOpensEverySheetAndNamedRange)
{
    connectWorkbook(form, prompts, workbookCopy());
    ASSERT_TRUE(DM().vrlConnect.isConnected());
    EXPECT_EQ(listedTables(), kWorkbookTables);
    prompts.clear(); // the file dialog
    for (const QString &table : kWorkbookTables) {
        chooseTable(form, table);
        ASSERT_TRUE(DM().vrxTbl.isActive()) << table.toStdString();
        EXPECT_GT(DM().vrxTbl.recordCount(), 0) << table.toStdString();
        EXPECT_FALSE(DM().vrxTbl.fieldNames().contains(QString())) << table.toStdString();
    }
    EXPECT_TRUE(prompts.records().isEmpty()) << prompts.texts().join(u'|').toStdString();

    // Czech text, decimals and dates read as the user expects to see them.
    chooseTable(form, QStringLiteral("Ceník"));
    EXPECT_EQ(DM().vrxTbl.fieldNames(), QStringList({ "Kód", "Název", "Cena" }));
    EXPECT_EQ(DM().vrxTbl.recordCount(), 10);
    chooseTable(form, QStringLiteral("[Objednávky$]"));
    EXPECT_EQ(DM().vrxTbl.fieldByName(QStringLiteral("Vytvořeno")).text(),
              QStringLiteral("03.04.2024 6:15:00"));
    chooseTable(form, QStringLiteral("[Zboží$]"));
    EXPECT_EQ(DM().vrxTbl.fieldByName(QStringLiteral("Název")).text(),
              QStringLiteral("Chléb žitný kmínový"));
    EXPECT_EQ(DM().vrxTbl.fieldByName(QStringLiteral("Hmotnost")).text(), QStringLiteral("1,2"));
    EXPECT_EQ(DM().vrxTbl.fieldByName(QStringLiteral("Naskladněno")).text(),
              QStringLiteral("02.04.2024"));
    screenshot(QStringLiteral("workbook.png"));
}

TEST_F(Examples, TheServerScriptHoldsTheWorkbooksDataAndItsViewOpens)
{
    NEEDS_SERVER();
    // The name ./dev demo gives it, so that the screenshot's title reads as the user's will.
    const QString database = QStringLiteral("ukazka");
    demoDatabase(database);
    connectMySql(form, prompts, database);
    ASSERT_TRUE(DM().vrlConnect.isConnected());
    prompts.clear(); // the MySQL dialog
    EXPECT_EQ(listedTables(),
              QStringList({ "novinky", "objednávky", "odběratelé", "přehled_objednávek", "SONGBASE",
                            "zboží" }));
    chooseTable(form, QStringLiteral("přehled_objednávek"));
    ASSERT_TRUE(DM().vrxTbl.isActive());
    EXPECT_EQ(DM().vrxTbl.recordCount(), 9);
    EXPECT_EQ(DM().vrxTbl.fieldByName(QStringLiteral("Odběratel")).text(),
              QStringLiteral("Pekařství Novák"));
    EXPECT_EQ(DM().vrxTbl.fieldByName(QStringLiteral("Částka")).text(), QStringLiteral("498,00"));
    EXPECT_TRUE(prompts.records().isEmpty()) << prompts.texts().join(u'|').toStdString();
    screenshot(QStringLiteral("mariadb.png"));

    const QString book = workbookConnection(kExamples + u'/' + kWorkbook);
    const QString server = serverConnection(database);
    const QStringList pairs { "zboží",      "[Zboží$]",      "odběratelé", "[Odběratelé$]",
                              "objednávky", "[Objednávky$]", "novinky",    "[Novinky$]",
                              "SONGBASE",   "SONGBASE" };
    for (qsizetype i = 0; i < pairs.size(); i += 2)
        EXPECT_EQ(rowsOf(server, pairs[i]), rowsOf(book, pairs[i + 1])) << pairs[i].toStdString();
}

TEST_F(Examples, TheImportFileAddsItsGoodsToTheWorkbook)
{
    const QString path = workbookCopy();
    connectWorkbook(form, prompts, path);
    chooseTable(form, QStringLiteral("[Zboží$]"));
    ASSERT_TRUE(DM().vrxTbl.isActive());
    inImport([&](TdImpForm &w) {
        clickItem(w, "diTypeRG", 0);
        prompts.answerFile(kExamples + QStringLiteral("/ukázka_import.csv"));
        click(w, "diGoBtn");
    });
    EXPECT_EQ(lastMessage(), QStringLiteral("CSV import OK [3 záznamů]"));
    // Read back from the file itself, the price with its blank and decimal comma a number.
    const QStringList rows = rowsOf(workbookConnection(path), QStringLiteral("[Zboží$]"));
    ASSERT_EQ(rows.size(), 13);
    EXPECT_TRUE(
        rows[10].endsWith(QStringLiteral(": 3001|Dárkový koš Vánoční|1249|4.5|3|15.04.2024")))
        << rows[10].toStdString();
}

TEST_F(Examples, TheRelationFileCarriesTheNewGoodsFromTheWorkbookIntoTheServer)
{
    NEEDS_SERVER();
    const QString relations = QStringLiteral("zboží_[Novinky$].vri");
    ensureFolder(programFolder());
    const QString installed = QDir(programFolder()).filePath(relations);
    QFile::remove(installed);
    ASSERT_TRUE(QFile::copy(kExamples + u'/' + relations, installed));
    const QString book = workbookCopy();
    const QString database = databaseOfThisTest(QStringLiteral("ex"));
    demoDatabase(database);
    connectMySql(form, prompts, database);
    chooseTable(form, QStringLiteral("zboží"));
    ASSERT_TRUE(DM().vrxTbl.isActive());

    const auto run = [&](TdImpForm &w) {
        clickItem(w, "diTypeRG", 1);
        prompts.answerFile(book);
        click(w, "diConnectBtn");
        selectEntry(w, "tblSelCoB",
                    control<QComboBox>(w, "tblSelCoB")->findText(QStringLiteral("[Novinky$]")));
        EXPECT_EQ(w.relationFilePath(), installed);
        ASSERT_TRUE(control<QWidget>(w, "loadBtn")->isEnabled());
        click(w, "loadBtn");
        auto &list = *control<QListWidget>(w, "translateChLB");
        ASSERT_EQ(list.count(), 6);
        EXPECT_EQ(list.item(0)->text(), QStringLiteral("Číslo;Kód"));
        emit list.itemDoubleClicked(list.item(0)); // all checked
        typeText(w, "ctrlFieldsE", QStringLiteral("Číslo;Kód"));
        click(w, "insertRB");
        ASSERT_TRUE(control<QWidget>(w, "diGoBtn")->isEnabled());
        click(w, "diGoBtn");
    };
    inImport(run);
    EXPECT_EQ(lastMessage(), QStringLiteral("Import [I]: 3 rec(s)"));
    // Again: the control relation finds every new article there already.
    inImport(run);
    EXPECT_EQ(lastMessage(), QStringLiteral("Nebyly importovány žádné záznamy..."));
    const QString goods = QStringLiteral("`%1`.zboží").arg(database);
    EXPECT_EQ(
        valueOnServer(QStringLiteral("SELECT CONCAT_WS('|', COUNT(*), MAX(Kód)) FROM ") + goods),
        QStringLiteral("13|2003"));
    EXPECT_EQ(valueOnServer(QStringLiteral("SELECT CONCAT_WS('|', Název, Cena, Hmotnost, Skladem, "
                                           "Naskladněno) FROM %1 WHERE Kód = 2002")
                                .arg(goods)),
              QStringLiteral("Tvaroh měkký|27.90|0.25|30|2024-04-10"));
}
