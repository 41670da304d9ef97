// Faults of the workbook provider found in crafted and real files: read-only workbooks, odd
// headers, empty sheets, defined names without one fixed place, sheet entries sharing data,
// values that do not fit their column, and row numbers beyond the sheet.
#include "WorkbookOracle.h"
#include "support/DatasetHelpers.h"
#include "support/GeneratedWorkbook.h"
#include "support/GeneratedXls.h"

#include "access/ConnectionTemplates.h"
#include "access/DataError.h"
#include "access/workbook/WorkbookFile.h"
#include "access/workbook/ZipArchive.h"
#include "regional/Regional.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

using namespace vrl;
using namespace vrl::test;

namespace {

QString inlineText(const QString &reference, const QString &text)
{
    return QStringLiteral("<c r=\"%1\" t=\"inlineStr\"><is><t>%2</t></is></c>")
        .arg(reference, text.toHtmlEscaped());
}

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

mode_t modeOf(const QString &path)
{
    struct stat info;
    ::stat(QFile::encodeName(path).constData(), &info);
    return info.st_mode & 07777;
}

// A price list: Zboží (text), Cena (number), Dne (date).
GeneratedWorkbook priceList()
{
    GeneratedWorkbook book;
    book.addSheet(
        QStringLiteral("Ceník"),
        QStringLiteral("<row r=\"1\">") + inlineText(QStringLiteral("A1"), "Zboží")
            + inlineText(QStringLiteral("B1"), "Cena") + inlineText(QStringLiteral("C1"), "Dne")
            + QStringLiteral("</row><row r=\"2\">") + inlineText(QStringLiteral("A2"), "chléb")
            + QStringLiteral("<c r=\"B2\"><v>32.5</v></c><c r=\"C2\" "
                             "s=\"1\"><v>44197</v></c></row>"));
    return book;
}

class WorkbookFault : public ::testing::Test
{
protected:
    QString path(const char *name) const { return dir.filePath(QString::fromUtf8(name)); }

    std::unique_ptr<Connection> save(const GeneratedWorkbook &book, const char *name)
    {
        book.save(path(name));
        return connectTo(excelWorkbook(path(name)));
    }

    QTemporaryDir dir;
};

} // namespace

// e. A read-only workbook is not overwritten; a written one keeps its mode and owner.
TEST_F(WorkbookFault, AReadOnlyWorkbookIsRefusedAndAWrittenOneKeepsItsModeAndOwner)
{
    const auto connection = save(priceList(), "ceník.xlsx");
    const QString file = path("ceník.xlsx");
    const auto prices = openTable(*connection, QStringLiteral("[Ceník$]"));
    for (const mode_t mode : { mode_t(0444), mode_t(0400) }) {
        ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), mode), 0);
        const QByteArray before = bytesOf(file);
        prices->fieldByName(QStringLiteral("Cena")).setValue(Value::real(1));
        const QString refused = failureOf([&] { prices->post(); });
        EXPECT_EQ(refused,
                  QStringLiteral("Sešit ceník.xlsx je jen pro čtení; změna nebyla zapsána."))
            << "mode " << std::oct << mode;
        prices->cancel();
        EXPECT_EQ(bytesOf(file), before);
        EXPECT_EQ(modeOf(file), mode);
    }

    // Writable for its owner only, and owned by someone else where root can give it.
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0640), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(QFile::encodeName(file).constData(), 65534, 65534), 0);
    }
    prices->fieldByName(QStringLiteral("Cena")).setValue(Value::real(2));
    prices->post();
    EXPECT_EQ(modeOf(file), mode_t(0640));
    if (root) {
        struct stat info;
        ::stat(QFile::encodeName(file).constData(), &info);
        EXPECT_EQ(info.st_uid, uid_t(65534));
        EXPECT_EQ(info.st_gid, gid_t(65534));
    }
    const auto fresh = connectTo(excelWorkbook(file));
    EXPECT_EQ(
        openTable(*fresh, QStringLiteral("[Ceník$]"))->fieldByName(QStringLiteral("Cena")).value(),
        Value::real(2));
}

TEST_F(WorkbookFault, AFolderThatTakesNoFileIsNamedInCzech)
{
    // The zip library's own words ("Failure to create temporary file: Permission denied")
    // ended the message before.
    const auto connection = save(priceList(), "ceník.xlsx");
    const auto prices = openTable(*connection, QStringLiteral("[Ceník$]"));
    const QByteArray folder = QFile::encodeName(dir.path());
    ASSERT_EQ(::chmod(folder.constData(), 0555), 0);
    prices->fieldByName(QStringLiteral("Cena")).setValue(Value::real(1));
    const QString refused = failureOf([&] { prices->post(); });
    ::chmod(folder.constData(), 0755);
    EXPECT_EQ(refused,
              QStringLiteral("Sešit ceník.xlsx nelze uložit: složka sešitu není zapisovatelná"));
    prices->cancel();

    // The library's failures a user can meet, each with its Czech reason.
    const auto reason = [](int code, int system) {
        zip_error_t error;
        zip_error_init(&error);
        zip_error_set(&error, code, system);
        const QString text = workbook::zipFailureReason(&error);
        zip_error_fini(&error);
        return text;
    };
    EXPECT_EQ(reason(ZIP_ER_TMPOPEN, EACCES), QStringLiteral("složka sešitu není zapisovatelná"));
    EXPECT_EQ(reason(ZIP_ER_TMPOPEN, EROFS), QStringLiteral("složka sešitu není zapisovatelná"));
    EXPECT_EQ(reason(ZIP_ER_WRITE, ENOSPC),
              QStringLiteral("zápis souboru selhal (na disku není místo)"));
    EXPECT_EQ(reason(ZIP_ER_NOZIP, 0), QStringLiteral("není to sešit (soubor ZIP)"));
    EXPECT_EQ(reason(ZIP_ER_OPEN, ENOENT),
              QStringLiteral("soubor nelze otevřít (soubor nebo složka neexistuje)"));
    // A failure it does not name keeps the library's words.
    EXPECT_EQ(reason(ZIP_ER_INUSE, 0), QStringLiteral("Resource still in use"));
}

// f. A NUL in a header is a "_" in the field name; a sheet that cannot be loaded fails alone.
TEST_F(WorkbookFault, AnOddHeaderOrAnUnloadableSheetLeavesTheOtherTablesUsable)
{
    GeneratedWorkbook book;
    book.addSheet(QStringLiteral("Sheet1"),
                  QStringLiteral("<row r=\"1\">") + inlineText(QStringLiteral("A1"), "a_x0000_b")
                      + inlineText(QStringLiteral("B1"), "_x0000_")
                      + QStringLiteral("</row><row r=\"2\"><c r=\"A2\"><v>1</v></c>"
                                       "<c r=\"B2\"><v>2</v></c></row>"));
    // 16,384 columns: more than the embedded database takes.
    book.addSheet(QStringLiteral("Široký"),
                  QStringLiteral("<row r=\"1\">") + inlineText(QStringLiteral("A1"), "x")
                      + inlineText(QStringLiteral("XFD1"), "y") + QStringLiteral("</row>"));
    book.addSheet(QStringLiteral("Dobrý"),
                  QStringLiteral("<row r=\"1\">") + inlineText(QStringLiteral("A1"), "n")
                      + QStringLiteral("</row><row r=\"2\"><c r=\"A2\"><v>7</v></c></row>"));
    const auto connection = save(book, "lichý.xlsx");
    EXPECT_EQ(connection->tableNames(),
              QStringList({ QStringLiteral("Sheet1$"), QStringLiteral("Široký$"),
                            QStringLiteral("Dobrý$") }));

    const auto odd = openTable(*connection, QStringLiteral("[Sheet1$]"));
    EXPECT_EQ(odd->fieldNames(), QStringList({ QStringLiteral("a_b"), QStringLiteral("_") }));
    EXPECT_EQ(odd->fieldByName(QStringLiteral("_")).value(), Value::real(2));
    odd->fieldByName(QStringLiteral("a_b")).setValue(Value::real(5));
    odd->post();

    const QString failure = failureOf([&] { openTable(*connection, QStringLiteral("[Široký$]")); });
    EXPECT_TRUE(failure.startsWith(QStringLiteral("Tabulku Široký$ ze sešitu lichý.xlsx nelze "
                                                  "načíst:")))
        << failure.toStdString();
    EXPECT_TRUE(failure.contains(QStringLiteral("16384 sloupců"))) << failure.toStdString();
    EXPECT_EQ(openTable(*connection, QStringLiteral("[Dobrý$]"))->recordCount(), 1);

    const auto fresh = connectTo(excelWorkbook(path("lichý.xlsx")));
    EXPECT_EQ(openTable(*fresh, QStringLiteral("[Sheet1$]"))->field(0).value(), Value::real(5));
}

// g. A record appended to an empty sheet comes after the field names, and reads back.
TEST_F(WorkbookFault, ARowAppendedToAnEmptySheetReadsBackAsARecord)
{
    GeneratedWorkbook book;
    book.addSheet(QStringLiteral("Prázdný"), QString());
    const auto connection = save(book, "prázdný.xlsx");
    const auto empty = openTable(*connection, QStringLiteral("[Prázdný$]"));
    ASSERT_EQ(empty->fieldNames(), QStringList({ QStringLiteral("F1") }));
    empty->append();
    empty->fieldByName(QStringLiteral("F1")).setText(QStringLiteral("první"));
    empty->post();
    empty->append();
    empty->fieldByName(QStringLiteral("F1")).setText(QStringLiteral("druhý"));
    empty->post();

    const auto fresh = connectTo(excelWorkbook(path("prázdný.xlsx")));
    const auto again = openTable(*fresh, QStringLiteral("[Prázdný$]"));
    EXPECT_EQ(again->fieldNames(), QStringList({ QStringLiteral("F1") }));
    ASSERT_EQ(again->recordCount(), 2);
    EXPECT_EQ(again->valueAt(0, 0), Value::text(QStringLiteral("první")));
    EXPECT_EQ(again->valueAt(1, 0), Value::text(QStringLiteral("druhý")));
    const QByteArray sheet = workbook::ZipArchive(path("prázdný.xlsx"))
                                 .read(QStringLiteral("xl/worksheets/sheet1.xml"));
    EXPECT_TRUE(sheet.contains("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>F1</t>"))
        << sheet.constData();
}

// h. Names: one fixed rectangle (one area, one cell, an intersection) is a table; relative
// parts, unions and 3-D references are not. In .xlsx text ...
TEST_F(WorkbookFault, DefinedNamesOfAnXlsxAreTablesOnlyWithOneFixedPlace)
{
    GeneratedWorkbook book;
    QString rows;
    for (int r = 1; r <= 12; ++r) {
        rows += QStringLiteral("<row r=\"%1\">").arg(r);
        for (const char *column : { "A", "B", "C", "D" })
            rows += inlineText(QString::fromLatin1(column) + QString::number(r),
                               QString::fromLatin1(column) + QString::number(r));
        rows += QStringLiteral("</row>");
    }
    book.addSheet(QStringLiteral("Data"), rows);
    book.addSheet(QStringLiteral("Druhý list"), rows);
    book.addName(QStringLiteral("Celá"), QStringLiteral("Data!$A$1:$D$10"));
    book.addName(QStringLiteral("Relativní"), QStringLiteral("Data!$A$1:$D10"));
    book.addName(QStringLiteral("RelativníBuňka"), QStringLiteral("Data!A1"));
    book.addName(QStringLiteral("Buňka"), QStringLiteral("'Druhý list'!$C$4"));
    book.addName(QStringLiteral("Průnik"), QStringLiteral("Data!$A$2:$C$12 Data!$B$1:$D$5"));
    book.addName(QStringLiteral("Prázdný průnik"), QStringLiteral("Data!$A$1:$A$2 Data!$C$3"));
    book.addName(QStringLiteral("Sjednocení"), QStringLiteral("Data!$A$1:$B$2,Data!$D$4"));
    book.addName(QStringLiteral("Závorky"), QStringLiteral("(Data!$A$1,Data!$B$2)"));
    book.addName(QStringLiteral("Prostorový"), QStringLiteral("'Data:Druhý list'!$A$1:$B$2"));
    const auto connection = save(book, "jména.xlsx");
    if (const auto reference = readWithReference(path("jména.xlsx"))) {
        // openpyxl gives no intersections; the areas it gives agree.
        EXPECT_EQ(reference->ranges,
                  QStringList({ QStringLiteral("Celá/Data/0/0/9/3"),
                                QStringLiteral("Buňka/Druhý list/3/2/3/2") }));
    }
    EXPECT_EQ(
        connection->tableNames(),
        QStringList({ QStringLiteral("Data$"), QStringLiteral("Druhý list$"),
                      QStringLiteral("Celá"), QStringLiteral("Buňka"), QStringLiteral("Průnik") }));
    EXPECT_EQ(openTable(*connection, QStringLiteral("Celá"))->recordCount(), 9);

    const auto cell = openTable(*connection, QStringLiteral("Buňka"));
    EXPECT_EQ(cell->fieldNames(), QStringList({ QStringLiteral("F1") }));
    ASSERT_EQ(cell->recordCount(), 1);
    EXPECT_EQ(cell->field(0).value(), Value::text(QStringLiteral("C4")));

    // B2:C5 with B2, C2 as the header.
    const auto both = openTable(*connection, QStringLiteral("Průnik"));
    EXPECT_EQ(both->fieldNames(), QStringList({ QStringLiteral("B2"), QStringLiteral("C2") }));
    EXPECT_EQ(both->recordCount(), 3);
    EXPECT_EQ(both->valueAt(2, 1), Value::text(QStringLiteral("C5")));

    // An intersection cannot be written further down; a cell in it can be changed.
    both->last();
    both->fieldByName(QStringLiteral("C2")).setText(QStringLiteral("nové"));
    both->post();
    both->append();
    both->fieldByName(QStringLiteral("C2")).setText(QStringLiteral("pod"));
    EXPECT_TRUE(failureOf([&] { both->post(); }).contains(QStringLiteral("nelze rozšířit")));
}

// ... and in .xls tokens.
TEST_F(WorkbookFault, DefinedNamesOfAnXlsAreTablesOnlyWithOneFixedPlace)
{
    GeneratedXls book;
    const int data = book.addSheet(QStringLiteral("Sheet1"));
    book.addSheet(QStringLiteral("Sheet2"));
    const int third = book.addSheet(QStringLiteral("Sheet3"));
    for (int r = 0; r < 12; ++r) {
        for (int c = 0; c < 4; ++c)
            book.setText(data, r, c, QStringLiteral("%1%2").arg(QChar(u'A' + c)).arg(r + 1));
    }
    book.setNumber(third, 3, 13, 42);
    using X = GeneratedXls;
    book.addName(QStringLiteral("Celá"), X::area3d(data, 0, 0, 9, 3));
    // $A$1:$Z10 with a relative row, as Excel stores it (an offset that reads as 65,520 rows).
    book.addName(QStringLiteral("Relativní"), X::area3d(data, 0, 0, 65519, 25, 0, X::kRowRelative));
    book.addName(QStringLiteral("RelativníBuňka"),
                 X::ref3d(data, 0, 0, X::kRowRelative | X::kColumnRelative));
    book.addName(QStringLiteral("Buňka"), X::ref3d(third, 3, 13));
    const QByteArray meet
        = X::area3d(data, 1, 0, 11, 2) + X::area3d(data, 0, 1, 4, 3) + X::intersection();
    book.addName(QStringLiteral("Průnik"), X::memFunc(int(meet.size())) + meet);
    book.addName(QStringLiteral("Prázdný průnik"),
                 X::area3d(data, 0, 0, 1, 0) + X::ref3d(data, 2, 2) + X::intersection());
    book.addName(QStringLiteral("Sjednocení"),
                 X::area3d(data, 0, 0, 1, 1) + X::ref3d(data, 3, 3) + X::unionOf());
    book.addName(QStringLiteral("Prostorový"), X::area3d(book.threeDEntry(), 0, 0, 1, 1));
    const QString file = path("jména.xls");
    book.save(file);

    const workbook::WorkbookData read = workbook::readWorkbook(file);
    QStringList ranges;
    for (const workbook::DefinedRange &range : read.ranges)
        ranges << QStringLiteral("%1 %2 %3:%4 %5:%6")
                      .arg(range.name)
                      .arg(range.sheet)
                      .arg(range.firstRow)
                      .arg(range.firstColumn)
                      .arg(range.lastRow)
                      .arg(range.lastColumn);
    EXPECT_EQ(ranges,
              QStringList({ QStringLiteral("Celá 0 0:0 9:3"), QStringLiteral("Buňka 2 3:13 3:13"),
                            QStringLiteral("Průnik 0 1:1 4:2") }));

    // The reference reader (xlrd) finds the same names in the generated file.
    if (const auto reference = readWithReference(file)) {
        EXPECT_EQ(reference->ranges,
                  QStringList({ QStringLiteral("Celá/Sheet1/0/0/9/3"),
                                QStringLiteral("Buňka/Sheet3/3/13/3/13"),
                                QStringLiteral("Průnik/Sheet1/1/1/4/2") }));
    }

    const auto connection = connectTo(excelWorkbook(file));
    const auto cell = openTable(*connection, QStringLiteral("Buňka"));
    ASSERT_EQ(cell->recordCount(), 1);
    EXPECT_EQ(cell->field(0).value(), Value::real(42));
    const auto both = openTable(*connection, QStringLiteral("Průnik"));
    EXPECT_EQ(both->fieldNames(), QStringList({ QStringLiteral("B2"), QStringLiteral("C2") }));
    EXPECT_EQ(both->recordCount(), 3);
}

// k. Sheet entries sharing data are read once, and the whole workbook's cells are bounded.
TEST_F(WorkbookFault, SheetEntriesSharingDataAreReadOnceAndTheWorkbookIsBounded)
{
    {
        GeneratedXls book;
        const int sheet = book.addSheet(QStringLiteral("List"));
        book.setText(sheet, 0, 0, QStringLiteral("a"));
        book.setNumber(sheet, 1, 0, 1);
        for (int i = 0; i < 2000; ++i)
            book.addSheetSharing(QStringLiteral("Kopie%1").arg(i), sheet);
        book.save(path("sdílený.xls"));
        const workbook::WorkbookData read = workbook::readWorkbook(path("sdílený.xls"));
        ASSERT_EQ(read.sheets.size(), size_t(2001));
        EXPECT_TRUE(read.sheets[2000].cells.empty());
        EXPECT_EQ(read.cellsOf(2000).size(), size_t(2));
        const auto connection = connectTo(excelWorkbook(path("sdílený.xls")));
        EXPECT_EQ(openTable(*connection, QStringLiteral("[Kopie1999$]"))->valueAt(0, 0),
                  Value::real(1));
    }
    {
        // Each entry alone is within any bound; 2,000 of them are not.
        GeneratedXls book;
        const int sheet = book.addSheet(QStringLiteral("List"));
        book.setText(sheet, 0, 0, QStringLiteral("a"));
        book.setNumber(sheet, 60000, 200, 1);
        for (int i = 0; i < 2000; ++i)
            book.addSheetSharing(QStringLiteral("Kopie%1").arg(i), sheet);
        book.save(path("velký.xls"));
        QElapsedTimer clock;
        clock.start();
        const QString failure = failureOpening(excelWorkbook(path("velký.xls")));
        EXPECT_TRUE(failure.startsWith(QStringLiteral("Sešit velký.xls je příliš velký")))
            << failure.toStdString();
        EXPECT_LT(clock.elapsed(), 5000);
    }
    {
        GeneratedWorkbook book;
        book.addSheet(QStringLiteral("List"),
                      QStringLiteral("<row r=\"1\">") + inlineText(QStringLiteral("A1"), "a")
                          + QStringLiteral("</row><row r=\"60000\"><c r=\"CV60000\"><v>1</v></c>"
                                           "</row>"));
        for (int i = 0; i < 2000; ++i)
            book.addSheetSharing(QStringLiteral("Kopie%1").arg(i), 0);
        book.save(path("velký.xlsx"));
        const workbook::WorkbookData read = workbook::readWorkbook(path("velký.xlsx"));
        ASSERT_EQ(read.sheets.size(), size_t(2001));
        EXPECT_EQ(read.sheets[1].sharesCellsOf, 0);
        const QString failure = failureOpening(excelWorkbook(path("velký.xlsx")));
        EXPECT_TRUE(failure.startsWith(QStringLiteral("Sešit velký.xlsx je příliš velký")))
            << failure.toStdString();
    }
}

// l. A value that does not fit its column is refused before the file is touched.
TEST_F(WorkbookFault, AValueThatDoesNotFitItsColumnLeavesFileAndViewAsTheyWere)
{
    const auto connection = save(priceList(), "ceník.xlsx");
    const QString file = path("ceník.xlsx");
    const QByteArray before = bytesOf(file);
    const auto statement = statementOn(
        *connection, QStringLiteral("UPDATE [Ceník$] SET Dne = 'abc' WHERE Zboží = 'chléb'"));
    const QString refused = failureOf([&] { statement->execute(); });
    EXPECT_EQ(refused,
              QStringLiteral("Hodnotu „abc“ nelze zapsat do sloupce Dne tabulky Ceník$ (datum a "
                             "čas); sešit ceník.xlsx se nezměnil."));
    EXPECT_EQ(bytesOf(file), before);
    const auto prices = openTable(*connection, QStringLiteral("[Ceník$]"));
    EXPECT_EQ(prices->fieldByName(QStringLiteral("Dne")).value(),
              Value::dateTime(plainDateTime(QDate(2021, 1, 1))));

    // Later writes go through, and a value in another form is written in its column's type.
    statement->setCommandText(QStringLiteral("UPDATE [Ceník$] SET Dne = 45000, Cena = '12'"));
    EXPECT_EQ(statement->execute(), 1);
    const auto view = openTable(*connection, QStringLiteral("[Ceník$]"));
    EXPECT_EQ(view->fieldByName(QStringLiteral("Dne")).type(), FieldType::DateTime);
    EXPECT_EQ(view->fieldByName(QStringLiteral("Dne")).value(),
              Value::dateTime(plainDateTime(QDate(2023, 3, 15))));
    const auto fresh = connectTo(excelWorkbook(file));
    const auto again = openTable(*fresh, QStringLiteral("[Ceník$]"));
    EXPECT_EQ(again->fieldByName(QStringLiteral("Dne")).value(),
              view->fieldByName(QStringLiteral("Dne")).value());
    EXPECT_EQ(again->fieldByName(QStringLiteral("Cena")).value(), Value::real(12));
}

// m. Row and column references beyond the sheet are refused when the file is read.
TEST_F(WorkbookFault, ReferencesBeyondTheSheetAreRefusedWhenRead)
{
    const std::vector<std::pair<QString, QString>> cases {
        { QStringLiteral("<row r=\"2147483647\"><c><v>1</v></c></row><row><c><v>2</v></c></row>"),
          QStringLiteral("řádek „2147483647“") },
        { QStringLiteral("<row r=\"-2147483648\"><c><v>1</v></c></row>"),
          QStringLiteral("řádek „-2147483648“") },
        { QStringLiteral("<row r=\"1048576\"><c><v>1</v></c></row><row><c><v>2</v></c></row>"),
          QStringLiteral("řádek 1048577") },
        { QStringLiteral("<row r=\"1\"><c r=\"XFE1\"><v>1</v></c></row>"),
          QStringLiteral("buňku „XFE1“") },
        { QStringLiteral("<row r=\"1\"><c r=\"A1048577\"><v>1</v></c></row>"),
          QStringLiteral("buňku „A1048577“") },
        // The reference as the file spells it, not read byte by byte as Latin-1.
        { QStringLiteral("<row r=\"1\"><c r=\"Č1\"><v>1</v></c></row>"),
          QStringLiteral("buňku „Č1“") },
    };
    for (const auto &[rows, what] : cases) {
        GeneratedWorkbook book;
        book.addSheet(QStringLiteral("List"), rows);
        book.save(path("mez.xlsx"));
        const QString failure = failureOpening(excelWorkbook(path("mez.xlsx")));
        EXPECT_EQ(failure,
                  QStringLiteral("Sešit mez.xlsx je poškozen: list List odkazuje na %1 mimo "
                                 "rozsah listu (řádky 1 až 1 048 576, sloupce A až XFD).")
                      .arg(what))
            << rows.toStdString();
    }

    // The last row of a sheet can be read and changed, but nothing can go below it.
    GeneratedWorkbook book;
    book.addSheet(QStringLiteral("List"),
                  QStringLiteral("<row r=\"1048575\">")
                      + inlineText(QStringLiteral("A1048575"), "n")
                      + QStringLiteral("</row><row r=\"1048576\"><c r=\"A1048576\"><v>1</v></c>"
                                       "</row>"));
    const auto connection = save(book, "konec.xlsx");
    const QByteArray before = bytesOf(path("konec.xlsx"));
    const auto statement
        = statementOn(*connection, QStringLiteral("INSERT INTO [List$] (n) VALUES (2)"));
    EXPECT_EQ(failureOf([&] { statement->execute(); }),
              QStringLiteral("Do tabulky List$ sešitu konec.xlsx se další řádek nevejde: list má "
                             "nejvýše 1 048 576 řádků."));
    EXPECT_EQ(bytesOf(path("konec.xlsx")), before);
    statement->setCommandText(QStringLiteral("UPDATE [List$] SET n = 3"));
    EXPECT_EQ(statement->execute(), 1);
    const auto fresh = connectTo(excelWorkbook(path("konec.xlsx")));
    EXPECT_EQ(openTable(*fresh, QStringLiteral("[List$]"))->field(0).value(), Value::real(3));
}

// A program that died between writing its temporary copy and renaming it over the workbook
// left the workbook as it was and the copy beside it: the next connect removes the copy, but
// not the copy of a program that still runs (it may be writing now).
TEST_F(WorkbookFault, ACopyLeftByAWriterThatDiedGoesAtTheNextConnect)
{
    priceList().save(path("ceník[1].xlsx"));
    const QByteArray before = bytesOf(path("ceník[1].xlsx"));
    // Numbers of processes that have ended.
    const auto endedProcess = [] {
        const pid_t child = ::fork();
        if (child == 0)
            ::_exit(0);
        EXPECT_GT(child, 0);
        EXPECT_EQ(::waitpid(child, nullptr, 0), child);
        return child;
    };
    const pid_t dead = endedProcess();
    const QString abandoned = path(".~ceník[1].xlsx.") + QString::number(dead) + ".tmp";
    const QString running = path(".~ceník[1].xlsx.") + QString::number(::getppid()) + ".tmp";
    const QString unrelated = path(".~jiný.xlsx.") + QString::number(dead) + ".tmp";
    // A copy just written may come from a writer on another machine sharing the folder.
    const QString recent = path(".~ceník[1].xlsx.") + QString::number(endedProcess()) + ".tmp";
    for (const QString &copy : { abandoned, running, unrelated, recent }) {
        QFile file(copy);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(before.left(before.size() / 2)); // cut short where the writer died
        file.flush();
        if (copy != recent) {
            ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                                         QFileDevice::FileModificationTime));
        }
    }

    auto connection = connectTo(excelWorkbook(path("ceník[1].xlsx")));
    EXPECT_FALSE(QFileInfo::exists(abandoned));
    EXPECT_TRUE(QFileInfo::exists(running));
    EXPECT_TRUE(QFileInfo::exists(unrelated));
    EXPECT_TRUE(QFileInfo::exists(recent));
    EXPECT_EQ(bytesOf(path("ceník[1].xlsx")), before);
    auto table = openTable(*connection, QStringLiteral("[Ceník$]"));
    EXPECT_EQ(table->fieldByName(QStringLiteral("Zboží")).text(), QStringLiteral("chléb"));
}
