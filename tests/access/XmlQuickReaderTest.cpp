// The quick reader of a sheet's rows must give the handlers exactly what expat gives them, and
// must never take a document expat refuses: a fault it let through would be read as cells.
#include "access/workbook/XmlQuickReader.h"
#include "support/XmlEventRecorder.h"

#include <gtest/gtest.h>

#include <string>

using namespace vrl::workbook;

namespace {

using Events = vrl::test::XmlEventRecorder;

std::string byExpat(const std::string &document, bool &wellFormed)
{
    Events events;
    wellFormed = parseXmlPieces({ document }, true, events.handlers());
    return events.lines;
}

std::string sheet(const std::string &rows, const std::string &head = "",
                  const std::string &tail = "")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
           "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
        + head + "<sheetData>" + rows + "</sheetData>" + tail + "</worksheet>";
}

} // namespace

TEST(XmlQuickReader, GivesWhatExpatGivesForWhatSpreadsheetProgramsWrite)
{
    const std::string documents[] = {
        sheet("<row r=\"1\" spans=\"1:4\"><c r=\"A1\" s=\"1\" t=\"s\"><v>0</v></c>"
              "<c r=\"B1\" t=\"inlineStr\"><is><t>řádek &lt;1&gt; &amp; &quot;2&quot; "
              "&apos;</t></is></c>"
              "<c r=\"C1\"><f>SUM(A1:B1)</f><v>3.5</v></c><c r=\"D1\" s=\"2\"/></row>\n"
              "<row r=\"2\"/>\t<row r=\"3\"><c r=\"A3\" t=\"str\"><v>a&#13;b&#x10FFFF;&#382;😀"
              " ] ]] &gt; > [x]</v></c></row>",
              "<dimension ref=\"A1:D3\"/><cols><col min=\"1\" max=\"2\" width=\"9\"/></cols>",
              "<mergeCells count=\"1\"><mergeCell ref=\"A1:B1\"/></mergeCells>"),
        // A prefix on every element, single quotes, blanks around "=" and before ">".
        "\xEF\xBB\xBF<?xml version='1.0' encoding='utf-8'?><x:worksheet "
        "xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><x:sheetData >"
        "<x:row r = '1' ><x:c r='A1' t='s' ><x:v >7</x:v "
        "></x:c></x:row></x:sheetData></x:worksheet>",
        // Rich text of an inline string, with its phonetic runs.
        sheet("<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><r><rPr><b/><sz val=\"11\"/></rPr>"
              "<t xml:space=\"preserve\"> tučně </t></r><rPh sb=\"0\" eb=\"1\"><t>ふ</t></rPh>"
              "</is></c></row>"),
        sheet(""),
    };
    for (const std::string &document : documents) {
        SCOPED_TRACE(document);
        bool wellFormed = false;
        const std::string expected = byExpat(document, wellFormed);
        ASSERT_TRUE(wellFormed);
        Events quick;
        EXPECT_TRUE(readXmlQuickly(document, "sheetData", quick.handlers()));
        EXPECT_EQ(quick.lines, expected);
    }
}

// The shared strings are read the same way: their root names counts and namespaces, and a
// quoted value may hold a ">".
TEST(XmlQuickReader, ReadsTheContentOfAnElementWithAttributes)
{
    const std::string strings
        = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<sst "
          "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"3\" "
          "uniqueCount='2' id=\"a>b\"><si><t>nula</t></si><si><r><rPr><b/></rPr><t "
          "xml:space=\"preserve\"> dvě </t></r></si></sst>";
    bool wellFormed = false;
    const std::string expected = byExpat(strings, wellFormed);
    ASSERT_TRUE(wellFormed);
    Events quick;
    EXPECT_TRUE(readXmlQuickly(strings, "sst", quick.handlers()));
    EXPECT_EQ(quick.lines, expected);

    // No strings at all: nothing to read quickly.
    const std::string none = "<sst count=\"0\" id=\"/\"/>";
    byExpat(none, wellFormed);
    ASSERT_TRUE(wellFormed);
    EXPECT_FALSE(readXmlQuickly(none, "sst", quick.handlers()));
}

TEST(XmlQuickReader, LeavesToExpatWhatItDoesNotKnowAndNeverTakesAFault)
{
    struct Case
    {
        const char *what;
        std::string document;
    };
    // Well-formed, but beyond what the quick reader knows: expat reads them.
    const Case unknown[] = {
        { "a CR in text", sheet("<row r=\"1\">\r\n</row>") },
        { "a reference in a value", sheet("<row r=\"1\" id=\"a&amp;b\"/>") },
        { "blanks in a value", sheet("<row r=\"1\" id=\"a\tb\"/>") },
        { "a value beyond ASCII", sheet("<row r=\"1\" id=\"č\"/>") },
        { "a comment", sheet("<row r=\"1\"><!-- <c> --></row>") },
        { "a section", sheet("<row r=\"1\"><c><v><![CDATA[<1>]]></v></c></row>") },
        { "an instruction", sheet("<row r=\"1\"><?pi x?></row>") },
        { "a comment before the rows", sheet("<row/>", "<!-- <sheetData> -->") },
        { "another encoding",
          "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><worksheet>"
          "<sheetData><row><c><v>\xE9</v></c></row></sheetData></worksheet>" },
        { "no rows at all",
          sheet("").replace(sheet("").find("<sheetData></sheetData>"), 23, "<sheetData/>") },
        { "a name beyond ASCII", sheet("<row r=\"1\"><č/></row>") },
    };
    for (const Case &known : unknown) {
        SCOPED_TRACE(known.what);
        bool wellFormed = false;
        byExpat(known.document, wellFormed);
        ASSERT_TRUE(wellFormed);
        Events quick;
        EXPECT_FALSE(readXmlQuickly(known.document, "sheetData", quick.handlers()));
    }
    // No well-formed XML: expat names the fault; the quick reader must not take them.
    const Case faults[] = {
        { "a mismatched end", sheet("<row r=\"1\"><c><v>1</v></x></row>") },
        { "an end with nothing open", sheet("<row r=\"1\"></row></c>") },
        { "an attribute twice", sheet("<row r=\"1\" r=\"2\"/>") },
        { "attributes without a blank", sheet("<row r=\"1\"s=\"2\"/>") },
        { "an attribute without a value", sheet("<row r/>") },
        { "an unquoted value", sheet("<row r=1/>") },
        { "a < in a value", sheet("<row r=\"<\"/>") },
        { "an unknown entity", sheet("<row><c><v>&nbsp;</v></c></row>") },
        { "an unended reference", sheet("<row><c><v>&amp</v></c></row>") },
        { "a reference to no character", sheet("<row><c><v>&#0;&#xD800;</v></c></row>") },
        { "a reference beyond Unicode", sheet("<row><c><v>&#x110000;</v></c></row>") },
        { "a control character", sheet("<row><c><v>\x01</v></c></row>") },
        { "a byte of no UTF-8", sheet("<row><c><v>\xFF</v></c></row>") },
        { "an overlong form", sheet("<row><c><v>\xC0\x80</v></c></row>") },
        { "a surrogate", sheet("<row><c><v>\xED\xA0\x80</v></c></row>") },
        { "U+FFFE", sheet("<row><c><v>\xEF\xBF\xBE</v></c></row>") },
        { "a cut sequence", sheet("<row><c><v>\xC5</v></c></row>") },
        { "]]> in text", sheet("<row><c><v>a]]>b</v></c></row>") },
        { "a name starting with a digit", sheet("<row><1c/></row>") },
        { "an unclosed tag", sheet("<row><c") },
        { "rows never ended", sheet("<row><c><v>1</v></c>").substr(0, 200) },
        { "a broken tail", sheet("<row/>", "", "<mergeCells>") },
        { "a broken head", sheet("<row/>", "<cols><col></cols>") },
        { "a broken start tag",
          "<worksheet><sheetData a=\"1\" a=\"2\"><row/></sheetData></worksheet>" },
    };
    for (const Case &fault : faults) {
        SCOPED_TRACE(fault.what);
        bool wellFormed = true;
        byExpat(fault.document, wellFormed);
        ASSERT_FALSE(wellFormed);
        Events quick;
        EXPECT_FALSE(readXmlQuickly(fault.document, "sheetData", quick.handlers()));
    }
}
