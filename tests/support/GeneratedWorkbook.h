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
    // A <sheet> entry of its own name whose r:id is that of an earlier sheet (from 0), as in
    // a crafted file.
    void addSheetSharing(const QString &name, int sheet);
    void addSharedString(const QString &xmlOfSi) { m_shared << xmlOfSi; }
    // localSheet -1 for a workbook-level name.
    void addName(const QString &name, const QString &formula, int localSheet = -1);
    void setDate1904(bool on) { m_date1904 = on; }
    // The sheets' own elements written with this namespace prefix, as some programs write them
    // (the rows given to addSheet spell theirs out).
    void setWorksheetPrefix(const QString &prefix) { m_prefix = prefix; }
    void save(const QString &path) const;

private:
    std::vector<std::pair<QString, QString>> m_sheets;
    std::vector<std::pair<QString, int>> m_sharing;
    QStringList m_shared;
    QStringList m_names;
    bool m_date1904 = false;
    QString m_prefix;
};

} // namespace vrl::test
