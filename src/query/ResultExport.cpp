#include "query/ResultExport.h"

#include "access/Connection.h"
#include "access/Dataset.h"
#include "access/workbook/XlsxWriter.h"
#include "areas/WorkAreaHost.h"
#include "basic/AnsiText.h"
#include "basic/DateStamp.h"
#include "basic/GaugeSteps.h"
#include "basic/HandlerGuard.h"
#include "basic/Prompts.h"
#include "data/VRLDM.h"
#include "data/controls/DBGrid.h"
#include "query/ExportForms.h"

#include <QCheckBox>
#include <QProgressBar>
#include <QScopeGuard>

namespace vrl {

namespace {

// More rows than a worksheet of the spreadsheet program holds.
constexpr int kMostWorksheetRows = 65535;

// The text into the file, the gauge after each record.
class FileOutput : public ExportOutput
{
public:
    FileOutput(AnsiTextWriter &file, QProgressBar &gauge)
        : m_file(file)
        , m_gauge(gauge)
    { }

    void write(QStringView text) override { m_file.write(text); }
    void recordWritten(int done, int count) override
    {
        const int percent = gaugePercent(done, count);
        if (percent != m_gauge.value())
            m_gauge.setValue(percent);
    }

private:
    AnsiTextWriter &m_file;
    QProgressBar &m_gauge;
};

// The table every field of the result comes from, or the empty text.
QString tableOfResult(const Dataset &result)
{
    QString table;
    for (const FieldInfo &field : result.rows().fields()) {
        if (field.baseTable.isEmpty() || (!table.isEmpty() && field.baseTable != table))
            return QString();
        table = field.baseTable;
    }
    return table;
}

} // namespace

ResultExport::ResultExport(WorkAreaHost &host, Dataset &query, DBGrid &grid, QCheckBox &inList)
    : m_host(host)
    , m_query(query)
    , m_grid(grid)
    , m_inList(inList)
{ }

bool ResultExport::chooseFile(int filterIndex, const QString &title, const QString &nameSuffix)
{
    FileDialog &dialog = m_host.dataModule().vrlSDlg;
    dialog.filterIndex = filterIndex;
    dialog.title = title;
    dialog.fileName = dateStamp() + nameSuffix;
    return m_host.prompts().runFileDialog(dialog);
}

// Whatever way a writer ends, the grid is attached again and the gauge is back at 0.
auto ResultExport::restoreGridAndGauge()
{
    return qScopeGuard([this] {
        m_host.gauge().setValue(0);
        m_grid.attach();
    });
}

ResultExport::Outcome ResultExport::writeFile(Form form, const QString &path)
{
    // A pending edit of the grid is posted before anything is written (the move to the first
    // record posts it): a refused one ends the export here, and no file is created.
    m_query.first();
    QProgressBar &gauge = m_host.gauge();
    gauge.setValue(0);
    if (form == Form::Workbook) {
        Outcome outcome;
        writeWorkbook(path, outcome);
        return outcome;
    }
    AnsiTextWriter file(path, AnsiTextWriter::Mode::Replace);
    m_grid.detach();
    const auto restore = restoreGridAndGauge();
    Outcome outcome;
    {
        const QStringList names = m_query.fieldNames();
        const ExportRows rows { m_query.recordCount(),
                                [this](int row, int field, QString &scratch) {
                                    return m_query.textAt(row, field, scratch);
                                } };
        FileOutput out(file, gauge);
        outcome.records = rows.count;
        switch (form) {
        case Form::Csv:
            writeCsv(names, rows, out);
            break;
        case Form::InList:
            writeInList(names, rows, out,
                        m_query.connection()
                            && m_query.connection()->sqlDialect() == SqlDialect::MySql);
            break;
        case Form::Xml:
            outcome.records = writeXml(names, rows, out);
            break;
        case Form::Workbook:
            break;
        }
        m_query.first();
        file.close();
        outcome.replaced = file.replacedCount();
    }
    return outcome;
}

void ResultExport::writeWorkbook(const QString &path, Outcome &outcome)
{
    // The walk is the view's order; the writer reads the rows where they lie.
    workbook::SheetExport sheet;
    const QString table = tableOfResult(m_query);
    sheet.sheetName = workbook::validSheetName(table, QStringLiteral("výsledek"));
    sheet.rows = &m_query.rows();
    const int count = m_query.recordCount();
    sheet.order.reserve(size_t(count));
    for (int row = 0; row < count; ++row)
        sheet.order.push_back(quint32(m_query.storeRow(row)));
    QProgressBar &gauge = m_host.gauge();
    sheet.progress = [&gauge](int done, int all) {
        const int percent = gaugePercent(done, all);
        if (percent != gauge.value())
            gauge.setValue(percent);
    };
    m_grid.detach();
    const auto restore = restoreGridAndGauge();
    outcome.shortened = workbook::writeSheetWorkbook(path, sheet).shortened;
    outcome.records = count;
    m_query.first();
}

void ResultExport::exportWorkbook(const QString &path)
{
    Prompts &prompts = m_host.prompts();
    try {
        const Outcome outcome = writeFile(Form::Workbook, path);
        prompts.show(PromptKind::Message,
                     QStringLiteral("Sešit MS Excel uložen [%1 záznamů]").arg(outcome.records));
        if (outcome.shortened > 0)
            prompts.show(PromptKind::Message,
                         QStringLiteral("POZOR: %1 textů bylo delších než %2 znaků, které pojme "
                                        "buňka sešitu;\r\nv sešitu jsou zkráceny.")
                             .arg(outcome.shortened)
                             .arg(workbook::kMostCellCharacters));
    } catch (const std::exception &failure) {
        prompts.show(PromptKind::Message,
                     QStringLiteral("Export do sešitu MS Excel neúspěšný\r\n[")
                         + failureMessage(failure) + QLatin1Char(']'));
    }
}

void ResultExport::qExpBtnClick()
{
    const Form form = m_inList.isChecked() ? Form::InList : Form::Csv;
    Outcome outcome;
    if (chooseFile(1, QStringLiteral("CSV export dat"), QStringLiteral("_CSV"))) {
        // The workbook type writes a workbook, whatever the check box says: the type is the
        // later and more particular choice.
        if (m_host.dataModule().vrlSDlg.filterIndex == kWorkbookType) {
            exportWorkbook(m_host.dataModule().vrlSDlg.fileName);
            return;
        }
        try {
            m_query.first(); // posts a pending edit, as writing would
        } catch (const std::exception &failure) {
            // The edit is not lost and nothing is written; the user learns why.
            m_host.prompts().show(PromptKind::Message, failureMessage(failure));
            m_host.prompts().show(PromptKind::Message, QStringLiteral("CSV export neúspěšný"));
            return;
        }
        try {
            outcome = writeFile(form, m_host.dataModule().vrlSDlg.fileName);
        } catch (const std::exception &) {
            outcome = Outcome();
        }
    }
    Prompts &prompts = m_host.prompts();
    if (outcome.records < 1) {
        prompts.show(PromptKind::Message, QStringLiteral("CSV export neúspěšný"));
        return;
    }
    prompts.show(PromptKind::Message,
                 QStringLiteral("CSV export OK [%1 záznamů]").arg(outcome.records));
    if (outcome.records > kMostWorksheetRows)
        prompts.show(PromptKind::Message,
                     QStringLiteral("POZOR: tento soubor je příliš rozsáhlý,\r\nnebude jej možno "
                                    "otevřít v aplikaci MS Excel."));
    if (outcome.replaced > 0)
        prompts.show(PromptKind::Message,
                     ansiReplacedWarning(outcome.replaced)
                         + QStringLiteral("\r\nExport XML je zachová."));
}

void ResultExport::qXMLBtnClick()
{
    Prompts &prompts = m_host.prompts();
    if (!chooseFile(3, QStringLiteral("XML export dat"), QStringLiteral("_XML"))) {
        prompts.show(PromptKind::Message, QStringLiteral("XML export přerušen uživatelem..."));
        return;
    }
    try {
        const Outcome outcome = writeFile(Form::Xml, m_host.dataModule().vrlSDlg.fileName);
        prompts.show(PromptKind::Message,
                     QStringLiteral("XML export OK [%1 rec(s)]").arg(outcome.records));
    } catch (const std::exception &failure) {
        prompts.show(PromptKind::Message,
                     QStringLiteral("XML export error\n\r[") + failureMessage(failure)
                         + QLatin1Char(']'));
    }
}

} // namespace vrl
