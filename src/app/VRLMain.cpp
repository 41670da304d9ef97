#include "app/VRLMain.h"

#include "basic/WindowServerWait.h"

#include "ui_VRLMain.h"

#include "app/JpegPicture.h"
#include "app/ProgramSettings.h"
#include "basic/ControlColours.h"
#include "basic/HandlerGuard.h"
#include "basic/Prompts.h"
#include "data/VRLDM.h"
#include "data/vrxSQL.h"
#include "import/qZ_dImport.h"
#include "query/QueryArea.h"
#include "query/SuperSearch.h"
#include "query/VRLhistory.h"
#include "table/TableArea.h"
#include "tools/ConversionPanel.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QMenuBar>
#include <QScopedValueRollback>

namespace vrl {

namespace {

// Indexes of the database choice.
constexpr int kDisconnectChoice = 4;

} // namespace

TvrlForm::TvrlForm(QWidget *parent)
    : QMainWindow(parent)
    , ui(std::make_unique<Ui::TvrlForm>())
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("vrlForm"));
    loadPictures();

    // The separator and the shortcut of the provider submenu are not expressible in the form.
    QAction *separator = ui->toolsMItem->insertSeparator(ui->tProviderMItem->menuAction());
    separator->setObjectName(QStringLiteral("N1"));
    ui->tProviderMItem->menuAction()->setShortcut(QKeySequence(QStringLiteral("Ctrl+Q")));
    auto *providers = new QActionGroup(this);
    providers->setExclusive(true);
    providers->addAction(ui->tpOLEDBMItem);
    providers->addAction(ui->tpNC10MItem);

    ui->qGauge->setRange(0, 100);
    ui->qGauge->setStyleSheet(QStringLiteral("QProgressBar { border: none; background: %1; } "
                                             "QProgressBar::chunk { background: #000080; }")
                                  .arg(colour3DLight().name()));

    connectHandlers();
    createAreas();
    FormCreate();
}

TvrlForm::~TvrlForm() = default;

void TvrlForm::createAreas()
{
    m_tableArea = new TableArea(*this,
                                { ui->tblGB, ui->TblSelCoB, ui->recTblBtn, ui->tblChLB, ui->clipBtn,
                                  ui->tblGrid, ui->tblNvg, ui->tFilterE, ui->tFilterBtn,
                                  ui->tSearchE, ui->tSearchBtn, ui->sSearchBtn, ui->tblSB },
                                this);
    m_queryArea = new QueryArea(
        *this,
        { ui->queryGB,      ui->qGrid,       ui->qNvg,        ui->querySB,     ui->qEditChB,
          ui->qAutoSumChB,  ui->qFilterE,    ui->qFilterBtn,  ui->qSearchE,    ui->qSearchBtn,
          ui->sqlInListChB, ui->qcloseBtn,   ui->qMemo,       ui->qGoBtn,      ui->saveHistBtn,
          ui->qtSelectBtn,  ui->qtUpdateBtn, ui->qtInsertBtn, ui->qtDeleteBtn, ui->presetCoB,
          ui->qExpBtn,      ui->qXMLBtn },
        m_vrxQuery, this);
    m_superSearch
        = new SuperSearch(*this, { ui->sSearchBtn, ui->tSearchE, ui->tblSB, ui->tblGrid }, this);
    m_queryArea->setTableChoiceSource([this] { return chosenTableName(); });
    m_conversionPanel
        = new ConversionPanel(*this,
                              { ui->convGB, ui->convE, ui->conv_dtrBtn, ui->conv_rdtBtn,
                                ui->conv_i32hBtn, ui->conv_hi32Btn, ui->conv_i32bBtn },
                              this);
    m_conversionPanel->setCapturedValueSource([this] { return m_capturedValue; });
    m_queryArea->setPresetSource([this] {
        return PresetInput { DM().vrxTbl.commandText(), m_tableArea->checkedFieldNames(),
                             m_tableArea->filterEditText() };
    });

    // What the table area does to the query area and to the window.
    connect(m_tableArea, &TableArea::tableChoiceStarted, m_queryArea,
            &QueryArea::tableChoiceStarted);
    connect(m_tableArea, &TableArea::tableChoiceEnded, m_queryArea, &QueryArea::tableChosen);
    connect(m_tableArea, &TableArea::tableChoiceEnded, this, &TvrlForm::tableChosen);
    connect(m_tableArea, &TableArea::fieldsChecked, m_queryArea, &QueryArea::fieldsChecked);
    connect(m_tableArea, &TableArea::tableOpenChanged, this, [this](bool open) {
        // The import works only while a table is open.
        ui->importBtn->setEnabled(open);
        if (open)
            ui->importBtn->show();
    });
    // The last captured value is one for both grids; a shown result forgets it, and the
    // table's chosen field name with it.
    const auto capture = [this](const QString &value) {
        m_capturedValue = value;
    };
    connect(m_tableArea, &TableArea::valueCaptured, this, capture);
    connect(m_queryArea, &QueryArea::valueCaptured, this, capture);
    connect(m_queryArea, &QueryArea::resultShown, this, [this] {
        m_capturedValue.clear();
        m_tableArea->forgetChosenField();
    });
}

void TvrlForm::tableChosen(bool open, const QString &name)
{
    setWindowTitle(QLatin1Char('[') + m_connectionLabel + QLatin1Char(']'));
    // The record editor knows this one table, by its exact name.
    ui->songbaseMItem->setEnabled(open && name == QLatin1String("SONGBASE"));
}

QString TvrlForm::chosenTableName() const
{
    const int chosen = ui->TblSelCoB->currentIndex();
    return chosen < 0 ? QString() : ui->TblSelCoB->itemText(chosen);
}

void TvrlForm::bindDataModule()
{
    m_tableArea->bindDataModule();
    m_queryArea->bindDataModule();
}

TDM &TvrlForm::dataModule()
{
    return DM();
}

Prompts &TvrlForm::prompts()
{
    return vrl::prompts();
}

QProgressBar &TvrlForm::gauge()
{
    return *ui->qGauge;
}

void TvrlForm::setImportWindow(TdImpForm &window)
{
    m_importWindow = &window;
    // The table grid shows the imported rows once the run is over, not row by row.
    connect(&window, &TdImpForm::runStarted, m_tableArea, &TableArea::detachGrid);
    connect(&window, &TdImpForm::runEnded, m_tableArea, &TableArea::attachGrid);
}

void TvrlForm::importBtnClick()
{
    if (mainConnectionBusy() || !DM().vrxTbl.isActive())
        return;
    m_sqlDialog->setProviderChoice(programSettings().providerChoice);
    prompts().runModal(*m_importWindow);
}

bool TvrlForm::mainConnectionBusy() const
{
    return m_superSearch->isRunning();
}

const QStringList &TvrlForm::tableNames() const
{
    return m_tableArea->tableNames();
}

void TvrlForm::loadPictures()
{
    ui->vlImgBW->setImage(loadJpegPicture(QStringLiteral("iceberg_grey.jpg")));
    ui->vlImgC->setImage(loadJpegPicture(QStringLiteral("iceberg_colour.jpg")));
    setWindowIcon(QPixmap::fromImage(loadJpegPicture(QStringLiteral("vorlan_icon.jpg"))));
}

void TvrlForm::connectHandlers()
{
    connect(ui->dbaseRG, &RadioGroup::clicked, this, guarded([this] { dbaseRGClick(); }));
    connect(ui->connectBtn, &QPushButton::clicked, this, guarded([this] { connectBtnClick(); }));
    connect(ui->refreshBtn, &QPushButton::clicked, this, guarded([this] { refreshBtnClick(); }));
    connect(ui->importBtn, &QPushButton::clicked, this, guarded([this] { importBtnClick(); }));
    connect(ui->exitMItem, &QAction::triggered, this, guarded([this] { exitMItemClick(); }));
    connect(ui->gHistoryMItem, &QAction::triggered, this,
            guarded([this] { gHistoryMItemClick(); }));
    for (QAction *item : { ui->tpOLEDBMItem, ui->tpNC10MItem }) {
        connect(item, &QAction::triggered, this, guarded([this, item] { tpXMItemClick(item); }));
    }
}

void TvrlForm::FormCreate()
{
    m_tableArea->clearTableNames();
}

int TvrlForm::menuHeight() const
{
    const int forWidth = menuBar()->heightForWidth(width());
    return forWidth > 0 ? forWidth : menuBar()->sizeHint().height();
}

QSize TvrlForm::clientSize() const
{
    return QSize(width(), height() - menuHeight());
}

void TvrlForm::setClientSize(const QSize &size)
{
    const QSize outer(size.width(), size.height() + menuHeight());
    if (m_sizeable)
        resize(outer);
    else
        setFixedSize(outer);
}

void TvrlForm::setSizeableWindow(bool sizeable)
{
    m_sizeable = sizeable;
    if (sizeable) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        setFixedSize(size());
    }
    FormResize();
}

void TvrlForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    // The first showing of the main window is its first activation, also where the windowing
    // system does not activate windows (no window manager, offscreen).
    guarded([this] { FormActivate(); })();
}

void TvrlForm::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        guarded([this] { FormActivate(); })();
}

void TvrlForm::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    guarded([this] { FormResize(); })();
}

void TvrlForm::setServerWait(WindowServerWait &wait)
{
    m_serverWait = &wait;
    connect(&wait, &WindowServerWait::waitingChanged, m_queryArea, &QueryArea::serverWaiting);
}

void TvrlForm::closeEvent(QCloseEvent *event)
{
    // Closing by the title-bar button ends the program without a question, but not while a
    // command still walks the database, unless the window was closed while the command waited
    // on the server: the statement has been stopped then.
    if (mainConnectionBusy() && !(m_serverWait && m_serverWait->isClosing()))
        event->ignore();
    else
        event->accept();
}

void TvrlForm::FormActivate()
{
    ProgramSettings &settings = programSettings();
    if (!settings.firstActivationPending)
        return;
    settings.firstActivationPending = false;
    settings.lastDatabaseChoice = -1;

    setSizeableWindow(false);
    setWindowTitle(QStringLiteral("OFF"));

    ui->vlImgBW->show();
    ui->vlImgC->hide();
    m_tableArea->firstActivation();
    m_queryArea->firstActivation();

    ui->connectBtn->hide();
    ui->refreshBtn->hide();
    ui->importBtn->hide();

    settings.closing = false;
    ui->dbaseRG->setItemIndex(-1);
    ui->songbaseMItem->setEnabled(false);
    m_conversionPanel->firstActivation();

    setWindowTitle(QStringLiteral("VRL"));
    ui->dbaseRG->show();
    ui->qGauge->show();
    if (settings.providerChoice == ProviderChoice::OleDb)
        ui->tpOLEDBMItem->setChecked(true);
    else
        ui->tpNC10MItem->setChecked(true);
    FormResize();
}

void TvrlForm::FormResize()
{
    if (m_inResize)
        return;
    QScopedValueRollback<bool> guard(m_inResize, true);

    const QSize client = clientSize();
    int width = client.width();
    int height = client.height();
    if (m_queryArea->isShown())
        height = std::max(height, kMinHeightWithQuery);
    else
        height = kHeightWithoutQuery;
    width = std::max(width, kClientWidth);
    m_tableArea->fitWidth(width);
    m_queryArea->fitClientSize(width, height);

    const QSize wanted(width, height);
    if (wanted != client || (!m_sizeable && minimumSize() != maximumSize()))
        setClientSize(wanted);
}

void TvrlForm::exitMItemClick()
{
    if (mainConnectionBusy())
        return;
    if (!prompts().confirm(QStringLiteral("Vorlan: ukončit činnost?"))) {
        // Stay running, disconnected: selecting the item runs the handler, and it runs once
        // more directly.
        ui->dbaseRG->setItemIndex(kDisconnectChoice);
        dbaseRGClick();
        return;
    }
    programSettings().closing = true;
    ui->dbaseRG->setItemIndex(-1);
    m_queryArea->closing();
    m_tableArea->closeTable();
    close();
}

void TvrlForm::tpXMItemClick(QAction *sender)
{
    ProgramSettings &settings = programSettings();
    if (sender == ui->tpOLEDBMItem) {
        settings.providerChoice = ProviderChoice::OleDb;
        ui->tpOLEDBMItem->setChecked(true);
    } else if (sender == ui->tpNC10MItem) {
        settings.providerChoice = ProviderChoice::Ncl10;
        ui->tpNC10MItem->setChecked(true);
    }
    prompts().show(PromptKind::Message, QStringLiteral("Změna se projeví při další SQL relaci."));
}

void TvrlForm::gHistoryMItemClick()
{
    if (m_historyViewer)
        m_historyViewer->showHistory(ui->presetCoB->currentText(), chosenTableName());
}

} // namespace vrl
