#include "query/QueryArea.h"

#include "areas/WorkAreaHost.h"
#include "basic/ControlColours.h"
#include "data/VRLDM.h"
#include "data/controls/DBGrid.h"
#include "data/controls/DBNavigator.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>

namespace vrl {

namespace {

// Where the area starts below the table area, and how much of its height the grid leaves to
// the tools around it.
constexpr int kAreaTop = 260;
constexpr int kGridHeightMargin = 330;
// The heights while the area is hidden.
constexpr int kHiddenAreaHeight = 181;
constexpr int kHiddenGridHeight = 111;
constexpr int kGridWidthMargin = 18;

} // namespace

QueryArea::QueryArea(WorkAreaHost &host, const QueryAreaControls &controls, Dataset &vrxQuery,
                     QObject *parent)
    : QObject(parent)
    , m_host(host)
    , ui(controls)
    , m_vrxQuery(vrxQuery)
{ }

void QueryArea::bindDataModule()
{
    TDM &dm = m_host.dataModule();
    dm.adopt(m_vrxQuery, dm.vrlConnect);
    ui.qGrid->setDataset(&m_vrxQuery);
    ui.qNvg->setDataset(&m_vrxQuery);
}

bool QueryArea::isShown() const
{
    return !ui.queryGB->isHidden();
}

void QueryArea::setShown(bool shown)
{
    ui.queryGB->setVisible(shown);
}

void QueryArea::fitClientSize(int width, int height)
{
    QGroupBox &area = *ui.queryGB;
    DBGrid &grid = *ui.qGrid;
    if (area.isHidden()) {
        area.resize(width, kHiddenAreaHeight);
        grid.resize(width - kGridWidthMargin, kHiddenGridHeight);
    } else {
        area.resize(width, height - kAreaTop);
        grid.resize(width - kGridWidthMargin, height - kGridHeightMargin);
    }
}

void QueryArea::firstActivation()
{
    ui.queryGB->hide();
    ui.presetCoB->clear();
    setInputUsable(*ui.presetCoB, false);
    ui.presetCoB->show();
}

void QueryArea::databaseKindChosen()
{
    m_vrxQuery.close();
    ui.queryGB->hide();
    ui.qMemo->clear();
    setInputUsable(*ui.presetCoB, false);
}

void QueryArea::connecting()
{
    setInputUsable(*ui.presetCoB, false);
}

void QueryArea::connectionChanged()
{
    for (QPushButton *button : { ui.qtSelectBtn, ui.qtUpdateBtn, ui.qtInsertBtn, ui.qtDeleteBtn,
                                 ui.qGoBtn, ui.saveHistBtn })
        button->setEnabled(false);
}

void QueryArea::closing()
{
    m_vrxQuery.close();
    ui.presetCoB->clear();
    ui.qMemo->clear();
}

void QueryArea::tableChoiceStarted()
{
    ui.qGoBtn->setEnabled(false);
    ui.saveHistBtn->setEnabled(false);
}

void QueryArea::tableChosen(bool open)
{
    for (QPushButton *button : { ui.qtSelectBtn, ui.qtUpdateBtn, ui.qtInsertBtn, ui.qtDeleteBtn })
        button->setEnabled(open);
}

void QueryArea::fieldsChecked(bool any)
{
    ui.qtInsertBtn->setEnabled(any);
}

} // namespace vrl
