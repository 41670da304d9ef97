// Writing to workbooks: edits, appended records and statements change the .xlsx file itself,
// only in the affected cells, safely; what cannot be written is refused and nothing changes.
#include "WorkbookOracle.h"
#include "support/DatasetHelpers.h"
#include "support/GeneratedWorkbook.h"
#include "support/OfficeCsv.h"

#include "access/Connection.h"
#include "access/ConnectionTemplates.h"
#include "access/DataError.h"
#include "access/Dataset.h"
#include "access/HeldWrites.h"
#include "access/workbook/ZipArchive.h"
#include "regional/Regional.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <zip.h>

using namespace vrl;
using namespace vrl::test;

namespace {

// Every entry of a package by name, uncompressed.
QMap<QString, QByteArray> entriesOf(const QString &path)
{
    QMap<QString, QByteArray> entries;
    const workbook::ZipArchive archive(path);
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive.handle(), 0); ++i) {
        const QString name = QString::fromUtf8(zip_get_name(archive.handle(), zip_uint64_t(i), 0));
        entries.insert(name, archive.read(name));
    }
    return entries;
}

class WorkbookWrite : public ::testing::Test
{
protected:
    WorkbookWrite()
    {
        GeneratedWorkbook book;
        book.addSheet(
            QStringLiteral("Ceník"),
            QStringLiteral(
                "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Zboží</t></is></c>"
                "<c r=\"B1\" t=\"inlineStr\"><is><t>Cena</t></is></c>"
                "<c r=\"C1\" t=\"inlineStr\"><is><t>Dne</t></is></c>"
                "<c r=\"D1\" t=\"inlineStr\"><is><t>Dvojnásobek</t></is></c></row>"
                "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>chléb</t></is></c><c "
                "r=\"B2\"><v>32.5</v></c>"
                "<c r=\"C2\" s=\"1\"><v>44197</v></c><c r=\"D2\"><f>B2*2</f><v>65</v></c></row>"
                "<row r=\"3\"><c r=\"A3\" t=\"inlineStr\"><is><t>máslo</t></is></c><c "
                "r=\"B3\"><v>59.9</v></c>"
                "<c r=\"C3\" s=\"1\"><v>44198</v></c><c "
                "r=\"D3\"><f>B3*2</f><v>119.8</v></c></row>"));
        book.addSheet(QStringLiteral("Jiný"),
                      QStringLiteral("<row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"));
        book.addName(QStringLiteral("Zboží"), QStringLiteral("'Ceník'!$A$1:$B$3"));
        book.save(path());
        // A calculation chain as spreadsheet programs keep it.
        int error = 0;
        zip_t *archive = zip_open(QFile::encodeName(path()).constData(), 0, &error);
        static const char chain[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?><calcChain "
                                    "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/"
                                    "2006/main\"><c r=\"D2\" i=\"1\"/><c r=\"D3\"/></calcChain>";
        zip_file_add(archive, "xl/calcChain.xml",
                     zip_source_buffer(archive, chain, sizeof chain - 1, 0), 0);
        zip_close(archive);
        connection.setConnectionString(excelWorkbook(path()));
        connection.open();
    }

    QString path() const { return dir.filePath(QStringLiteral("ceník.xlsx")); }

    std::unique_ptr<Dataset> table(const QString &name, Connection &on)
    {
        return openTable(on, name);
    }

    // The table as a fresh connection reads the file now.
    std::unique_ptr<Dataset> reread(const QString &name)
    {
        fresh.close();
        fresh.setConnectionString(excelWorkbook(path()));
        fresh.open();
        return table(name, fresh);
    }

    QTemporaryDir dir;
    Connection connection;
    Connection fresh;
};

} // namespace

TEST_F(WorkbookWrite, AnEditChangesOnlyItsCellInTheFile)
{
    const auto before = entriesOf(path());
    auto prices = table(QStringLiteral("[Ceník$]"), connection);
    prices->next();
    prices->fieldByName(QStringLiteral("Cena")).setValue(Value::real(61.25));
    prices->post();

    auto again = reread(QStringLiteral("[Ceník$]"));
    again->next();
    EXPECT_EQ(again->fieldByName(QStringLiteral("Cena")).value(), Value::real(61.25));
    EXPECT_EQ(again->fieldByName(QStringLiteral("Zboží")).text(), QStringLiteral("máslo"));
    EXPECT_EQ(again->fieldByName(QStringLiteral("Dvojnásobek")).value(), Value::real(119.8));

    const auto after = entriesOf(path());
    EXPECT_EQ(after.keys(), before.keys());
    for (const QString &name : before.keys()) {
        if (name != QLatin1String("xl/worksheets/sheet1.xml")) {
            EXPECT_EQ(after[name], before[name]) << name.toStdString();
        }
    }
    // The formula next to it keeps its formula.
    EXPECT_TRUE(after[QStringLiteral("xl/worksheets/sheet1.xml")].contains("<f>B3*2</f>"));

    if (const auto reference = readWithReference(path())) {
        EXPECT_EQ(reference->cells.value(cellKey(0, 2, 1)), QStringLiteral("n\t61.25"));
    }
}

TEST_F(WorkbookWrite, AppendedRecordsGoBelowTheLastRowAndGrowTheRange)
{
    auto prices = table(QStringLiteral("[Ceník$]"), connection);
    prices->append();
    prices->fieldByName(QStringLiteral("Zboží"))
        .setText(QStringLiteral(" <sýr> & \"eidam\"\r\n\x01 "));
    prices->fieldByName(QStringLiteral("Dne"))
        .setValue(Value::dateTime(plainDateTime(QDate(2024, 2, 29), QTime(13, 30))));
    prices->post();

    // The range cannot grow into the row just written below it.
    auto goods = table(QStringLiteral("Zboží"), connection);
    goods->append();
    goods->fieldByName(QStringLiteral("Cena")).setValue(Value::real(5));
    const QString refused = failureOf([&] { goods->post(); });
    EXPECT_TRUE(refused.contains(QStringLiteral("nelze rozšířit"))) << refused.toStdString();
    goods->cancel();

    // Appended through the range where there is room, the record shows in the sheet too.
    Dataset statement(Dataset::Kind::Query);
    statement.setConnection(&connection);
    statement.setCommandText(QStringLiteral("UPDATE [Ceník$] SET Zboží = NULL, Cena = NULL, "
                                            "Dne = NULL WHERE Zboží LIKE ' <sýr>%'"));
    EXPECT_EQ(statement.execute(), 1);
    goods = table(QStringLiteral("Zboží"), connection);
    goods->append();
    goods->fieldByName(QStringLiteral("Cena")).setValue(Value::real(5));
    goods->post();
    auto sheet = table(QStringLiteral("[Ceník$]"), connection);
    sheet->last();
    EXPECT_EQ(sheet->fieldByName(QStringLiteral("Cena")).value(), Value::real(5));
    statement.setCommandText(
        QStringLiteral("UPDATE [Ceník$] SET Zboží = ' <sýr> & \"eidam\"\r\n\x01 ', "
                       "Dne = '2024-02-29 13:30:00' WHERE Cena = 5"));
    EXPECT_EQ(statement.execute(), 1);

    auto again = reread(QStringLiteral("[Ceník$]"));
    ASSERT_EQ(again->recordCount(), 3);
    again->last();
    EXPECT_EQ(again->fieldByName(QStringLiteral("Zboží")).text(),
              QStringLiteral(" <sýr> & \"eidam\"\r\n\x01 "));
    EXPECT_EQ(again->fieldByName(QStringLiteral("Dne")).value(),
              Value::dateTime(plainDateTime(QDate(2024, 2, 29), QTime(13, 30))));
    EXPECT_EQ(again->fieldByName(QStringLiteral("Cena")).value(), Value::real(5));
    EXPECT_EQ(reread(QStringLiteral("Zboží"))->recordCount(), 3);
    EXPECT_TRUE(entriesOf(path())[QStringLiteral("xl/workbook.xml")].contains("$A$1:$B$4"));

    if (const auto reference = readWithReference(path())) {
        // openpyxl leaves the escape of a control character in an inline string as it is;
        // spreadsheet programs (and our reader) turn it back into the character.
        EXPECT_EQ(reference->cells.value(cellKey(0, 3, 0)),
                  QStringLiteral("s\t <sýr> & \"eidam\"\r\n_x0001_ "));
        EXPECT_EQ(reference->cells.value(cellKey(0, 3, 2)),
                  QStringLiteral("d\t2024-02-29T13:30:00.000"));
        EXPECT_EQ(reference->cells.value(cellKey(0, 3, 1)), QStringLiteral("n\t5.0"));
    }
}

TEST_F(WorkbookWrite, StatementsWriteAndAReplacedFormulaLeavesTheChain)
{
    Dataset statement(Dataset::Kind::Query);
    statement.setConnection(&connection);
    statement.setCommandText(QStringLiteral("UPDATE [Ceník$] SET Dvojnásobek = 0 WHERE Cena > 50"));
    EXPECT_EQ(statement.execute(), 1);
    statement.setCommandText(
        QStringLiteral("INSERT INTO [Ceník$] (Zboží, Cena) VALUES ('mléko', 21.9)"));
    EXPECT_EQ(statement.execute(), 1);

    const auto entries = entriesOf(path());
    const QByteArray chain = entries[QStringLiteral("xl/calcChain.xml")];
    EXPECT_TRUE(chain.contains("r=\"D2\""));
    EXPECT_FALSE(chain.contains("r=\"D3\""));
    auto again = reread(QStringLiteral("[Ceník$]"));
    EXPECT_EQ(again->recordCount(), 3);
    again->last();
    EXPECT_EQ(again->fieldByName(QStringLiteral("Zboží")).text(), QStringLiteral("mléko"));

    // The last formula goes too: the chain is no more, nor its mentions.
    statement.setCommandText(QStringLiteral("UPDATE [Ceník$] SET Dvojnásobek = 1 WHERE Cena < 50"));
    EXPECT_EQ(statement.execute(), 2);
    const auto without = entriesOf(path());
    EXPECT_FALSE(without.contains(QStringLiteral("xl/calcChain.xml")));
    EXPECT_FALSE(without[QStringLiteral("[Content_Types].xml")].contains("calcChain"));
    EXPECT_FALSE(without[QStringLiteral("xl/_rels/workbook.xml.rels")].contains("calcChain"));
    EXPECT_EQ(reread(QStringLiteral("[Ceník$]"))->recordCount(), 3);
}

TEST_F(WorkbookWrite, RefusedWritesChangeNothing)
{
    const auto before = entriesOf(path());
    auto prices = table(QStringLiteral("[Ceník$]"), connection);
    EXPECT_EQ(failureOf([&] { prices->remove(); }),
              QStringLiteral("Ze sešitu ceník.xlsx nelze mazat řádky."));
    EXPECT_EQ(prices->recordCount(), 2);

    Dataset statement(Dataset::Kind::Query);
    statement.setConnection(&connection);
    statement.setCommandText(QStringLiteral("DROP TABLE [Jiný$]"));
    EXPECT_FALSE(failureOf([&] { statement.execute(); }).isEmpty());
    EXPECT_EQ(connection.tableNames().size(), 3);

    // Someone else saved the file meanwhile: their work is not overwritten.
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write(" ");
    file.close();
    const QByteArray touched = [&] {
        QFile f(path());
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    prices->fieldByName(QStringLiteral("Cena")).setValue(Value::real(1));
    EXPECT_TRUE(failureOf([&] { prices->post(); }).contains(QStringLiteral("změnil na disku")));
    EXPECT_EQ(prices->state(), Dataset::State::Edit); // the edit is kept
    prices->cancel();
    QFile f(path());
    f.open(QIODevice::ReadOnly);
    EXPECT_EQ(f.readAll(), touched);

    // The embedded copy did not keep the refused change either.
    auto same = table(QStringLiteral("[Ceník$]"), connection);
    EXPECT_EQ(same->fieldByName(QStringLiteral("Cena")).value(), Value::real(32.5));
    (void)before;
}

// An import holds its writes: each row is checked and shown at once, the file is written once
// at the end. A statement refused halfway adds none of its rows, even those that passed.
TEST_F(WorkbookWrite, HeldWritesReachTheFileOnceAndARefusedStatementAddsNothing)
{
    const auto bytesOf = [](const QString &file) {
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return f.readAll();
    };
    const auto run = [&](const QString &sql) {
        return statementOn(connection, sql)->execute();
    };
    const auto count = [&] {
        const auto rows = statementOn(connection, QStringLiteral("SELECT * FROM [Ceník$]"));
        rows->open();
        return rows->recordCount();
    };
    const QByteArray before = bytesOf(path());
    HeldWrites held(&connection);
    EXPECT_EQ(run(QStringLiteral("INSERT INTO [Ceník$] (Zboží, Cena, Dne) "
                                 "VALUES ('sýr', 80, '2021-01-05')")),
              1);
    EXPECT_FALSE(failureOf([&] {
                     run(QStringLiteral("INSERT INTO [Ceník$] (Zboží, Dne) SELECT 'dobrý', "
                                        "'2021-02-01' UNION ALL SELECT 'špatný', 'není datum'"));
                 }).isEmpty());
    EXPECT_EQ(run(QStringLiteral("INSERT INTO [Ceník$] (Zboží, Cena, Dne) "
                                 "VALUES ('vejce', 4.5, '2021-01-06')")),
              1);
    EXPECT_EQ(count(), 4);
    EXPECT_EQ(bytesOf(path()), before); // nothing written yet
    held.finish();

    auto again = reread(QStringLiteral("[Ceník$]"));
    ASSERT_EQ(again->recordCount(), 4);
    QStringList names;
    for (again->first(); !again->eof(); again->next())
        names << again->fieldByName(QStringLiteral("Zboží")).text();
    EXPECT_EQ(names, (QStringList { "chléb", "máslo", "sýr", "vejce" }));
    // The new rows' dates are date cells as those above them are.
    again->last();
    EXPECT_EQ(again->fieldByName(QStringLiteral("Dne")).value(),
              Value::dateTime(QDateTime(QDate(2021, 1, 6), QTime(0, 0))));
}

// Someone saves the workbook while an import holds its rows: their file is not overwritten,
// the held rows are reported as not written, and the connection shows the file as it is.
TEST_F(WorkbookWrite, HeldWritesRefuseAFileChangedMeanwhileAndShowTheFileAgain)
{
    HeldWrites held(&connection);
    statementOn(connection, QStringLiteral("INSERT INTO [Ceník$] (Zboží) VALUES ('sýr')"))
        ->execute();
    fresh.setConnectionString(excelWorkbook(path()));
    fresh.open();
    statementOn(fresh, QStringLiteral("UPDATE [Ceník$] SET Cena = 1 WHERE Zboží = 'chléb'"))
        ->execute();
    EXPECT_TRUE(failureOf([&] { held.finish(); }).contains(QStringLiteral("změnil na disku")));
    const auto rows = statementOn(connection, QStringLiteral("SELECT * FROM [Ceník$]"));
    rows->open();
    EXPECT_EQ(rows->recordCount(), 2);
    EXPECT_EQ(rows->fieldByName(QStringLiteral("Cena")).value(), Value::real(1));
}

TEST_F(WorkbookWrite, WritingThroughALinkChangesTheRealFile)
{
    const QString link = dir.filePath(QStringLiteral("odkaz.xlsx"));
    ASSERT_TRUE(QFile::link(path(), link));
    Connection linked;
    linked.setConnectionString(excelWorkbook(link));
    linked.open();
    auto prices = table(QStringLiteral("[Ceník$]"), linked);
    prices->fieldByName(QStringLiteral("Cena")).setValue(Value::real(7));
    prices->post();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(reread(QStringLiteral("[Ceník$]"))->fieldByName(QStringLiteral("Cena")).value(),
              Value::real(7));
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);
}

TEST(WorkbookWriteXls, AnXlsWorkbookIsReadOnly)
{
    const QString real
        = QDir(QStringLiteral(VORLAN_SHARED_WORKBOOKS)).filePath(QStringLiteral("ragged.xls"));
    if (!QFile::exists(real))
        GTEST_SKIP() << "no real workbooks here (../shared/workbooks)";
    const auto connection = connectTo(excelWorkbook(real));
    const auto sheet = openTable(*connection, QStringLiteral("[Sheet1$]"));
    const auto statement = statementOn(
        *connection,
        QStringLiteral("UPDATE [Sheet1$] SET [%1] = 1").arg(sheet->fieldNames().first()));
    try {
        statement->execute();
        FAIL() << "an .xls was written";
    } catch (const DataError &error) {
        EXPECT_TRUE(error.message().contains(QStringLiteral(".xlsx"))) << error.what();
    }
}

TEST(WorkbookWriteMany, AStatementOverEveryRowWritesThemAllInOnePass)
{
    QTemporaryDir dir;
    GeneratedWorkbook book;
    QString rows = QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>n</t></is></c>"
                                  "<c r=\"B1\" t=\"inlineStr\"><is><t>v</t></is></c></row>");
    constexpr int kRows = 5000;
    for (int i = 0; i < kRows; ++i)
        rows += QStringLiteral(
                    "<row r=\"%1\"><c r=\"A%1\"><v>%2</v></c><c r=\"B%1\"><v>%3</v></c></row>")
                    .arg(i + 2)
                    .arg(i)
                    .arg(i % 7);
    book.addSheet(QStringLiteral("S"), rows);
    const QString path = dir.filePath(QStringLiteral("mnoho.xlsx"));
    book.save(path);

    const auto connection = connectTo(excelWorkbook(path));
    const auto statement
        = statementOn(*connection, QStringLiteral("UPDATE [S$] SET v = v * 2 + 1"));
    EXPECT_EQ(statement->execute(), kRows);
    statement->setCommandText(
        QStringLiteral("INSERT INTO [S$] (n, v) SELECT n + 10000, -1 FROM [S$] WHERE n < 3"));
    EXPECT_EQ(statement->execute(), 3);

    const auto fresh = connectTo(excelWorkbook(path));
    const auto sheet = openTable(*fresh, QStringLiteral("[S$]"));
    ASSERT_EQ(sheet->recordCount(), kRows + 3);
    for (int i = 0; i < kRows; i += 997)
        EXPECT_EQ(sheet->valueAt(i, 1), Value::real((i % 7) * 2 + 1)) << i;
    EXPECT_EQ(sheet->valueAt(kRows, 0), Value::real(10000));
    EXPECT_EQ(sheet->valueAt(kRows + 2, 0), Value::real(10002));
    EXPECT_EQ(sheet->valueAt(kRows + 2, 1), Value::real(-1));
}

// A sheet of megabytes is packed anew in pieces on two threads when a cell changes: the
// spreadsheet program and the reference reader read the file as the program does.
TEST(WorkbookWriteMany, ALargeSheetPackedInPiecesIsReadByTheSpreadsheetPrograms)
{
    QTemporaryDir dir;
    GeneratedWorkbook book;
    QString rows = QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>n</t></is></c>"
                                  "<c r=\"B1\" t=\"inlineStr\"><is><t>text</t></is></c></row>");
    constexpr int kRows = 40'000; // about 3 MB of sheet
    for (int i = 0; i < kRows; ++i)
        rows += QStringLiteral("<row r=\"%1\"><c r=\"A%1\"><v>%2</v></c><c r=\"B%1\" "
                               "t=\"inlineStr\"><is><t>řádek %2</t></is></c></row>")
                    .arg(i + 2)
                    .arg(i);
    book.addSheet(QStringLiteral("S"), rows);
    const QString path = dir.filePath(QStringLiteral("velký.xlsx"));
    book.save(path);

    const auto connection = connectTo(excelWorkbook(path));
    const auto statement = statementOn(
        *connection, QStringLiteral("UPDATE [S$] SET text = 'změněno' WHERE n = 33333"));
    EXPECT_EQ(statement->execute(), 1);

    const auto fresh = connectTo(excelWorkbook(path));
    const auto sheet = openTable(*fresh, QStringLiteral("[S$]"));
    ASSERT_EQ(sheet->recordCount(), kRows);
    EXPECT_EQ(sheet->valueAt(33333, 1), Value::text(QStringLiteral("změněno")));
    EXPECT_EQ(sheet->valueAt(kRows - 1, 1), Value::text(QStringLiteral("řádek 39999")));
    if (const auto reference = readWithReference(path)) {
        EXPECT_EQ(reference->cells.value(cellKey(0, 33334, 1)), QStringLiteral("s\tzměněno"));
    }
    const QString office = spreadsheetProgram();
    if (office.isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed";
    const QStringList lines
        = sheetAsOfficeReadsIt(office, path, dir.filePath(QStringLiteral("csv")));
    ASSERT_EQ(lines.size(), kRows + 1);
    EXPECT_EQ(lines[33334].trimmed(), QStringLiteral("33333;změněno"));
    EXPECT_EQ(lines[kRows].trimmed(), QStringLiteral("39999;řádek 39999"));
}

TEST(WorkbookWriteNames, AHeaderWithBracketsAndQuotesIsAFieldLikeAnyOther)
{
    QTemporaryDir dir;
    GeneratedWorkbook book;
    book.addSheet(QStringLiteral("Ceny"),
                  QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Cena [Kč] "
                                 "&quot;s DPH&quot;</t></is></c></row>"
                                 "<row r=\"2\"><c r=\"A2\"><v>121</v></c></row>"));
    const QString path = dir.filePath(QStringLiteral("ceny.xlsx"));
    book.save(path);
    const auto connection = connectTo(excelWorkbook(path));
    const auto table = openTable(*connection, QStringLiteral("[Ceny$]"));
    const QString name = QStringLiteral("Cena [Kč] \"s DPH\"");
    ASSERT_EQ(table->fieldNames(), QStringList({ name }));
    table->fieldByName(name).setValue(Value::real(242));
    table->post();

    const auto fresh = connectTo(excelWorkbook(path));
    const auto again = statementOn(
        *fresh, QStringLiteral("SELECT \"Cena [Kč] \"\"s DPH\"\"\" AS c FROM [Ceny$]"));
    again->open();
    EXPECT_EQ(again->field(0).value(), Value::real(242));
}
