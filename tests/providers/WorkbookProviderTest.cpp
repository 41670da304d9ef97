// Workbooks as databases through a connection with the Excel template: table names, fields
// and their types, values, SQL on the sheets, and every kind of bad file.
#include "support/DatasetHelpers.h"
#include "support/GeneratedWorkbook.h"

#include "access/Connection.h"
#include "access/ConnectionTemplates.h"
#include "access/DataError.h"
#include "access/Dataset.h"
#include "access/workbook/WorkbookData.h"
#include "access/workbook/WorkbookFile.h"
#include "access/workbook/WorkbookProvider.h"
#include "access/workbook/WorkbookTables.h"
#include "regional/Regional.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>
#include <zip.h>

using namespace vrl;
using namespace vrl::test;

namespace {

QString failureOpeningWorkbook(const QString &path)
{
    return failureOpening(excelWorkbook(path));
}

// A compound file holding the named streams, as encrypted workbooks and old .xls files are.
void writeCompoundFile(const QString &path, std::initializer_list<const char *> streams)
{
    gsf_init();
    GsfOutput *file = gsf_output_stdio_new(QFile::encodeName(path).constData(), nullptr);
    GsfOutfile *container = gsf_outfile_msole_new(file);
    for (const char *name : streams) {
        GsfOutput *stream = gsf_outfile_new_child(container, name, FALSE);
        static const guint8 bytes[16] = { 0x09, 0x08, 0x08, 0x00, 0x00, 0x05 };
        gsf_output_write(stream, sizeof bytes, bytes);
        gsf_output_close(stream);
        g_object_unref(stream);
    }
    gsf_output_close(GSF_OUTPUT(container));
    g_object_unref(container);
    g_object_unref(file);
}

class Workbook : public ::testing::Test
{
protected:
    QString path(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }

    void connect(const GeneratedWorkbook &book)
    {
        book.save(path("book.xlsx"));
        connection.setConnectionString(excelWorkbook(path("book.xlsx")));
        connection.open();
    }

    std::unique_ptr<Dataset> open(const QString &table) { return openTable(connection, table); }

    std::unique_ptr<Dataset> query(const QString &sql) { return openQuery(connection, sql); }

    QStringList column(Dataset &data, int field)
    {
        QStringList values;
        for (data.first(); !data.eof(); data.next())
            values << (data.field(field).isNull()
                           ? QStringLiteral("NULL")
                           : data.field(field).value().toText(Regional(QLocale(QLocale::English))));
        return values;
    }

    QTemporaryDir dir;
    Connection connection;
};

// Header in row 2 from column B; a blank header, a repeated one, trailing empty rows and
// columns (a lone empty string and formats), mixed and empty cells.
GeneratedWorkbook peopleBook()
{
    GeneratedWorkbook book;
    book.addSharedString(QStringLiteral("<si><t>Jméno</t></si>"));
    book.addSharedString(
        QStringLiteral("<si><r><t>Ná</t></r><r><t>kup</t></r><rPh><t>x</t></rPh></si>"));
    book.addSharedString(QStringLiteral("<si><t>O'Malley &amp; syn</t></si>"));
    book.addSheet(
        QStringLiteral("Lidé"),
        QStringLiteral(
            "<row r=\"2\"><c r=\"B2\" t=\"s\"><v>0</v></c><c r=\"C2\" t=\"s\"><v>1</v></c>"
            "<c r=\"E2\" t=\"inlineStr\"><is><t>Jméno</t></is></c><c r=\"F2\" "
            "t=\"inlineStr\"><is><t>Ok</t></is></c>"
            "<c r=\"G2\" t=\"inlineStr\"><is><t>Smíšené</t></is></c></row>"
            "<row r=\"3\"><c r=\"B3\" t=\"s\"><v>2</v></c><c r=\"C3\" s=\"1\"><v>44197</v></c>"
            "<c r=\"D3\"><v>12.5</v></c><c r=\"E3\" s=\"3\"><v>3</v></c><c r=\"F3\" "
            "t=\"b\"><v>1</v></c>"
            "<c r=\"G3\"><v>0.1</v></c></row>"
            "<row r=\"4\"><c r=\"B4\" t=\"inlineStr\"><is><t xml:space=\"preserve\"> "
            "a&lt;b_x000D_c </t></is></c>"
            "<c r=\"C4\" s=\"2\"><v>44197.75</v></c><c r=\"F4\" t=\"b\"><v>0</v></c>"
            "<c r=\"G4\" t=\"str\"><f>\"x\"&amp;\"y\"</f><v>xy</v></c></row>"
            // A shared string the workbook does not have: an empty cell.
            "<row r=\"5\"><c r=\"D5\" t=\"s\"><v>3</v></c><c r=\"G5\" t=\"e\"><v>#DIV/0!</v></c><c "
            "r=\"E5\"><f>1+1</f><v>2</v></c></row>"
            "<row r=\"6\"><c r=\"B6\" s=\"1\"/></row>"));
    book.addSheet(QStringLiteral("Prázdný"), QString());
    book.addName(QStringLiteral("Ceny"), QStringLiteral("'Lidé'!$D$2:$E$4"));
    book.addName(QStringLiteral("_xlnm.Print_Area"), QStringLiteral("'Lidé'!$B$2:$G$5"));
    book.addName(QStringLiteral("Místní"), QStringLiteral("'Lidé'!$B$2:$C$3"), 0);
    book.addName(QStringLiteral("Konstanta"), QStringLiteral("42"));
    return book;
}

} // namespace

TEST_F(Workbook, SheetsAndNamedRangesAreTablesWithTypedFields)
{
    connect(peopleBook());
    EXPECT_EQ(connection.tableNames(),
              QStringList(
                  { QStringLiteral("Lidé$"), QStringLiteral("Prázdný$"), QStringLiteral("Ceny") }));

    auto people = open(QStringLiteral("[Lidé$]"));
    EXPECT_EQ(
        people->fieldNames(),
        QStringList({ QStringLiteral("Jméno"), QStringLiteral("Nákup"), QStringLiteral("F3"),
                      QStringLiteral("Jméno1"), QStringLiteral("Ok"), QStringLiteral("Smíšené") }));
    EXPECT_EQ(people->recordCount(), 3); // the styled empty row 6 is no record
    EXPECT_EQ(people->field(0).type(), FieldType::Text);
    EXPECT_EQ(people->field(1).type(), FieldType::DateTime);
    EXPECT_EQ(people->field(2).type(), FieldType::Double);
    EXPECT_EQ(people->field(3).type(), FieldType::Double); // quoted "d" is no date code
    EXPECT_EQ(people->field(4).type(), FieldType::Bool);
    EXPECT_EQ(people->field(5).type(), FieldType::Text);

    EXPECT_EQ(column(*people, 0),
              QStringList({ QStringLiteral("O'Malley & syn"), QStringLiteral(" a<b\rc "),
                            QStringLiteral("NULL") }));
    EXPECT_EQ(people->valueAt(0, 1), Value::dateTime(plainDateTime(QDate(2021, 1, 1))));
    EXPECT_EQ(people->valueAt(1, 1),
              Value::dateTime(plainDateTime(QDate(2021, 1, 1), QTime(18, 0))));
    EXPECT_EQ(
        column(*people, 2),
        QStringList({ QStringLiteral("12.5"), QStringLiteral("NULL"), QStringLiteral("NULL") }));
    EXPECT_EQ(column(*people, 3),
              QStringList({ QStringLiteral("3"), QStringLiteral("NULL"), QStringLiteral("2") }));
    // A column of mixed kinds is text, and no cell of it is lost.
    EXPECT_EQ(
        column(*people, 5),
        QStringList({ QStringLiteral("0.1"), QStringLiteral("xy"), QStringLiteral("#DIV/0!") }));

    auto prices = open(QStringLiteral("Ceny"));
    EXPECT_EQ(prices->fieldNames(), QStringList({ QStringLiteral("F1"), QStringLiteral("Jméno") }));
    EXPECT_EQ(prices->recordCount(), 1); // row 4 of the range holds nothing in D:E

    auto empty = open(QStringLiteral("[Prázdný$]"));
    EXPECT_EQ(empty->fieldNames(), QStringList({ QStringLiteral("F1") }));
    EXPECT_EQ(empty->recordCount(), 0);
}

// A table opens from the rows the provider holds, not through the embedded database: what it
// shows must be what selecting all of it there gives, field by field and value by value.
TEST_F(Workbook, ATableOpenShowsWhatSelectingAllOfItGives)
{
    connect(peopleBook());
    {
        // Written first, a changed cell and a new row: the rows held must follow the file.
        auto people = open(QStringLiteral("[Lidé$]"));
        people->edit();
        people->field(0).setText(QStringLiteral("Změněný"));
        people->post();
        people->append();
        people->field(0).setText(QStringLiteral("Přidaný"));
        people->field(2).setValue(Value::real(7.25));
        people->post();
    }
    for (const QString &table : connection.tableNames()) {
        SCOPED_TRACE(table.toStdString());
        const QString quoted = connection.provider().quoteIdentifier(table);
        auto opened = open(table);
        auto selected = query(QStringLiteral("SELECT * FROM ") + quoted);
        ASSERT_EQ(opened->fieldNames(), selected->fieldNames());
        ASSERT_EQ(opened->recordCount(), selected->recordCount());
        for (int f = 0; f < opened->fieldCount(); ++f) {
            EXPECT_EQ(opened->field(f).type(), selected->field(f).type()) << f;
            for (int row = 0; row < opened->recordCount(); ++row)
                EXPECT_EQ(opened->valueAt(row, f), selected->valueAt(row, f)) << row << "," << f;
        }
    }
    EXPECT_THROW(open(QStringLiteral("Nikde")), DataError);
}

TEST_F(Workbook, StatementsRunOnTheSheetsInTheWorkbookDialect)
{
    GeneratedWorkbook book;
    book.addSheet(QStringLiteral("Sheet1"),
                  QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Name</t></is></c>"
                                 "<c r=\"B1\" t=\"inlineStr\"><is><t>Price</t></is></c></row>"
                                 "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>x</t></is></c><c "
                                 "r=\"B2\"><v>123456789.12</v></c></row>"
                                 "<row r=\"3\"><c r=\"A3\" t=\"inlineStr\"><is><t>x</t></is></c><c "
                                 "r=\"B3\"><v>0.88</v></c></row>"
                                 "<row r=\"4\"><c r=\"A4\" t=\"inlineStr\"><is><t>y</t></is></c><c "
                                 "r=\"B4\"><v>5</v></c></row>"));
    connect(book);
    auto sum = query(QStringLiteral("SELECT sum(Price) as CS FROM [Sheet1$] WHERE Name = 'x'"));
    EXPECT_DOUBLE_EQ(sum->field(0).number(), 123456790.0);
    auto top
        = query(QStringLiteral("select top 2 Name, Price from [Sheet1$] order by Price desc;"));
    EXPECT_EQ(top->recordCount(), 2);
    EXPECT_EQ(top->field(1).number(), 123456789.12);
    EXPECT_EQ(withoutTop(QStringLiteral("SELECT DISTINCT TOP 5 a FROM t")),
              QStringLiteral("SELECT DISTINCT a FROM t LIMIT 5"));
    EXPECT_EQ(withoutTop(QStringLiteral("SELECT a FROM [TOP 5$]")),
              QStringLiteral("SELECT a FROM [TOP 5$]"));
}

// The embedded database is filled after the open, while the table can already be shown: a
// statement at once, or a change, must still find every row; a close at once must wait.
TEST_F(Workbook, StatementsAndChangesRightAfterTheOpenFindEveryRow)
{
    QString rows = QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>N</t></is>"
                                  "</c><c r=\"B1\" t=\"inlineStr\"><is><t>T</t></is></c></row>");
    constexpr int kRows = 40000;
    for (int r = 2; r <= kRows + 1; ++r)
        rows += QStringLiteral("<row r=\"%1\"><c r=\"A%1\"><v>%1</v></c><c r=\"B%1\" "
                               "t=\"inlineStr\"><is><t>t%1</t></is></c></row>")
                    .arg(r);
    GeneratedWorkbook book;
    book.addSheet(QStringLiteral("List"), rows);
    connect(book);
    auto count = query(QStringLiteral("SELECT COUNT(*), MAX(N) FROM [List$]"));
    EXPECT_EQ(count->field(0).text(), QString::number(kRows));
    EXPECT_EQ(count->field(1).text(), QString::number(kRows + 1));

    connection.close();
    connection.open();
    connection.provider().run(
        QStringLiteral("UPDATE [List$] SET T = 'poslední' WHERE N = %1").arg(kRows + 1));
    EXPECT_EQ(
        query(QStringLiteral("SELECT T FROM [List$] WHERE N = %1").arg(kRows + 1))->field(0).text(),
        QStringLiteral("poslední"));
    for (int i = 0; i < 3; ++i) {
        connection.close();
        connection.open();
    }
    connection.close();
}

// Elements with a namespace prefix read as those without; a namespace declared on a cell is no
// attribute of it, even where its prefix is the name of one ("xmlns:r" beside "r").
TEST_F(Workbook, PrefixedElementsReadAsPlainOnes)
{
    GeneratedWorkbook book;
    book.setWorksheetPrefix(QStringLiteral("x"));
    book.addSharedString(QStringLiteral("<si><t>Město</t></si>"));
    book.addSheet(
        QStringLiteral("List"),
        QStringLiteral("<x:row r=\"1\"><x:c xmlns:r=\"urn:jiný\" r=\"A1\" t=\"s\"><x:v>0</x:v>"
                       "</x:c><x:c r=\"B1\" t=\"inlineStr\"><x:is><x:t>Počet</x:t></x:is></x:c>"
                       "</x:row><x:row r=\"2\"><x:c r=\"A2\" t=\"inlineStr\"><x:is><x:t>Brno"
                       "</x:t></x:is></x:c><x:c r=\"B2\"><x:v>7</x:v></x:c></x:row>"));
    connect(book);
    auto list = open(QStringLiteral("[List$]"));
    EXPECT_EQ(list->fieldNames(),
              QStringList({ QStringLiteral("Město"), QStringLiteral("Počet") }));
    ASSERT_EQ(list->recordCount(), 1);
    EXPECT_EQ(list->valueAt(0, 0), Value::text(QStringLiteral("Brno")));
    EXPECT_EQ(list->valueAt(0, 1), Value::real(7));
}

// A column whose every text is empty holds no text at all; its cells are still empty texts
// for statements, not NULLs.
TEST_F(Workbook, EmptyTextsStayEmptyTextsForStatements)
{
    GeneratedWorkbook book;
    book.addSharedString(QStringLiteral("<si><t></t></si>"));
    book.addSheet(QStringLiteral("List"),
                  QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Prázdné</t>"
                                 "</is></c><c r=\"B1\" t=\"inlineStr\"><is><t>N</t></is></c></row>"
                                 "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>0</v></c><c r=\"B2\"><v>1</v>"
                                 "</c></row><row r=\"3\"><c r=\"A3\" t=\"s\"><v>0</v></c><c "
                                 "r=\"B3\"><v>2</v></c></row>"));
    connect(book);
    EXPECT_EQ(
        query(QStringLiteral("SELECT COUNT(*) FROM [List$] WHERE Prázdné = ''"))->field(0).text(),
        QStringLiteral("2"));
}

TEST_F(Workbook, DateSystemsAndTheFictitiousLeapDay)
{
    for (const bool date1904 : { false, true }) {
        GeneratedWorkbook book;
        book.setDate1904(date1904);
        book.addSheet(
            QStringLiteral("D"),
            QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>When</t></is></c></row>"
                           "<row r=\"2\"><c r=\"A2\" s=\"1\"><v>59</v></c></row>"
                           "<row r=\"3\"><c r=\"A3\" s=\"1\"><v>61</v></c></row>"
                           "<row r=\"4\"><c r=\"A4\" s=\"2\"><v>0.5</v></c></row>"));
        connection.close();
        connect(book);
        auto dates = open(QStringLiteral("[D$]"));
        if (date1904) {
            EXPECT_EQ(dates->valueAt(0, 0), Value::dateTime(plainDateTime(QDate(1904, 2, 29))));
            EXPECT_EQ(dates->valueAt(1, 0), Value::dateTime(plainDateTime(QDate(1904, 3, 2))));
        } else {
            EXPECT_EQ(dates->valueAt(0, 0), Value::dateTime(plainDateTime(QDate(1900, 2, 28))));
            EXPECT_EQ(dates->valueAt(1, 0), Value::dateTime(plainDateTime(QDate(1900, 3, 1))));
        }
    }
}

TEST_F(Workbook, DateCellsThatAreNoShowableDateKeepTheirNumbers)
{
    GeneratedWorkbook book;
    book.addSheet(QStringLiteral("D"),
                  QStringLiteral("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Huge</t></is></c>"
                                 "<c r=\"B1\" t=\"inlineStr\"><is><t>Mixed</t></is></c></row>"
                                 "<row r=\"2\"><c r=\"A2\" s=\"1\"><v>1e300</v></c>"
                                 "<c r=\"B2\" s=\"1\"><v>44197</v></c></row>"
                                 "<row r=\"3\"><c r=\"A3\" s=\"1\"><v>-1e300</v></c>"
                                 "<c r=\"B3\" s=\"1\"><v>3000000</v></c></row>"));
    connection.close();
    connect(book);
    auto data = open(QStringLiteral("[D$]"));
    EXPECT_EQ(data->field(0).type(), FieldType::Double);
    EXPECT_EQ(data->valueAt(0, 0), Value::real(1e300));
    EXPECT_EQ(data->valueAt(1, 0), Value::real(-1e300));
    // A date beside a number that is no date: the column holds both as text.
    EXPECT_EQ(data->field(1).type(), FieldType::Text);
    EXPECT_EQ(data->valueAt(0, 1), Value::text(QStringLiteral("2021-01-01")));
    EXPECT_EQ(data->valueAt(1, 1), Value::text(QStringLiteral("3e+06"))); // as number cells read

    int row = -1;
    int column = -1;
    EXPECT_FALSE(workbook::parseCellReference(QStringLiteral("ABCDEFGHIJKLMNOP1"), row, column));
    EXPECT_FALSE(
        workbook::parseCellReference(QStringLiteral("A12345678901234567890"), row, column));
    EXPECT_TRUE(workbook::parseCellReference(QStringLiteral("XFD1048576"), row, column));
    EXPECT_EQ(row, 1048575);
    EXPECT_EQ(column, 16383);
}

TEST(WorkbookFiles, BadFilesFailTheOpenWithTheirReason)
{
    QTemporaryDir dir;
    const auto write = [&](const char *name, const QByteArray &bytes) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        return file.fileName();
    };
    EXPECT_TRUE(failureOpeningWorkbook(dir.filePath(QStringLiteral("chybí.xlsx")))
                    .startsWith(QStringLiteral("Soubor sešitu")));
    EXPECT_EQ(failureOpeningWorkbook(write("text.xls", "Jméno;Cena\r\n")),
              QStringLiteral("Soubor text.xls není sešit aplikace Excel."));
    EXPECT_TRUE(
        failureOpeningWorkbook(write("biff4.xls", QByteArray("\x09\x04\x06\x00\x00\x00", 6)))
            .contains(QStringLiteral("starém formátu")));

    // An OpenDocument spreadsheet is a zip too, with its own mimetype.
    const QString ods = dir.filePath(QStringLiteral("kalk.ods"));
    int error = 0;
    zip_t *archive = zip_open(QFile::encodeName(ods).constData(), ZIP_CREATE, &error);
    static const char mimetype[] = "application/vnd.oasis.opendocument.spreadsheet";
    zip_file_add(archive, "mimetype", zip_source_buffer(archive, mimetype, sizeof mimetype - 1, 0),
                 0);
    zip_close(archive);
    EXPECT_TRUE(failureOpeningWorkbook(ods).contains(QStringLiteral("OpenDocument")));

    const QString encrypted = dir.filePath(QStringLiteral("tajný.xlsx"));
    writeCompoundFile(encrypted, { "EncryptionInfo", "EncryptedPackage" });
    EXPECT_EQ(failureOpeningWorkbook(encrypted),
              QStringLiteral("Sešit tajný.xlsx je chráněn heslem; bez hesla jej nelze číst."));
    const QString excel95 = dir.filePath(QStringLiteral("starý.xls"));
    writeCompoundFile(excel95, { "Book" });
    EXPECT_TRUE(failureOpeningWorkbook(excel95).contains(QStringLiteral("verze 5 nebo 95")));

    // A package without a workbook part.
    const QString empty = dir.filePath(QStringLiteral("prázdný.xlsx"));
    archive = zip_open(QFile::encodeName(empty).constData(), ZIP_CREATE, &error);
    zip_file_add(archive, "a.txt", zip_source_buffer(archive, "a", 1, 0), 0);
    zip_close(archive);
    EXPECT_TRUE(failureOpeningWorkbook(empty).contains(QStringLiteral("prázdný.xlsx")));
}

TEST(WorkbookFiles, DamagedCopiesReadOrFailClearlyButNeverCrash)
{
    QTemporaryDir dir;
    QStringList originals;
    peopleBook().save(dir.filePath(QStringLiteral("lidé.xlsx")));
    originals << dir.filePath(QStringLiteral("lidé.xlsx"));
    for (const char *real : { "Formate.xls", "profiles.xls", "corrupted_error.xls" }) {
        const QString path
            = QDir(QStringLiteral(VORLAN_SHARED_WORKBOOKS)).filePath(QString::fromLatin1(real));
        if (QFile::exists(path))
            originals << path;
    }
    int failures = 0, reads = 0;
    for (const QString &original : originals) {
        QFile source(original);
        ASSERT_TRUE(source.open(QIODevice::ReadOnly));
        const QByteArray bytes = source.readAll();
        std::vector<QByteArray> copies;
        for (const qsizetype cut :
             { qsizetype(0), qsizetype(7), bytes.size() / 3, bytes.size() - 22, bytes.size() - 1 })
            copies.push_back(bytes.left(cut));
        quint32 seed = 12345;
        for (int flip = 0; flip < 40; ++flip) {
            QByteArray copy = bytes;
            for (int k = 0; k < 1 + flip % 4; ++k) {
                seed = seed * 1664525u + 1013904223u;
                copy[qsizetype(seed % quint32(copy.size()))] ^= char(1 + (seed >> 24) % 255);
            }
            copies.push_back(copy);
        }
        for (size_t i = 0; i < copies.size(); ++i) {
            const QString path = dir.filePath(QStringLiteral("kopie%1%2")
                                                  .arg(i)
                                                  .arg(original.endsWith(QLatin1String("x"))
                                                           ? QStringLiteral(".xlsx")
                                                           : QStringLiteral(".xls")));
            QFile copy(path);
            copy.open(QIODevice::WriteOnly);
            copy.write(copies[i]);
            copy.close();
            const QString message = failureOpeningWorkbook(path);
            if (message.isEmpty()) {
                ++reads;
            } else {
                ++failures;
                EXPECT_TRUE(message.contains(QFileInfo(path).fileName()) || message.contains(path))
                    << message.toStdString();
            }
        }
    }
    EXPECT_GT(failures, 0);
    EXPECT_GT(reads + failures, 40);
}

namespace {

// A sheet large enough to be read by two parsers at once: a number, an inline text with markup
// characters, a shared string, a truth value and now and then an error in each row; rows one
// to a line. Without numbered rows, the rows name no number (r) at all.
QString largeSheetRows(int rows, bool numberedRows, const QString &lineEnd = QStringLiteral("\n"))
{
    QString xml;
    for (int i = 0; i < rows; ++i) {
        const QString r = QString::number(i + 1);
        xml += numberedRows ? QStringLiteral("<row r=\"%1\">").arg(r) : QStringLiteral("<row>");
        xml += QStringLiteral("<c><v>%1</v></c><c t=\"inlineStr\"><is><t>řádek %1 &lt;&amp;&gt;</t>"
                              "</is></c><c t=\"s\"><v>%2</v></c><c t=\"b\"><v>%3</v></c>")
                   .arg(i)
                   .arg(i % 3)
                   .arg(i % 2);
        if (i % 10'000 == 7)
            xml += QStringLiteral("<c t=\"e\"><v>#N/A</v></c>");
        xml += QStringLiteral("</row>") + lineEnd;
    }
    return xml;
}

void expectLargeSheet(const workbook::WorkbookData &book, int rows)
{
    ASSERT_EQ(book.sheets.size(), size_t(1));
    const std::vector<workbook::CellRecord> &cells = book.sheets[0].cells;
    size_t at = 0;
    const QString shared[]
        = { QStringLiteral("nula"), QStringLiteral("jedna"), QStringLiteral("dvě") };
    for (int i = 0; i < rows; ++i) {
        QStringList expected { QString::number(i), QStringLiteral("řádek %1 <&>").arg(i),
                               shared[i % 3],
                               i % 2 ? QStringLiteral("TRUE") : QStringLiteral("FALSE") };
        if (i % 10'000 == 7)
            expected << QStringLiteral("#N/A");
        for (int c = 0; c < expected.size(); ++c, ++at) {
            ASSERT_LT(at, cells.size());
            ASSERT_EQ(cells[at].row, i) << i;
            ASSERT_EQ(cells[at].column, c) << i;
            ASSERT_EQ(workbook::cellText(book, cells[at]), expected[c]) << i << "/" << c;
        }
    }
    EXPECT_EQ(at, cells.size());
}

} // namespace

// A large sheet is read by the quick reader; where that leaves it to expat (a CR ends each
// line here), by two parsers at once, each on a half of its rows: the cells are those one
// parser reads, in order, with the second half's own texts after the first's; a sheet whose
// rows name no number is read whole, by one parser.
TEST(WorkbookLargeSheets, TwoParsersReadWhatOneWould)
{
    QTemporaryDir dir;
    constexpr int kRows = 60'000; // 240,000 cells and more, about 6 MB of sheet
    for (const bool numbered : { true, false }) {
        for (const QString &lineEnd : { QStringLiteral("\n"), QStringLiteral("\r\n") }) {
            test::GeneratedWorkbook book;
            for (const char *text : { "nula", "jedna", "dvě" })
                book.addSharedString(
                    QStringLiteral("<si><t>%1</t></si>").arg(QString::fromUtf8(text)));
            book.addSheet(QStringLiteral("Velký"), largeSheetRows(kRows, numbered, lineEnd));
            const QString path = dir.filePath(
                QStringLiteral("%1%2.xlsx").arg(numbered ? "rows" : "bare").arg(lineEnd.size()));
            book.save(path);
            SCOPED_TRACE(numbered ? "numbered rows" : "rows without numbers");
            SCOPED_TRACE(lineEnd.size() == 1 ? "LF" : "CR LF");
            expectLargeSheet(workbook::readWorkbook(path), kRows);
        }
    }
}

// A fault in the second half is named as reading the whole names it, with its line.
TEST(WorkbookLargeSheets, AFaultInTheSecondHalfIsNamedWithItsLine)
{
    QTemporaryDir dir;
    constexpr int kRows = 60'000;
    QString rows = largeSheetRows(kRows, true);
    const qsizetype broken = rows.indexOf(QStringLiteral("<row r=\"50000\">"));
    rows.insert(broken + 15, QStringLiteral("<c><v>1</v></x>"));
    test::GeneratedWorkbook book;
    book.addSheet(QStringLiteral("Velký"), rows);
    const QString path = dir.filePath(QStringLiteral("vadný.xlsx"));
    book.save(path);
    EXPECT_EQ(failureOf([&] { workbook::readWorkbook(path); }),
              QStringLiteral("Sešit vadný.xlsx je poškozen: část xl/worksheets/sheet1.xml není "
                             "platné XML (mismatched tag, řádek 50000)."));
}
