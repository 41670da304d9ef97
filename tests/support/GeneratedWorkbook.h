#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace vrl::test {

// Writes a small .xlsx package whose parts a test spells out: each sheet's <sheetData> rows
// as raw XML, the shared strings, defined names. Styles: s="1" is a date (built-in format 14),
// s="2" a custom date-time format, s="3" a custom number format with a quoted "d".
class GeneratedWorkbook
{
public:
    void addSheet(const QString &name, const QString &rowsXml);
    void addSharedString(const QString &xmlOfSi) { m_shared << xmlOfSi; }
    // localSheet -1 for a workbook-level name.
    void addName(const QString &name, const QString &formula, int localSheet = -1);
    void setDate1904(bool on) { m_date1904 = on; }
    void save(const QString &path) const;

private:
    std::vector<std::pair<QString, QString>> m_sheets;
    QStringList m_shared;
    QStringList m_names;
    bool m_date1904 = false;
};

} // namespace vrl::test
