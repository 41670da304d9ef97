// The three export forms as text over field names and rows held in memory: the worked example
// byte for byte, the empty result, and the XML that a parser must accept whatever the names and
// values hold.
#include "query/ExportForms.h"
#include "basic/AnsiText.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

using namespace vrl;

namespace {

using Rows = QList<QStringList>;

struct TextOutput : ExportOutput
{
    QString text;
    QList<int> done;
    void write(QStringView piece) override { text += piece; }
    void recordWritten(int record, int) override { done << record; }
};

ExportRows rowsOf(const Rows &rows)
{
    return { int(rows.size()), [rows](int row, int field, QString &) {
                return QStringView(rows[row][field]);
            } };
}

template<typename Writer>
QByteArray bytesOf(Writer writer, const QStringList &names, const Rows &rows)
{
    TextOutput out;
    writer(names, rowsOf(rows), out);
    return toAnsi(out.text);
}

// The IN list as written for SQL Server and for MySQL, which reads a backslash as an escape.
void inList(const QStringList &names, const ExportRows &rows, ExportOutput &out)
{
    writeInList(names, rows, out);
}
void mySqlInList(const QStringList &names, const ExportRows &rows, ExportOutput &out)
{
    writeInList(names, rows, out, true);
}

const QStringList kNames { QStringLiteral("Code"), QStringLiteral("Name") };
const Rows kExample { { QStringLiteral("A1"), QStringLiteral("Nut; small") },
                      { QStringLiteral("B2"), QStringLiteral("O'Brien") },
                      { QStringLiteral("C3"), QString() } };

// Element names and texts of each item, as a parser reads the file decoded as windows-1250.
QList<QList<std::pair<QString, QString>>> parsedItems(const QByteArray &bytes)
{
    QXmlStreamReader xml(fromAnsi(bytes));
    QList<QList<std::pair<QString, QString>>> items;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == QLatin1String("item"))
            items.append(QList<std::pair<QString, QString>>());
        else if (xml.isStartElement() && xml.name() != QLatin1String("data"))
            items.last().append({ xml.name().toString(), xml.readElementText() });
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return items;
}

} // namespace

TEST(ExportForms, TheWorkedExampleInEachForm)
{
    EXPECT_EQ(bytesOf(writeCsv, kNames, kExample),
              QByteArray("Code;Name;\r\n\"A1\";\"Nut  small\";\r\n\"B2\";\"O'Brien\";\r\n"
                         "\"C3\";\"\";\r\n\r\n"));
    EXPECT_EQ(bytesOf(inList, kNames, kExample),
              QByteArray("LINE EXPORT\r\n('A1',\r\n'B2',\r\n'C3')\r\n"));
    EXPECT_EQ(bytesOf(writeXml, kNames, kExample),
              QByteArray("<?xml version=\"1.0\" encoding=\"windows-1250\" ?>\r\n<data>\r\n"
                         "<item>\r\n<Code>A1</Code>\r\n<Name>Nut; small</Name>\r\n</item>\r\n"
                         "<item>\r\n<Code>B2</Code>\r\n<Name>O'Brien</Name>\r\n</item>\r\n"
                         "<item>\r\n<Code>C3</Code>\r\n<Name></Name>\r\n</item>\r\n"
                         "</data>\r\n"));
    EXPECT_EQ(parsedItems(bytesOf(writeXml, kNames, kExample)).size(), 3);

    // With Name first the IN list keeps the semicolon and doubles the apostrophe.
    Rows swapped;
    for (const QStringList &row : kExample)
        swapped << QStringList { row[1], row[0] };
    EXPECT_EQ(bytesOf(inList, { kNames[1], kNames[0] }, swapped),
              QByteArray("LINE EXPORT\r\n('Nut; small',\r\n'O''Brien',\r\n'')\r\n"));
}

TEST(ExportForms, AnEmptyResultInEachFormAndTheRecordsReported)
{
    EXPECT_EQ(bytesOf(writeCsv, kNames, {}), QByteArray("Code;Name;\r\n\r\n"));
    EXPECT_EQ(bytesOf(inList, kNames, {}), QByteArray("LINE EXPORT\r\n('')\r\n"));
    EXPECT_EQ(bytesOf(writeXml, kNames, {}),
              QByteArray("<?xml version=\"1.0\" encoding=\"windows-1250\" ?>\r\n<data>\r\n"
                         "</data>\r\n"));
    EXPECT_TRUE(parsedItems(bytesOf(writeXml, kNames, {})).isEmpty());

    TextOutput out;
    EXPECT_EQ(writeXml(kNames, rowsOf(kExample), out), 3);
    EXPECT_EQ(out.done, QList<int>({ 1, 2, 3 }));
    out.done.clear();
    writeInList(kNames, rowsOf(kExample), out);
    EXPECT_EQ(out.done, QList<int>({ 1, 2, 3 }));
}

TEST(ExportForms, ADoubleQuoteInACsvValueIsDoubledAndLineBreaksStay)
{
    const QByteArray csv
        = bytesOf(writeCsv, { QStringLiteral("a\"b") },
                  { { QStringLiteral("say \"hi\"; now") }, { QStringLiteral("two\r\nlines") } });
    EXPECT_EQ(csv,
              QByteArray("\"a\"\"b\";\r\n\"say \"\"hi\"\"  now\";\r\n\"two\r\nlines\";\r\n\r\n"));
}

TEST(ExportForms, ACsvNameThatWouldShiftTheColumnsIsQuotedAsAValueIs)
{
    // Unquoted, "a;b" made two columns of the header and every value moved one to the left.
    const QByteArray csv = bytesOf(
        writeCsv,
        { QStringLiteral("id"), QStringLiteral("a;b"), QStringLiteral("two\nlines"),
          QStringLiteral("IFNULL(c,0)") },
        { { QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4") } });
    EXPECT_EQ(csv,
              QByteArray("id;\"a b\";\"two\nlines\";IFNULL(c,0);\r\n"
                         "\"1\";\"2\";\"3\";\"4\";\r\n\r\n"));
}

TEST(ExportForms, AMySqlInListDoublesBackslashesAndTheOtherKeepsThem)
{
    const Rows paths { { QStringLiteral("c:\\temp\\"), QString() },
                       { QStringLiteral("O'Brien\\x"), QString() } };
    EXPECT_EQ(bytesOf(inList, kNames, paths),
              QByteArray("LINE EXPORT\r\n('c:\\temp\\',\r\n'O''Brien\\x')\r\n"));
    EXPECT_EQ(bytesOf(mySqlInList, kNames, paths),
              QByteArray("LINE EXPORT\r\n('c:\\\\temp\\\\',\r\n'O''Brien\\\\x')\r\n"));
}

TEST(ExportForms, XmlIsReadableWhateverTheNamesAndValuesHold)
{
    EXPECT_EQ(xmlElementName(QStringLiteral("Jednotková cena")), QStringLiteral("Jednotková_cena"));
    EXPECT_EQ(xmlElementName(QStringLiteral("2024")), QStringLiteral("_2024"));
    EXPECT_EQ(xmlElementName(QStringLiteral("a:b<c>")), QStringLiteral("a_b_c_"));
    EXPECT_EQ(xmlElementName(QStringLiteral("-x")), QStringLiteral("_-x"));
    EXPECT_EQ(xmlElementName(QString()), QStringLiteral("_"));
    EXPECT_EQ(xmlElementName(QStringLiteral("název_1.x")), QStringLiteral("název_1.x"));
    // A name cannot carry a reference, so what the code page lacks becomes "_" as well.
    EXPECT_EQ(xmlElementName(QStringLiteral("漢字")), QStringLiteral("__"));

    const QStringList names { QStringLiteral("Jednotková cena"), QStringLiteral("2024"),
                              QStringLiteral("a:b") };
    const Rows rows { { QStringLiteral("<&> \"'"), QStringLiteral("€ ł ř 漢 \U0001F600"),
                        QStringLiteral("cr\rlf\ntab\t") },
                      { QStringLiteral("x&amp;y"), QStringLiteral("]]>"), QString() } };
    TextOutput out;
    writeXml(names, rowsOf(rows), out);
    // Nothing had to be replaced on the way into the code page.
    EXPECT_EQ(ansiMissingCount(out.text), 0);
    const auto items = parsedItems(toAnsi(out.text));
    ASSERT_EQ(items.size(), 2);
    for (int row = 0; row < 2; ++row) {
        ASSERT_EQ(items[row].size(), 3);
        for (int field = 0; field < 3; ++field) {
            EXPECT_EQ(items[row][field].first, xmlElementName(names[field]));
            EXPECT_EQ(items[row][field].second, rows[row][field]) << row << "/" << field;
        }
    }

    // Control characters have no place in XML, not even as references.
    TextOutput controls;
    writeXml({ QStringLiteral("x") },
             rowsOf({ { QStringLiteral("a\x01"
                                       "b\x0B\uFFFF") } }),
             controls);
    ASSERT_EQ(parsedItems(toAnsi(controls.text)).size(), 1);
    EXPECT_EQ(parsedItems(toAnsi(controls.text))[0][0].second,
              QStringLiteral("a\uFFFDb\uFFFD\uFFFD"));
}

namespace {

// Whether python reads the bytes strictly as windows-1250 (and, for XML, parses them):
// an independent reader, which refuses the five bytes the code page leaves undefined.
bool pythonReads(const QByteArray &bytes, bool asXml)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("export")));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    const QString script = asXml
        ? QStringLiteral("import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])")
        : QStringLiteral(
            "import sys; open(sys.argv[1], encoding='cp1250', errors='strict').read()");
    QProcess python;
    python.start(QStringLiteral("python3"), { QStringLiteral("-c"), script, file.fileName() });
    return python.waitForFinished(30000) && python.exitStatus() == QProcess::NormalExit
        && python.exitCode() == 0;
}

} // namespace

TEST(ExportForms, CharactersTheCodePageLeavesUndefinedNeverReachAFileAsBytes)
{
    // Read as windows-1250 through the toolkit, bytes 0x81, 0x83, 0x88, 0x90 and 0x98 come
    // back as these characters, so they were taken for characters of the code page.
    for (const char16_t undefined : { u'\u0081', u'\u0083', u'\u0088', u'\u0090', u'\u0098' }) {
        const QString value = QStringLiteral("a") + QChar(undefined) + QStringLiteral("ř");
        SCOPED_TRACE(int(undefined));
        EXPECT_FALSE(ansiHolds(undefined));
        EXPECT_EQ(ansiMissingCount(value), 1);
        EXPECT_EQ(toAnsi(value), QByteArray("a?\xF8"));

        const Rows rows { { value, value } };
        const QByteArray xml = bytesOf(writeXml, kNames, rows);
        EXPECT_TRUE(pythonReads(xml, true)) << xml.toStdString();
        EXPECT_EQ(parsedItems(xml).value(0).value(1).second, value);
        EXPECT_TRUE(pythonReads(bytesOf(writeCsv, kNames, rows), false));
        EXPECT_TRUE(pythonReads(bytesOf(inList, kNames, rows), false));
    }
}
