#include "data/controls/GridSearch.h"

#include "access/Dataset.h"
#include "basic/FieldSearch.h"
#include "basic/GaugeSteps.h"
#include "basic/Prompts.h"
#include "basic/QueryRunners.h"
#include "data/controls/DBGrid.h"
#include "regional/Regional.h"
#include "widgets/StatusBar.h"

#include <QLabel>
#include <QProgressBar>

#include <functional>

namespace vrl {

namespace {

// The texts of the three grids' searches: the table grid names the text at a hit; the query
// grid shows how far it has come after each record instead; the import window's source grid
// shows the record and the field's index, and names the field in its question.
enum class Forms { Table, Query, Import };

void searchGrid(const QString &text, Dataset &dataset, QWidget &grid,
                const std::function<void(const QString &)> &show, QProgressBar &gauge,
                bool driveGauge, Forms forms)
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
    const FieldSearch search(dataset, wanted);
    int shownPercent = -1;
    bool stopped = false;
    for (int row = 0; row < count && !stopped; ++row) {
        if (driveGauge) {
            const int percent = gaugePercent(row + 1, count);
            if (percent != shownPercent)
                gauge.setValue(shownPercent = percent);
        }
        const int field = search.firstHit(row);
        if (field < 0)
            continue;
        dataset.moveTo(row + 1);
        attach();
        const QString name = dataset.field(field).name();
        const QString hit = QStringLiteral(" záznam %1, položka ").arg(row + 1) + name;
        switch (forms) {
        case Forms::Table:
            show(QLatin1Char(' ') + quotedText(wanted) + QLatin1Char(':') + hit);
            break;
        case Forms::Query:
            show(hit);
            break;
        case Forms::Import:
            show(QStringLiteral("%1-F%2").arg(row + 1).arg(field));
            break;
        }
        const QString found = forms == Forms::Import
            ? QStringLiteral(" nalezen [") + name + QStringLiteral("]; pokračovat?")
            : QStringLiteral(" nalezen; pokračovat?");
        if (!prompts().confirm(QStringLiteral("výraz ") + quotedText(wanted) + found)) {
            grid.setFocus();
            stopped = true;
        } else if (dataGrid) {
            dataGrid->detach();
        }
    }
    if (!stopped) {
        dataset.last(); // the walk ends at the end of the data
        // Nothing is drawn between records, so the progress after the last one is all the
        // user can see of it.
        if (forms == Forms::Query)
            show(QStringLiteral(" %1. z %2").arg(count).arg(count));
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
    searchGrid(
        text, dataset, grid, [&](const QString &shown) { status.setPanelText(panel, shown); },
        gauge, driveGauge, Forms::Table);
}

void SearchQueryGrid(const QString &text, Dataset &dataset, QWidget &grid, StatusBar &status,
                     QProgressBar &gauge, bool driveGauge)
{
    searchGrid(
        text, dataset, grid, [&](const QString &shown) { status.setPanelText(0, shown); }, gauge,
        driveGauge, Forms::Query);
}

void SearchImportGrid(const QString &text, Dataset &dataset, QWidget &grid, QLabel &position,
                      QProgressBar &gauge)
{
    searchGrid(
        text, dataset, grid, [&](const QString &shown) { position.setText(shown); }, gauge, true,
        Forms::Import);
}

} // namespace vrl
