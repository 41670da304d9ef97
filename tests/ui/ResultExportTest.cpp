// The result export commands on real results of the MariaDB server of ./dev test: the save
// dialog, the files read back by python3's csv module and XML parser, the messages, the gauge,
// the grid and the cursor, and the files that cannot be written.
#include "ResultFixture.h"

#include "access/Dataset.h"

#include "basic/AnsiText.h"
#include "basic/DateStamp.h"
#include "data/VRLDM.h"
#include "data/controls/DBGrid.h"
#include "query/QueryArea.h"

#include <QCheckBox>
#include <QDir>
#include <QJsonArray>
#include <QProgressBar>

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
