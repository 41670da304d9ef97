// The result export commands on real results of the MariaDB server of ./dev test: the save
// dialog, the files read back by python3's csv module and XML parser, the messages, the gauge,
// the grid and the cursor, and the files that cannot be written.
#include "ResultFixture.h"
#include "support/OfficeCsv.h"

#include "access/Dataset.h"
#include "access/workbook/XlsxReader.h"
#include "access/workbook/XlsxSheetXml.h"
#include "access/workbook/XlsxWriter.h"

#include "basic/AnsiText.h"
#include "basic/DateStamp.h"
#include "basic/WidgetPrompts.h"
#include "data/VRLDM.h"
#include "data/controls/DBGrid.h"
#include "query/QueryArea.h"
#include "query/ResultExport.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QProgressBar>

#include <map>

using namespace vrl;
using namespace vrl::test;

namespace {

const QString kFailed = QStringLiteral("CSV export neúspěšný");
const QString kTooBig = QStringLiteral(
    "POZOR: tento soubor je příliš rozsáhlý,\r\nnebude jej možno otevřít v aplikaci MS Excel.");

// Czech text, NULLs, decimals, date-times, apostrophes, semicolons, double quotes, <&>, and
// characters inside (€, ł) and outside (漢字) the code page, under names no XML element has.
const QStringList kGoods {
    QStringLiteral("CREATE TABLE zboží (id INT PRIMARY KEY, název VARCHAR(60), cena DECIMAL(10,2), "
                   "kdy DATETIME NULL, poznámka VARCHAR(60) NULL, `Jednotková cena` DOUBLE NULL, "
                   "`2024` INT NULL)"),
    QStringLiteral(
        "INSERT INTO zboží VALUES "
        "(1, 'Šroub M6; pozink', 12.50, '2024-03-01 08:30:00', 'O''Brien říká \"ahoj\"', "
        "1.25, 7), "
        "(2, 'Matice <&> € ł', 0.99, '2024-02-29 00:00:00', NULL, NULL, NULL), "
        "(3, 'Podložka 漢字', -3.10, NULL, 'a;b;\"c\"', 0.001, -1)"),
};
const QStringList kNames { QStringLiteral("id"),       QStringLiteral("název"),
                           QStringLiteral("cena"),     QStringLiteral("kdy"),
                           QStringLiteral("poznámka"), QStringLiteral("Jednotková cena"),
                           QStringLiteral("2024") };
// The values as the program shows them in the Czech regional forms.
const QList<QStringList> kValues {
    { "1", "Šroub M6; pozink", "12,50", "01.03.2024 8:30:00", "O'Brien říká \"ahoj\"", "1,25",
      "7" },
    { "2", "Matice <&> € ł", "0,99", "29.02.2024", "", "", "" },
    { "3", "Podložka 漢字", "-3,10", "", "a;b;\"c\"", "0,001", "-1" },
};

const char *const kReadCsv = R"(
import csv, json, sys
with open(sys.argv[1], encoding='cp1250', newline='') as f:
    print(json.dumps(list(csv.reader(f, delimiter=';'))))
)";
const char *const kReadXml = R"(
import json, sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
print(json.dumps([root.tag] + [[[e.tag, e.text or ''] for e in item] for item in root]))
)";

QStringList strings(const QJsonArray &array)
{
    QStringList list;
    for (const QJsonValue &value : array)
        list << value.toString();
    return list;
}

class ResultExportTest : public ResultFixture
{
protected:
    void SetUp() override
    {
        ResultFixture::SetUp();
        if (IsSkipped())
            return;
        auto *gaugeBar = control<QProgressBar>(form, "qGauge");
        QObject::connect(gaugeBar, &QProgressBar::valueChanged,
                         [this](int value) { gaugeSteps << value; });
    }

    // Presses an export button with the file dialog answered; an empty name cancels it.
    void exportTo(const char *button, const QString &file)
    {
        prompts.clear();
        gaugeSteps.clear();
        prompts.answerFile(file);
        click(form, button);
    }
    void setInList(bool on) { control<QCheckBox>(form, "sqlInListChB")->setChecked(on); }
    DBGrid &grid() { return *control<DBGrid>(form, "qGrid"); }
    void filter(const QString &text)
    {
        form.vrxQuery().setFilter(text);
        form.vrxQuery().setFiltered(true);
    }

    QList<int> gaugeSteps;
};

} // namespace

TEST_F(ResultExportTest, CsvOfRealValuesReadsBackValueByValueAndWarnsOfReplacedCharacters)
{
    openDatabase(kGoods);
    run(QStringLiteral("SELECT * FROM zboží ORDER BY id"));
    form.vrxQuery().moveTo(3);
    exportTo("qExpBtn", path(QStringLiteral("zboží.csv")));

    const FileDialog &offered = prompts.offeredFileDialog();
    EXPECT_EQ(offered.filterIndex, 1);
    EXPECT_EQ(offered.title, QStringLiteral("CSV export dat"));
    EXPECT_EQ(offered.fileName, dateStamp() + QStringLiteral("_CSV"));
    EXPECT_EQ(offered.initialDir, QDir::tempPath());
    EXPECT_EQ(offered.defaultExt, QStringLiteral("csv"));
    EXPECT_EQ(
        messages(),
        QStringList({ QStringLiteral("CSV export OK [3 záznamů]"),
                      ansiReplacedWarning(2) + QStringLiteral("\r\nExport XML je zachová.") }));
    EXPECT_EQ(form.vrxQuery().recNo(), 1);
    EXPECT_TRUE(grid().isAttached());
    EXPECT_EQ(gaugeSteps, QList<int>({ 33, 67, 100, 0 }));

    const QJsonArray lines
        = pythonJson(QString::fromLatin1(kReadCsv), { path(QStringLiteral("zboží.csv")) }).array();
    ASSERT_EQ(lines.size(), 5); // the names, three records and the empty line
    EXPECT_EQ(strings(lines[0].toArray()), kNames + QStringList { QString() });
    for (int row = 0; row < 3; ++row) {
        QStringList expected = kValues[row];
        for (QString &value : expected)
            value.replace(QLatin1Char(';'), QLatin1Char(' ')).replace(QStringLiteral("漢字"), "??");
        EXPECT_EQ(strings(lines[row + 1].toArray()), expected + QStringList { QString() });
    }
    EXPECT_TRUE(lines[4].toArray().isEmpty());
}

TEST_F(ResultExportTest, XmlOfRealValuesParsesAndKeepsEveryCharacter)
{
    openDatabase(kGoods);
    run(QStringLiteral("SELECT * FROM zboží ORDER BY id"));
    exportTo("qXMLBtn", path(QStringLiteral("zboží.xml")));
    const FileDialog &offered = prompts.offeredFileDialog();
    EXPECT_EQ(offered.filterIndex, 3);
    EXPECT_EQ(offered.title, QStringLiteral("XML export dat"));
    EXPECT_EQ(offered.fileName, dateStamp() + QStringLiteral("_XML"));
    EXPECT_EQ(messages(), QStringList({ QStringLiteral("XML export OK [3 rec(s)]") }));

    const QJsonArray parsed
        = pythonJson(QString::fromLatin1(kReadXml), { path(QStringLiteral("zboží.xml")) }).array();
    ASSERT_EQ(parsed.size(), 4);
    EXPECT_EQ(parsed[0].toString(), QStringLiteral("data"));
    const QStringList elements { "id",       "název",           "cena", "kdy",
                                 "poznámka", "Jednotková_cena", "_2024" };
    for (int row = 0; row < 3; ++row) {
        const QJsonArray item = parsed[row + 1].toArray();
        ASSERT_EQ(item.size(), 7);
        for (int field = 0; field < 7; ++field) {
            EXPECT_EQ(item[field][0].toString(), elements[field]);
            EXPECT_EQ(item[field][1].toString(), kValues[row][field]) << row << "/" << field;
        }
    }
}

TEST_F(ResultExportTest, TheInListTakesTheFirstFieldOfTheFilteredSortedView)
{
    openDatabase(kGoods);
    run(QStringLiteral("SELECT poznámka, název, id FROM zboží"));
    form.vrxQuery().setSort(QStringLiteral("název DESC")); // Šroub, Podložka, Matice
    setInList(true);
    exportTo("qExpBtn", path(QStringLiteral("list.sql")));
    EXPECT_EQ(messages(), QStringList({ QStringLiteral("CSV export OK [3 záznamů]") }));
    EXPECT_EQ(fileBytes(path(QStringLiteral("list.sql"))),
              toAnsi(QStringLiteral("LINE EXPORT\r\n('O''Brien říká \"ahoj\"',\r\n'a;b;\"c\"',\r\n"
                                    "'')\r\n")));

    // Only what passes the filter, in the sort order; the .xls type still writes CSV text.
    setInList(false);
    filter(QStringLiteral("id <> 1"));
    exportTo("qExpBtn", path(QStringLiteral("filtered.xls")));
    EXPECT_EQ(
        messages(),
        QStringList({ QStringLiteral("CSV export OK [2 záznamů]"),
                      ansiReplacedWarning(2) + QStringLiteral("\r\nExport XML je zachová.") }));
    EXPECT_EQ(
        fileBytes(path(QStringLiteral("filtered.xls"))),
        toAnsi(QStringLiteral("poznámka;název;id;\r\n\"a b \"\"c\"\"\";\"Podložka ??\";\"3\";\r\n"
                              "\"\";\"Matice <&> € ł\";\"2\";\r\n\r\n")));
}

TEST_F(ResultExportTest, AnEmptyViewGivesTheEmptyFilesAndCancellingWritesNothing)
{
    openDatabase(kGoods);
    run(QStringLiteral("SELECT id, název FROM zboží"));
    filter(QStringLiteral("id > 100"));
    exportTo("qExpBtn", path(QStringLiteral("empty.csv")));
    EXPECT_EQ(messages(), QStringList({ kFailed }));
    EXPECT_EQ(fileBytes(path(QStringLiteral("empty.csv"))), QByteArray("id;n\xE1zev;\r\n\r\n"));
    setInList(true);
    exportTo("qExpBtn", path(QStringLiteral("empty.sql")));
    EXPECT_EQ(messages(), QStringList({ kFailed }));
    EXPECT_EQ(fileBytes(path(QStringLiteral("empty.sql"))), QByteArray("LINE EXPORT\r\n('')\r\n"));
    exportTo("qXMLBtn", path(QStringLiteral("empty.xml")));
    EXPECT_EQ(messages(), QStringList({ QStringLiteral("XML export OK [0 rec(s)]") }));
    EXPECT_EQ(fileBytes(path(QStringLiteral("empty.xml"))),
              QByteArray("<?xml version=\"1.0\" encoding=\"windows-1250\" ?>\r\n<data>\r\n"
                         "</data>\r\n"));
    EXPECT_EQ(
        pythonJson(QString::fromLatin1(kReadXml), { path(QStringLiteral("empty.xml")) }).array(),
        QJsonArray({ QStringLiteral("data") }));

    exportTo("qExpBtn", QString());
    EXPECT_EQ(messages(), QStringList({ kFailed }));
    exportTo("qXMLBtn", QString());
    EXPECT_EQ(messages(), QStringList({ QStringLiteral("XML export přerušen uživatelem...") }));
    EXPECT_EQ(QDir(m_folder.path()).entryList(QDir::Files).size(), 3);
}

TEST_F(ResultExportTest, MoreRowsThanAWorksheetHoldsAddTheSizeWarning)
{
    openDatabase({});
    run(QStringLiteral("SELECT seq, CONCAT('řádek ', seq) AS text FROM seq_1_to_65536"));
    exportTo("qExpBtn", path(QStringLiteral("big.csv")));
    EXPECT_EQ(messages(),
              QStringList({ QStringLiteral("CSV export OK [65536 záznamů]"), kTooBig }));
    EXPECT_EQ(fileBytes(path(QStringLiteral("big.csv"))).count("\r\n"), 65536 + 2);
    EXPECT_EQ(gaugeSteps.size(), 101); // 1 to 100, then 0

    filter(QStringLiteral("seq < 65536"));
    exportTo("qExpBtn", path(QStringLiteral("big.csv")));
    EXPECT_EQ(messages(), QStringList({ QStringLiteral("CSV export OK [65535 záznamů]") }));
    EXPECT_TRUE(fileBytes(path(QStringLiteral("big.csv")))
                    .endsWith("\"65535\";\"\xF8\xE1\x64\x65k 65535\";\r\n\r\n"));
}

TEST_F(ResultExportTest, FilesThatCannotBeWrittenAreReportedAndTheGridComesBack)
{
    openDatabase({});
    run(QStringLiteral("SELECT seq, REPEAT('x', 40) AS text FROM seq_1_to_20000"));
    QFile plainFile(path(QStringLiteral("plain.txt")));
    ASSERT_TRUE(plainFile.open(QIODevice::WriteOnly));
    plainFile.close();
    const QString inAFile = path(QStringLiteral("plain.txt/out.csv"));

    // A folder that is no folder, a name that is a folder, a disk that fills up mid-way.
    for (const QString &target : { inAFile, m_folder.path(), QStringLiteral("/dev/full") }) {
        form.vrxQuery().moveTo(5);
        exportTo("qExpBtn", target);
        EXPECT_EQ(messages(), QStringList({ kFailed })) << target.toStdString();
        EXPECT_TRUE(grid().isAttached());
        EXPECT_EQ(control<QProgressBar>(form, "qGauge")->value(), 0);

        exportTo("qXMLBtn", target);
        ASSERT_EQ(messages().size(), 1);
        EXPECT_TRUE(messages()[0].startsWith(QStringLiteral("XML export error\n\r[")))
            << messages()[0].toStdString();
        EXPECT_TRUE(messages()[0].contains(target)) << messages()[0].toStdString();
        EXPECT_TRUE(messages()[0].endsWith(QLatin1Char(']')));
        EXPECT_TRUE(grid().isAttached());
        EXPECT_EQ(control<QProgressBar>(form, "qGauge")->value(), 0);
    }
    // The disk filled up while the records were written, not before.
    EXPECT_GT(gaugeSteps.size(), 2);
    EXPECT_EQ(gaugeSteps.last(), 0);
}

TEST_F(ResultExportTest, AnEditNotYetPostedIsPostedFirstAndARefusedOneWritesNothing)
{
    openDatabase(kGoods);
    run(QStringLiteral("SELECT id, název FROM zboží ORDER BY id"));
    control<QCheckBox>(form, "qEditChB")->click();
    Dataset &result = form.vrxQuery();

    // A good edit reaches the server and the file alike.
    result.moveTo(2);
    result.edit();
    result.fieldByName(QStringLiteral("název")).setValue(Value::text(QStringLiteral("Matka")));
    exportTo("qExpBtn", path(QStringLiteral("posted.csv")));
    EXPECT_EQ(messages().value(0), QStringLiteral("CSV export OK [3 záznamů]"));
    EXPECT_TRUE(fileBytes(path(QStringLiteral("posted.csv"))).contains("\"2\";\"Matka\";"));
    EXPECT_EQ(valueOnServer(QStringLiteral("SELECT název FROM `%1`.zboží WHERE id = 2")
                                .arg(databaseOfThisTest(QStringLiteral("rs")))),
              QStringLiteral("Matka"));

    // A refused edit (a key taken twice) was written into the file, and only then was the
    // export reported as failed. Now the failure shows and no file is written.
    for (const char *button : { "qExpBtn", "qXMLBtn" }) {
        result.moveTo(1);
        result.edit();
        result.fieldByName(QStringLiteral("id")).setValue(Value::integer(3));
        const QString target = path(QStringLiteral("refused_") + QLatin1String(button));
        exportTo(button, target);
        EXPECT_FALSE(QFile::exists(target)) << button;
        ASSERT_FALSE(messages().isEmpty()) << button;
        EXPECT_TRUE(messages().join(u'|').contains(QStringLiteral("Duplicate")))
            << messages().join(u'|').toStdString();
        if (QLatin1String(button) == QLatin1String("qExpBtn"))
            EXPECT_EQ(messages().last(), kFailed);
        else
            EXPECT_TRUE(messages().last().startsWith(QStringLiteral("XML export error\n\r[")));
        EXPECT_TRUE(grid().isAttached());
        result.cancel();
    }
    EXPECT_EQ(valueOnServer(QStringLiteral("SELECT COUNT(*) FROM `%1`.zboží")
                                .arg(databaseOfThisTest(QStringLiteral("rs")))),
              QStringLiteral("3"));
}

// The workbook type of the CSV export's dialog: the workbooks it writes read back by the
// program's own reader, by openpyxl and, where it is installed, by LibreOffice.
namespace {

const QString kWorkbookFailed = QStringLiteral("Export do sešitu MS Excel neúspěšný\r\n[");

// openpyxl's view of the first sheet: its name, the frozen cell, whether the names are bold,
// the widths, and every row's cells as [kind, value, number format].
const char *const kReadWorkbook = R"(
import datetime, json, sys, openpyxl
from openpyxl.utils import get_column_letter
sheet = openpyxl.load_workbook(sys.argv[1]).worksheets[0]
def cell(c):
    v = c.value
    if v is None: return None
    if isinstance(v, bool): return ['b', v]
    if isinstance(v, datetime.datetime):
        return ['d', v.isoformat(timespec='milliseconds'), c.number_format]
    if isinstance(v, (int, float)): return ['n', v, c.number_format]
    return ['s', v]
print(json.dumps({'name': sheet.title, 'freeze': sheet.freeze_panes,
  'bold': [c.font.b for c in sheet[1]],
  'widths': [sheet.column_dimensions[get_column_letter(i + 1)].width
             for i in range(sheet.max_column)],
  'rows': [[cell(c) for c in row] for row in sheet.iter_rows()]}))
)";

QJsonObject openpyxlView(const QString &path)
{
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 { QStringLiteral("-c"), QString::fromLatin1(kReadWorkbook), path });
    EXPECT_TRUE(python.waitForFinished(120000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

QString isoOf(const QDateTime &value)
{
    return value.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
}

class WorkbookExportTest : public ResultExportTest
{
protected:
    // The CSV export's button, with the workbook type chosen in its dialog.
    void exportWorkbook(const QString &file)
    {
        prompts.clear();
        gaugeSteps.clear();
        prompts.answerFile(file, ResultExport::kWorkbookType);
        click(form, "qExpBtn");
    }

    // Every cell of the sheet, as our reader and openpyxl see it, against the result as the
    // grid shows it: the names in row 1, a NULL as no cell, a number as the value's number, a
    // date as its date-time, a string as the value's text (cut to what a cell holds).
    void expectSheetEqualsResult(const QString &file)
    {
        Dataset &result = form.vrxQuery();
        const int fields = result.fieldCount();

        const workbook::WorkbookData book = workbook::readXlsx(file);
        ASSERT_EQ(book.sheets.size(), 1u);
        std::map<std::pair<int, int>, workbook::CellRecord> cells;
        for (const workbook::CellRecord &cell : book.sheets[0].cells)
            cells[{ cell.row, cell.column }] = cell;
        const QJsonObject view = openpyxlView(file);
        const QJsonArray rows = view[QStringLiteral("rows")].toArray();
        ASSERT_EQ(rows.size(), result.recordCount() + 1);

        for (int f = 0; f < fields; ++f) {
            ASSERT_TRUE(cells.count({ 0, f }));
            EXPECT_EQ(book.texts[cells.at({ 0, f }).text], result.fieldNames()[f]);
            EXPECT_EQ(rows[0][f][1].toString(), result.fieldNames()[f]);
        }
        for (int r = 0; r < result.recordCount(); ++r) {
            const QJsonArray row = rows[r + 1].toArray();
            for (int f = 0; f < fields; ++f) {
                const Value value = result.valueAt(r, f);
                const QString where = QStringLiteral("row %1 field %2").arg(r).arg(f);
                const auto own = cells.find({ r + 1, f });
                const QJsonValue other = row.size() > f ? row[f] : QJsonValue();
                if (value.isNull()) {
                    EXPECT_TRUE(own == cells.end()) << where.toStdString();
                    EXPECT_TRUE(other.isNull()) << where.toStdString();
                    continue;
                }
                ASSERT_TRUE(own != cells.end()) << where.toStdString();
                const workbook::CellRecord &cell = own->second;
                const QString kind = other[0].toString();
                switch (cell.kind) {
                case workbook::CellKind::Text: {
                    const QString text = value.toText().left(workbook::kMostCellCharacters);
                    EXPECT_EQ(book.texts[cell.text], text) << where.toStdString();
                    EXPECT_EQ(kind, QStringLiteral("s")) << where.toStdString();
                    // openpyxl leaves the escapes of control characters as they stand.
                    if (!text.contains(QLatin1String("_x")) && text.size() < 1000) {
                        EXPECT_EQ(other[1].toString(), text) << where.toStdString();
                    }
                    break;
                }
                case workbook::CellKind::Number:
                    EXPECT_EQ(cell.number, *value.toNumber()) << where.toStdString();
                    EXPECT_EQ(kind, QStringLiteral("n")) << where.toStdString();
                    EXPECT_EQ(other[1].toDouble(), *value.toNumber()) << where.toStdString();
                    break;
                case workbook::CellKind::Date:
                    ASSERT_EQ(value.type(), FieldType::DateTime) << where.toStdString();
                    EXPECT_EQ(isoOf(workbook::dateOfSerial(cell.number, book.date1904)),
                              isoOf(value.asDateTime()))
                        << where.toStdString();
                    EXPECT_EQ(kind, QStringLiteral("d")) << where.toStdString();
                    EXPECT_EQ(other[1].toString(), isoOf(value.asDateTime()))
                        << where.toStdString();
                    break;
                case workbook::CellKind::Bool:
                    EXPECT_EQ(cell.number != 0, value.asBool()) << where.toStdString();
                    EXPECT_EQ(other[1].toBool(), value.asBool()) << where.toStdString();
                    break;
                case workbook::CellKind::Error:
                    ADD_FAILURE() << "an error cell at " << where.toStdString();
                    break;
                }
            }
        }
    }

    // The files of the export folder, temporary ones included.
    QStringList filesHere() const
    {
        return QDir(m_folder.path()).entryList(QDir::Files | QDir::Hidden);
    }
};

} // namespace

TEST_F(WorkbookExportTest, RealValuesBecomeTypedCellsUnderBoldFrozenNames)
{
    openDatabase(kGoods);
    run(QStringLiteral("SELECT * FROM zboží ORDER BY id"));
    form.vrxQuery().moveTo(3);
    const QString file = path(QStringLiteral("zboží.xlsx"));
    exportWorkbook(file);
    EXPECT_EQ(messages(), QStringList({ QStringLiteral("Sešit MS Excel uložen [3 záznamů]") }));
    EXPECT_EQ(form.vrxQuery().recNo(), 1);
    EXPECT_TRUE(grid().isAttached());
    EXPECT_EQ(gaugeSteps.last(), 0);
    EXPECT_TRUE(gaugeSteps.contains(100));
    EXPECT_EQ(filesHere(), QStringList({ QStringLiteral("zboží.xlsx") }));
    expectSheetEqualsResult(file);

    const QJsonObject view = openpyxlView(file);
    EXPECT_EQ(view[QStringLiteral("name")].toString(), QStringLiteral("zboží"));
    EXPECT_EQ(view[QStringLiteral("freeze")].toString(), QStringLiteral("A2"));
    for (const QJsonValue bold : view[QStringLiteral("bold")].toArray())
        EXPECT_TRUE(bold.toBool());
    const QJsonArray rows = view[QStringLiteral("rows")].toArray();
    // Every character kept, 漢字 too; the decimals shown with their two places; the date-time
    // and the date at midnight in the Czech forms of the grid.
    EXPECT_EQ(rows[3][1][1].toString(), QStringLiteral("Podložka 漢字"));
    EXPECT_EQ(rows[1][2][2].toString(), QStringLiteral("0.00"));
    EXPECT_EQ(rows[1][3][2].toString(), QStringLiteral("dd.mm.yyyy h:mm:ss"));
    EXPECT_EQ(rows[2][3][2].toString(), QStringLiteral("dd.mm.yyyy"));
    // The widths follow the longest text: "O'Brien říká "ahoj"" is the widest of the notes.
    const QJsonArray widths = view[QStringLiteral("widths")].toArray();
    ASSERT_EQ(widths.size(), 7);
    EXPECT_GT(widths[4].toDouble(), widths[0].toDouble());
    EXPECT_GE(widths[4].toDouble(), 20.0);
}

TEST_F(WorkbookExportTest, ValuesACellCannotHoldAsSuchStayExactAsText)
{
    openDatabase({});
    run(QStringLiteral(
        "SELECT 12345678901234567 AS velké, CAST('123456789012345678.1234' AS DECIMAL(30,4)) "
        "AS široké, CAST('1234.5000' AS DECIMAL(30,4)) AS úzké, "
        "CAST('1899-12-31 10:00:00' AS DATETIME) AS dávno, CAST('1900-02-28' AS DATETIME) "
        "AS únor1900, CAST('1900-03-01 00:00:01' AS DATETIME) AS březen1900, "
        "REPEAT('ž', 40000) AS dlouhý, CONCAT('a', CHAR(1), 'b_x0041_c', CHAR(13), CHAR(10), "
        "'😀 ') AS zvláštní, CONCAT(' ', 'mezera') AS mezera, UNHEX('00FF') AS bajty, "
        "1e300 * 10 AS dvojité"));
    ASSERT_EQ(form.vrxQuery().recordCount(), 1);
    const QString file = path(QStringLiteral("edges.xlsx"));
    exportWorkbook(file);
    ASSERT_EQ(messages().size(), 2) << messages().join(u'|').toStdString();
    EXPECT_EQ(messages()[0], QStringLiteral("Sešit MS Excel uložen [1 záznamů]"));
    EXPECT_EQ(messages()[1],
              QStringLiteral("POZOR: 1 textů bylo delších než 32767 znaků, které pojme buňka "
                             "sešitu;\r\nv sešitu jsou zkráceny."));
    expectSheetEqualsResult(file);

    const QJsonObject view = openpyxlView(file);
    EXPECT_EQ(view[QStringLiteral("name")].toString(), QStringLiteral("výsledek"));
    const QJsonArray cells = view[QStringLiteral("rows")].toArray()[1].toArray();
    EXPECT_EQ(cells[0][1].toString(), QStringLiteral("12345678901234567"));
    EXPECT_EQ(cells[1][1].toString(), QStringLiteral("123456789012345678,1234"));
    EXPECT_EQ(cells[2][0].toString(), QStringLiteral("n"));
    EXPECT_EQ(cells[2][2].toString(), QStringLiteral("0.0000"));
    EXPECT_EQ(cells[3][1].toString(), form.vrxQuery().valueAt(0, 3).toText());
    EXPECT_EQ(cells[4][1].toString(), QStringLiteral("1900-02-28T00:00:00.000"));
    EXPECT_EQ(cells[5][1].toString(), QStringLiteral("1900-03-01T00:00:01.000"));
    EXPECT_EQ(cells[6][1].toString().size(), workbook::kMostCellCharacters);
    EXPECT_EQ(cells[8][1].toString(), QStringLiteral(" mezera"));
    EXPECT_EQ(cells[9][1].toString(), QStringLiteral("0x00FF"));
}

TEST_F(WorkbookExportTest, AFilteredSortedViewWritesItsRowsAndNullsLeaveNoCell)
{
    openDatabase(kGoods);
    run(QStringLiteral("SELECT poznámka, název, id, kdy FROM zboží"));
    form.vrxQuery().setSort(QStringLiteral("název DESC"));
    filter(QStringLiteral("id <> 1"));
    setInList(true); // the type chosen in the dialog wins over the check box
    const QString file = path(QStringLiteral("view.xlsx"));
    exportWorkbook(file);
    EXPECT_EQ(messages(), QStringList({ QStringLiteral("Sešit MS Excel uložen [2 záznamů]") }));
    expectSheetEqualsResult(file);
    const QJsonArray rows = openpyxlView(file)[QStringLiteral("rows")].toArray();
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[1][2][1].toInt(), 3);
    EXPECT_EQ(rows[2][2][1].toInt(), 2);
    EXPECT_TRUE(rows[2][0].isNull()); // poznámka of Matice is NULL
}

TEST_F(WorkbookExportTest, MoreRowsThanASheetHoldsAreRefusedBeforeAnythingIsWritten)
{
    openDatabase({});
    run(QStringLiteral("SELECT seq FROM seq_1_to_1048576"));
    const QString file = path(QStringLiteral("big.xlsx"));
    exportWorkbook(file);
    EXPECT_EQ(messages(),
              QStringList({ kWorkbookFailed
                            + QStringLiteral("Výsledek má 1048576 záznamů, list sešitu pojme "
                                             "nejvýše 1048575.]") }));
    EXPECT_TRUE(filesHere().isEmpty()) << filesHere().join(u'|').toStdString();
    EXPECT_TRUE(grid().isAttached());
    EXPECT_EQ(control<QProgressBar>(form, "qGauge")->value(), 0);

    // One record fewer fills the sheet to its last row.
    filter(QStringLiteral("seq < 1048576"));
    exportWorkbook(file);
    EXPECT_EQ(messages(),
              QStringList({ QStringLiteral("Sešit MS Excel uložen [1048575 záznamů]") }));
    const workbook::WorkbookData book = workbook::readXlsx(file);
    ASSERT_EQ(book.sheets.size(), 1u);
    EXPECT_EQ(book.sheets[0].cells.size(), 1048576u);
    EXPECT_EQ(book.sheets[0].cells.back().row, workbook::kLastSheetRow);
    EXPECT_EQ(book.sheets[0].cells.back().number, 1048575.0);
}

TEST_F(WorkbookExportTest, ATargetThatCannotTakeTheWorkbookIsReportedAndNothingIsReplaced)
{
    openDatabase({});
    run(QStringLiteral("SELECT seq, REPEAT('x', 40) AS text FROM seq_1_to_20000"));
    QFile plainFile(path(QStringLiteral("plain.txt")));
    ASSERT_TRUE(plainFile.open(QIODevice::WriteOnly));
    plainFile.close();
    // A folder that is no folder, a name that is a folder, a device: none is replaced.
    for (const QString &target : { path(QStringLiteral("plain.txt/out.xlsx")), m_folder.path(),
                                   QStringLiteral("/dev/full") }) {
        form.vrxQuery().moveTo(5);
        exportWorkbook(target);
        ASSERT_EQ(messages().size(), 1) << target.toStdString();
        EXPECT_TRUE(messages()[0].startsWith(kWorkbookFailed)) << messages()[0].toStdString();
        EXPECT_TRUE(messages()[0].contains(QStringLiteral("nelze uložit")))
            << messages()[0].toStdString();
        EXPECT_TRUE(grid().isAttached());
        EXPECT_EQ(control<QProgressBar>(form, "qGauge")->value(), 0);
    }
    EXPECT_TRUE(QFileInfo(QStringLiteral("/dev/full")).isFile() == false);
    EXPECT_EQ(filesHere(), QStringList({ QStringLiteral("plain.txt") }));

    // An existing file is replaced whole, and keeps its mode.
    QFile oldFile(path(QStringLiteral("old.xlsx")));
    ASSERT_TRUE(oldFile.open(QIODevice::WriteOnly));
    oldFile.write("old");
    oldFile.close();
    ASSERT_TRUE(oldFile.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    exportWorkbook(oldFile.fileName());
    EXPECT_EQ(messages(), QStringList({ QStringLiteral("Sešit MS Excel uložen [20000 záznamů]") }));
    EXPECT_EQ(filesHere(),
              QStringList({ QStringLiteral("old.xlsx"), QStringLiteral("plain.txt") }));
    EXPECT_EQ(oldFile.permissions() & (QFile::ReadGroup | QFile::ReadOther), 0);
    expectSheetEqualsResult(oldFile.fileName());
}

TEST_F(WorkbookExportTest, LibreOfficeReadsTheWorkbookAsTheGridShowsIt)
{
    const QString office = spreadsheetProgram();
    if (office.isEmpty())
        GTEST_SKIP() << "LibreOffice is not installed";
    openDatabase(kGoods);
    run(QStringLiteral("SELECT id, název, poznámka FROM zboží ORDER BY id"));
    exportWorkbook(path(QStringLiteral("office.xlsx")));
    ASSERT_EQ(messages(), QStringList({ QStringLiteral("Sešit MS Excel uložen [3 záznamů]") }));
    const QStringList lines = sheetAsOfficeReadsIt(office, path(QStringLiteral("office.xlsx")),
                                                   path(QStringLiteral("office")));
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines[0].trimmed(), QStringLiteral("id;název;poznámka"));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("2;Matice <&> € ł;"))) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].startsWith(QStringLiteral("3;Podložka 漢字;"))) << lines[3].toStdString();
}

TEST(WorkbookSaveDialog, TheWorkbookTypeIsTheFifthAndGivesANameWithoutExtensionXlsx)
{
    const QString filter = QStringLiteral(
        "CSV text file (*.csv)|*.csv|MS Excel worksheet file (*.xls)|*.xls|XML tagged text file "
        "(*.xml)|*.xml|any file (*.*)|*.*|sešit MS Excel (*.xlsx)|*.xlsx");
    EXPECT_EQ(suffixOfFilter(filter, ResultExport::kWorkbookType, QStringLiteral("csv")),
              QStringLiteral("xlsx"));
    EXPECT_EQ(suffixOfFilter(filter, 2, QStringLiteral("csv")), QStringLiteral("xls"));

    QTemporaryDir folder;
    FileDialog dialog;
    dialog.kind = FileDialog::Kind::Save;
    dialog.defaultExt = QStringLiteral("csv");
    dialog.initialDir = folder.path();
    dialog.filter = filter;
    dialog.filterIndex = 1;
    dialog.fileName = QStringLiteral("210207_CSV");
    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    prepareFileDialog(files, dialog);
    files.selectNameFilter(nameFiltersOf(filter)[ResultExport::kWorkbookType - 1]);
    QMetaObject::invokeMethod(&files, "accept");
    takeFileDialogAnswer(files, dialog);
    EXPECT_EQ(dialog.filterIndex, ResultExport::kWorkbookType);
    EXPECT_EQ(QFileInfo(dialog.fileName).fileName(), QStringLiteral("210207_CSV.xlsx"));
}

TEST(WorkbookText, EscapesWhatXmlCannotCarryAndSheetNamesFollowTheRules)
{
    std::string out;
    workbook::appendXmlText(out, u"a<&>\r\n\t\x01_x0041_ _xZZ_ 😀ž");
    EXPECT_EQ(out, "a&lt;&amp;&gt;&#13;\n\t_x0001__x005F_x0041_ _xZZ_ \xF0\x9F\x98\x80\xC5\xBE");
    out.clear();
    const char16_t lone[] = { u'a', 0xD800, u'b', 0xFFFE, 0 };
    workbook::appendXmlText(out, QStringView(lone));
    EXPECT_EQ(out, "a_xD800_b_xFFFE_");
    EXPECT_EQ(workbook::unescapeOoxml(QString::fromStdString("_x0001__x005F_x0041_")),
              QStringLiteral("\x01_x0041_"));

    const QString fallback = QStringLiteral("výsledek");
    EXPECT_EQ(workbook::validSheetName(QStringLiteral("a[b]c:d*e?f/g\\h"), fallback),
              QStringLiteral("a_b_c_d_e_f_g_h"));
    EXPECT_EQ(workbook::validSheetName(QStringLiteral("'x'"), fallback), QStringLiteral("_x_"));
    EXPECT_EQ(workbook::validSheetName(QString(40, u'ř'), fallback), QString(31, u'ř'));
    EXPECT_EQ(workbook::validSheetName(QString(), fallback), fallback);
    EXPECT_EQ(workbook::validSheetName(QStringLiteral("history"), fallback),
              QStringLiteral("history_"));
}
