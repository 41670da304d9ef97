// The table area as a whole: its controls' handlers, its binding to the data module, and what
// it does when the connect flow opens, refreshes or leaves a connection.
#include "table/TableArea.h"

#include "areas/WorkAreaHost.h"
#include "basic/HandlerGuard.h"
#include "data/VRLDM.h"
#include "data/controls/DBGrid.h"
#include "data/controls/DBNavigator.h"
#include "widgets/EventHooks.h"
#include "widgets/StatusBar.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace vrl {

namespace {

constexpr int kMostDropDownRows = 42;

// The area and its grid keep these distances to the right edge of the client area.
constexpr int kAreaWidthMargin = 119;
constexpr int kGridWidthMargin = 574;

} // namespace

TableArea::TableArea(WorkAreaHost &host, const TableAreaControls &controls, QObject *parent)
    : QObject(parent)
    , m_host(host)
    , ui(controls)
{
    connectHandlers();
}

void TableArea::connectHandlers()
{
    connect(ui.TblSelCoB, &QComboBox::activated, this, guarded([this] { TblSelCoBSelect(); }));
    connect(ui.recTblBtn, &QPushButton::clicked, this, guarded([this] { recTblBtnClick(); }));
    connect(ui.tblChLB, &QListWidget::itemClicked, this, guarded([this] { tblChLBClick(); }));
    connect(ui.tblChLB, &QListWidget::itemDoubleClicked, this,
            guarded([this] { tblChLBDblClick(); }));
    connect(ui.clipBtn, &QPushButton::clicked, this, guarded([this] { clipBtnClick(); }));
    connect(ui.tblGrid, &DBGrid::cellClicked, this,
            guarded([this](int column) { tblGridCellClick(column); }));
    connect(ui.tblGrid, &DBGrid::titleClicked, this,
            guarded([this](int column) { tblGridTitleClick(column); }));
    connect(ui.tblNvg, &DBNavigator::clicked, this, guarded([this] { tblNvgClick(); }));
    connect(ui.tFilterBtn, &QPushButton::clicked, this, guarded([this] { tFilterBtnClick(); }));
    connect(ui.tSearchBtn, &QPushButton::clicked, this, guarded([this] { tSearchBtnClick(); }));
    onDoubleClick(*ui.tFilterE, guarded([this] { tFilterEDblClick(); }));
    onFocusOut(*ui.tFilterE, guarded([this] { tFilterEExit(); }));
    onDoubleClick(*ui.tSearchE, guarded([this] { tSearchEDblClick(); }));
    onFocusOut(*ui.tSearchE, guarded([this] { tSearchEExit(); }));
}

void TableArea::bindDataModule()
{
    ui.tblGrid->setDataset(&table());
    ui.tblNvg->setDataset(&table());
}

Dataset &TableArea::table() const
{
    return m_host.dataModule().vrxTbl;
}

bool TableArea::isShown() const
{
    return !ui.tblGB->isHidden();
}

void TableArea::setShown(bool shown)
{
    ui.tblGB->setVisible(shown);
}

void TableArea::fitWidth(int clientWidth)
{
    ui.tblGB->resize(clientWidth - kAreaWidthMargin, ui.tblGB->height());
    ui.tblGrid->resize(clientWidth - kGridWidthMargin, ui.tblGrid->height());
}

void TableArea::firstActivation()
{
    ui.tblGB->hide();
    ui.TblSelCoB->clear();
    ui.TblSelCoB->hide();
    ui.recTblBtn->hide();
}

void TableArea::databaseKindChosen()
{
    table().close();
    ui.tblGB->hide();
    ui.recTblBtn->setEnabled(false);
    ui.tblChLB->clear();
    ui.TblSelCoB->clear();
    ui.TblSelCoB->hide();
}

void TableArea::connecting()
{
    ui.tblSB->setPanelText(1, QStringLiteral(" NEČINNÝ"));
    ui.tblChLB->clear();
    ui.TblSelCoB->clear();
    ui.TblSelCoB->hide();
    ui.recTblBtn->setEnabled(false);
    ui.recTblBtn->show();
}

void TableArea::connectionChanged(bool workbook)
{
    m_workbook = workbook;
    ui.TblSelCoB->show();
    loadTableChoice();
    m_tableChosen = false;
    resetRemembered();

    QComboBox &choice = *ui.TblSelCoB;
    choice.setCurrentIndex(-1);
    choice.setEditText(QStringLiteral("<vyber tabulku>"));
    ui.tblSB->setPanelText(1, QStringLiteral(" NEČINNÝ [%1]").arg(m_tableNames.size()));
    ui.clipBtn->setEnabled(false);
    ui.recTblBtn->setEnabled(false);
    ui.recTblBtn->show();

    Dataset &dataset = table();
    dataset.setFiltered(false);
    dataset.setFilter(QString());
    ui.tFilterE->clear();
    ui.tFilterE->setEnabled(false);
    ui.tFilterBtn->setEnabled(false);
    ui.tSearchE->clear();
    ui.tSearchBtn->setEnabled(false);
    ui.sSearchBtn->setEnabled(false);
    ui.tblChLB->clear();
    ui.tblGB->show();
}

void TableArea::loadTableChoice()
{
    m_tableNames = m_host.dataModule().vrlConnect.tableNames();
    QComboBox &choice = *ui.TblSelCoB;
    choice.clear();
    for (const QString &name : std::as_const(m_tableNames)) {
        // Worksheets are opened by their bracketed names.
        choice.addItem(m_workbook && name.contains(QLatin1Char('$'))
                           ? QLatin1Char('[') + name + QLatin1Char(']')
                           : name);
    }
    const int count = choice.count();
    choice.setMaxVisibleItems(count >= kMostDropDownRows ? kMostDropDownRows : count + 1);
}

void TableArea::refreshStarted()
{
    ui.recTblBtn->setEnabled(false);
    ui.tblSB->setPanelText(1, QStringLiteral(" čekej(te)..."));
    ui.tFilterE->clear();
}

void TableArea::refreshEnded()
{
    ui.tblSB->setPanelText(1, QStringLiteral(" nečinný"));
    ui.tblChLB->clear();
}

void TableArea::detachGrid()
{
    ui.tblGrid->detach();
    ui.tblNvg->setDataset(nullptr);
}

void TableArea::attachGrid()
{
    if (!ui.tblGrid->isAttached())
        ui.tblGrid->attach();
    ui.tblNvg->setDataset(&table());
}

void TableArea::closeTable()
{
    m_tableNames.clear();
    table().close();
}

} // namespace vrl
