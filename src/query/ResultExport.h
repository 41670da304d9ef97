#pragma once

#include <QString>

class QCheckBox;

namespace vrl {

class DBGrid;
class Dataset;
class WorkAreaHost;

// The export commands of the query area: the rows of the query result, as the grid shows
// them (filtered and sorted), written to a file chosen in the data module's save dialog as a
// CSV file, an SQL IN list or an XML file, or, when the CSV export's dialog is left on the
// workbook type, as a workbook of one sheet; with the gauge following and the grid detached
// while the file is written.
class ResultExport
{
public:
    enum class Form { Csv, InList, Xml, Workbook };
    // The place of the workbook type in the save dialog's list of types.
    static constexpr int kWorkbookType = 5;
    struct Outcome
    {
        int records = 0; // the records of the result
        qsizetype replaced = 0; // characters written as "?"
        qsizetype shortened = 0; // texts cut to the most a workbook's cell holds
    };

    ResultExport(WorkAreaHost &host, Dataset &query, DBGrid &grid, QCheckBox &inList);

    void qExpBtnClick(); // CSV, or the IN list while the check box is checked
    void qXMLBtnClick();

    // Writes the result to a file in one form and leaves the cursor on the first record.
    // Throws what the file or the dataset throws; the file keeps what was written, the grid
    // is attached again and the gauge is at 0 either way.
    Outcome writeFile(Form form, const QString &path);

private:
    // A guard that attaches the grid again and sets the gauge to 0 when it goes.
    auto restoreGridAndGauge();
    // Sets the save dialog up for one export and shows it; false when it was cancelled.
    bool chooseFile(int filterIndex, const QString &title, const QString &nameSuffix);
    // The workbook chosen in the CSV export's dialog, written and reported.
    void exportWorkbook(const QString &path);
    void writeWorkbook(const QString &path, Outcome &outcome);

    WorkAreaHost &m_host;
    Dataset &m_query;
    DBGrid &m_grid;
    QCheckBox &m_inList;
};

} // namespace vrl
