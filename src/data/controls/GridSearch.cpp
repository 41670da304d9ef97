#include "data/controls/GridSearch.h"

#include "basic/GaugeSteps.h"
#include "basic/Prompts.h"
#include "basic/QueryRunners.h"
#include "data/access/Dataset.h"
#include "data/controls/DBGrid.h"
#include "regional/Regional.h"
#include "widgets/StatusBar.h"

#include <QProgressBar>

namespace vrl {

namespace {

// Whether a field of the record at a view position holds the text.
bool fieldHolds(const Dataset &dataset, int viewRow, int field, const QString &text)
{
    QString scratch;
    return dataset.textAt(viewRow, field, scratch).contains(text, Qt::CaseInsensitive);
}

// The texts of the two grids' searches: the table grid names the text at a hit; the query
// grid shows how far it has come after each record instead.
enum class Forms { Table, Query };

void searchGrid(const QString &text, Dataset &dataset, QWidget &grid, StatusBar &status, int panel,
                QProgressBar &gauge, bool driveGauge, Forms forms)
{
    const QString wanted = Regional::system().upperCase(text);
    if (!dataset.isActive() || dataset.isEmpty() || wanted.isEmpty()) {
        prompts().show(PromptKind::Message, QStringLiteral("hledání nelze spustit..."));
        return;
    }
    dataset.first();
    if (driveGauge)
        gauge.setValue(0);
    // The grid catches up at each hit only: between records nothing is drawn anyway.
    auto *dataGrid = qobject_cast<DBGrid *>(&grid);
    const auto attach = [dataGrid] {
        if (dataGrid && !dataGrid->isAttached())
            dataGrid->attach();
    };
    if (dataGrid)
        dataGrid->detach();

    const int count = dataset.recordCount();
    const int fields = dataset.fieldCount();
    int shownPercent = -1;
    bool stopped = false;
    for (int row = 0; row < count && !stopped; ++row) {
        if (driveGauge) {
            const int percent = gaugePercent(row + 1, count);
            if (percent != shownPercent)
                gauge.setValue(shownPercent = percent);
        }
        for (int field = 0; field < fields; ++field) {
            if (!fieldHolds(dataset, row, field, wanted))
                continue;
            dataset.moveTo(row + 1);
            attach();
            const QString hit
                = QStringLiteral(" záznam %1, položka ").arg(row + 1) + dataset.field(field).name();
            status.setPanelText(panel,
                                forms == Forms::Table
                                    ? QLatin1Char(' ') + quotedText(wanted) + QLatin1Char(':') + hit
                                    : hit);
            if (!prompts().confirm(QStringLiteral("výraz ") + quotedText(wanted)
                                   + QStringLiteral(" nalezen; pokračovat?"))) {
                grid.setFocus();
                stopped = true;
            } else if (dataGrid) {
                dataGrid->detach();
            }
            break;
        }
    }
    if (!stopped) {
        dataset.last(); // the walk ends at the end of the data
        // Nothing is drawn between records, so the progress after the last one is all the
        // user can see of it.
        if (forms == Forms::Query)
            status.setPanelText(panel, QStringLiteral(" %1. z %2").arg(count).arg(count));
    }
    attach();
    if (driveGauge)
        gauge.setValue(0);
    if (!stopped)
        prompts().show(PromptKind::Message,
                       QStringLiteral("výraz ") + quotedText(wanted)
                           + QStringLiteral(" nebyl nalezen"));
}

} // namespace

void SearchTableGrid(const QString &text, Dataset &dataset, QWidget &grid, StatusBar &status,
                     int panel, QProgressBar &gauge, bool driveGauge)
{
    searchGrid(text, dataset, grid, status, panel, gauge, driveGauge, Forms::Table);
}

void SearchQueryGrid(const QString &text, Dataset &dataset, QWidget &grid, StatusBar &status,
                     QProgressBar &gauge, bool driveGauge)
{
    searchGrid(text, dataset, grid, status, 0, gauge, driveGauge, Forms::Query);
}

} // namespace vrl
