#include "GeneratedWorkbook.h"

#include <QFile>

#include <zip.h>

#include <stdexcept>

namespace vrl::test {

namespace {

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

void add(zip_t *archive, const QString &name, const QString &xml)
{
    const QByteArray bytes = xml.toUtf8();
    char *copy = static_cast<char *>(malloc(size_t(bytes.size())));
    memcpy(copy, bytes.constData(), size_t(bytes.size()));
    zip_source_t *source = zip_source_buffer(archive, copy, zip_uint64_t(bytes.size()), 1);
    if (!source || zip_file_add(archive, name.toUtf8().constData(), source, ZIP_FL_OVERWRITE) < 0)
        throw std::runtime_error("cannot add a part to the test workbook");
}

} // namespace

void GeneratedWorkbook::addSheet(const QString &name, const QString &rowsXml)
{
    m_sheets.push_back({ name, rowsXml });
}

void GeneratedWorkbook::addSheetSharing(const QString &name, int sheet)
{
    m_sharing.push_back({ name, sheet });
}

void GeneratedWorkbook::addName(const QString &name, const QString &formula, int localSheet)
{
    m_names << QStringLiteral("<definedName name=\"%1\"%2>%3</definedName>")
                   .arg(escaped(name),
                        localSheet >= 0 ? QStringLiteral(" localSheetId=\"%1\"").arg(localSheet)
                                        : QString(),
                        escaped(formula));
}

void GeneratedWorkbook::save(const QString &path) const
{
    QFile::remove(path);
    int error = 0;
    zip_t *archive
        = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        throw std::runtime_error("cannot create the test workbook");
    const QString main
        = QStringLiteral("http://schemas.openxmlformats.org/spreadsheetml/2006/main");
    const QString rel
        = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships");
    QString types = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><Types "
        "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" "
        "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" "
        "ContentType=\"application/"
        "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
        "<Override PartName=\"/xl/styles.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
        "<Override PartName=\"/xl/sharedStrings.xml\" "
        "ContentType=\"application/"
        "vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>");
    QString sheets, relations;
    for (size_t i = 0; i < m_sheets.size(); ++i) {
        const int n = int(i) + 1;
        types += QStringLiteral("<Override PartName=\"/xl/worksheets/sheet%1.xml\" "
                                "ContentType=\"application/"
                                "vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>")
                     .arg(n);
        sheets += QStringLiteral("<sheet name=\"%1\" sheetId=\"%2\" r:id=\"rId%2\"/>")
                      .arg(escaped(m_sheets[i].first))
                      .arg(n);
        relations += QStringLiteral("<Relationship Id=\"rId%1\" Type=\"%2/worksheet\" "
                                    "Target=\"worksheets/sheet%1.xml\"/>")
                         .arg(n)
                         .arg(rel);
        add(archive, QStringLiteral("xl/worksheets/sheet%1.xml").arg(n),
            m_prefix.isEmpty()
                ? QStringLiteral(
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet "
                      "xmlns=\"%1\" xmlns:r=\"%2\"><sheetData>%3</sheetData></worksheet>")
                      .arg(main, rel, m_sheets[i].second)
                : QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><%4:worksheet "
                                 "xmlns:%4=\"%1\" xmlns:r=\"%2\"><%4:sheetData>%3</%4:sheetData>"
                                 "</%4:worksheet>")
                      .arg(main, rel, m_sheets[i].second, m_prefix));
    }
    for (size_t i = 0; i < m_sharing.size(); ++i)
        sheets += QStringLiteral("<sheet name=\"%1\" sheetId=\"%2\" r:id=\"rId%3\"/>")
                      .arg(escaped(m_sharing[i].first))
                      .arg(int(m_sheets.size() + i) + 1)
                      .arg(m_sharing[i].second + 1);
    types += QStringLiteral("</Types>");
    relations
        += QStringLiteral("<Relationship Id=\"rIdS\" Type=\"%1/styles\" Target=\"styles.xml\"/>"
                          "<Relationship Id=\"rIdT\" Type=\"%1/sharedStrings\" "
                          "Target=\"sharedStrings.xml\"/>")
               .arg(rel);
    add(archive, QStringLiteral("[Content_Types].xml"), types);
    add(archive, QStringLiteral("_rels/.rels"),
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
                       "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                       "<Relationship Id=\"rId1\" Type=\"%1/officeDocument\" "
                       "Target=\"xl/workbook.xml\"/></Relationships>")
            .arg(rel));
    add(archive, QStringLiteral("xl/workbook.xml"),
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><workbook xmlns=\"%1\" "
                       "xmlns:r=\"%2\"><workbookPr%3/><sheets>%4</sheets>%5</workbook>")
            .arg(main, rel, m_date1904 ? QStringLiteral(" date1904=\"1\"") : QString(), sheets,
                 m_names.isEmpty() ? QString()
                                   : QStringLiteral("<definedNames>") + m_names.join(QString())
                         + QStringLiteral("</definedNames>")));
    add(archive, QStringLiteral("xl/_rels/workbook.xml.rels"),
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><Relationships "
                       "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                       "%1</Relationships>")
            .arg(relations));
    add(archive, QStringLiteral("xl/styles.xml"),
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><styleSheet xmlns=\"%1\">"
                       "<numFmts count=\"2\"><numFmt numFmtId=\"164\" "
                       "formatCode=\"dd\\.mm\\.yyyy\\ hh:mm\"/><numFmt numFmtId=\"165\" "
                       "formatCode=\"0.00&quot; dnů&quot;\"/></numFmts>"
                       "<cellStyleXfs count=\"1\"><xf numFmtId=\"14\"/></cellStyleXfs>"
                       "<cellXfs count=\"4\"><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/>"
                       "<xf numFmtId=\"164\"/><xf numFmtId=\"165\"/></cellXfs></styleSheet>")
            .arg(main));
    add(archive, QStringLiteral("xl/sharedStrings.xml"),
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><sst xmlns=\"%1\">%2</sst>")
            .arg(main, m_shared.join(QString())));
    if (zip_close(archive) < 0) {
        zip_discard(archive);
        throw std::runtime_error("cannot write the test workbook");
    }
}

} // namespace vrl::test
