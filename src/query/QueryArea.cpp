// The query area as a whole: its controls' handlers, its binding to the data module, what it
// does when the connect flow opens or leaves a connection, the SQL editor with its run command,
// and the statement presets.
#include "query/QueryArea.h"

#include "areas/WorkAreaHost.h"
#include "basic/AnsiText.h"
#include "basic/ControlColours.h"
#include "basic/DateStamp.h"
#include "basic/HandlerGuard.h"
#include "basic/Prompts.h"
#include "basic/QueryRunners.h"
#include "data/VRLDM.h"
#include "data/controls/DBGrid.h"
#include "data/controls/DBNavigator.h"
#include "query/QueryHistory.h"
#include "query/SqlHighlighter.h"
#include "query/StatementChecks.h"
#include "widgets/EventHooks.h"
#include "widgets/StatusBar.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>

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

const QString kNotRun = QStringLiteral("Příkaz nebyl proveden (chyba..?)");
// A special statement (one the server reports no row count for, such as SET or a call) ran
// without an error. Users have always read it as the first four letters of "Special" and "OK".
const QString kSpecialStatementDone = QStringLiteral("Special").left(4) + QStringLiteral(" OK");

} // namespace

QueryArea::QueryArea(WorkAreaHost &host, const QueryAreaControls &controls, Dataset &vrxQuery,
                     QObject *parent)
    : QObject(parent)
    , m_host(host)
    , ui(controls)
    , m_vrxQuery(vrxQuery)
    , m_export(host, vrxQuery, *controls.qGrid, *controls.sqlInListChB)
{
    new SqlHighlighter(ui.qMemo->document());
    connectHandlers();
}

void QueryArea::connectHandlers()
{
    connect(ui.qGoBtn, &QPushButton::clicked, this, guarded([this] { qGoBtnClick(); }));
    onClick(*ui.qMemo, guarded([this] { qMemoClick(); }));
    onDoubleClick(*ui.qMemo, guarded([this] { qMemoDblClick(); }));
    onFocusOut(*ui.qMemo, guarded([this] { qMemoExit(); }));
    connect(ui.qcloseBtn, &QPushButton::clicked, this, guarded([this] { qcloseBtnClick(); }));
    connect(ui.qEditChB, &QCheckBox::clicked, this, guarded([this] { qEditChBClick(); }));
    connect(ui.qAutoSumChB, &QCheckBox::clicked, this, guarded([this] { qAutoSumChBClick(); }));

    connect(ui.qGrid, &DBGrid::cellClicked, this,
            guarded([this](int column) { qGridCellClick(column); }));
    connect(ui.qGrid, &DBGrid::titleClicked, this,
            guarded([this](int column) { qGridTitleClick(column); }));
    connect(ui.qNvg, &DBNavigator::clicked, this, guarded([this] { qNvgClick(); }));
    connect(ui.qFilterBtn, &QPushButton::clicked, this, guarded([this] { qFilterBtnClick(); }));
    onDoubleClick(*ui.qFilterE, guarded([this] { qFilterEDblClick(); }));
    onFocusOut(*ui.qFilterE, guarded([this] { qFilterEExit(); }));
    connect(ui.qSearchBtn, &QPushButton::clicked, this, guarded([this] { qSearchBtnClick(); }));
    onFocusOut(*ui.qSearchE, guarded([this] { qSearchEExit(); }));

    connect(ui.qtSelectBtn, &QPushButton::clicked, this, guarded([this] { qtSelectBtnClick(); }));
    connect(ui.qtUpdateBtn, &QPushButton::clicked, this, guarded([this] { qtUpdateBtnClick(); }));
    connect(ui.qtDeleteBtn, &QPushButton::clicked, this, guarded([this] { qtDeleteBtnClick(); }));
    connect(ui.qtInsertBtn, &QPushButton::clicked, this, guarded([this] { qtInsertBtnClick(); }));

    connect(ui.qExpBtn, &QPushButton::clicked, this, guarded([this] { qExpBtnClick(); }));
    connect(ui.qXMLBtn, &QPushButton::clicked, this, guarded([this] { qXMLBtnClick(); }));
    connect(ui.saveHistBtn, &QPushButton::clicked, this, guarded([this] { saveHistBtnClick(); }));
}

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

void QueryArea::qGoBtnClick()
{
    ui.queryGB->hide();
    const QStringList lines = MemoLines(*ui.qMemo);
    if (lines.isEmpty()) {
        m_host.prompts().show(PromptKind::Message,
                              QStringLiteral("Žádné tělo příkazu k dispozici"));
        return;
    }
    if (!FirstLineNamesAStatement(lines.constFirst())) {
        m_host.prompts().show(PromptKind::Message, kNotRun);
        return;
    }
    const int verdict = RiskVerdict(lines, m_host.dataModule().vrlConnect.sqlDialect());
    if (verdict > 0 && !m_host.prompts().confirm(RiskQuestion(verdict))) {
        m_host.prompts().show(PromptKind::Message, kNotRun);
        return;
    }

    ui.qGoBtn->setText(QStringLiteral("wait..."));
    ui.qGoBtn->setEnabled(false);
    // The button comes back whatever happens below.
    const auto restoreButton = qScopeGuard([this] {
        ui.qGoBtn->setText(QStringLiteral("&Go!"));
        ui.qGoBtn->setEnabled(true);
    });
    QApplication::processEvents();

    qint32 records = 0;
    qint32 affected = 0;
    const quint8 code = OpenOrExecMemoQuery(m_vrxQuery, *ui.qMemo, records, affected);
    switch (code) {
    case QueryResult::OpenedEmpty:
        m_host.prompts().show(PromptKind::Message,
                              QStringLiteral("Zadání nevyhověl žádný záznam..."));
        break;
    case QueryResult::OpenedOne:
    case QueryResult::OpenedMany:
        showResult();
        break;
    case QueryResult::ChangedNone:
        m_host.prompts().show(PromptKind::Message, QStringLiteral("Nebyly provedeny žádné změny."));
        break;
    case QueryResult::ChangedOne:
    case QueryResult::ChangedMany:
        m_host.prompts().show(PromptKind::Message, QStringLiteral("OK [%1]").arg(affected));
        break;
    case QueryResult::ChangedUnknown:
        m_host.prompts().show(PromptKind::Message, kSpecialStatementDone);
        break;
    default: // the runner has shown the error
        break;
    }
    const bool shown = code == QueryResult::OpenedOne || code == QueryResult::OpenedMany;
    m_host.setClientSize(
        QSize(m_host.clientSize().width(), shown ? kHeightWithResult : kHeightWithoutResult));
    m_host.relayout();
}

void QueryArea::showResult()
{
    ui.qSearchE->clear();
    ui.qSearchBtn->setEnabled(false);
    ui.qFilterE->clear();
    ui.qFilterBtn->setEnabled(false);
    if (ui.qEditChB->isChecked()) {
        ui.qEditChB->setChecked(false);
        qEditChBClick();
    }
    if (ui.qAutoSumChB->isChecked()) {
        ui.qAutoSumChB->setChecked(false);
        qAutoSumChBClick();
    }
    ui.qGrid->setReadOnly(true);
    ui.sqlInListChB->setChecked(false);
    emit resultShown();
    ui.saveHistBtn->setEnabled(true);
    m_vrxQuery.first();
    setPosition(shortPosition());
    ui.queryGB->show();
}

void QueryArea::serverWaiting(bool waiting)
{
    if (waiting) {
        m_goHint = ui.qGoBtn->toolTip();
        ui.qGoBtn->setToolTip(QStringLiteral("Esc zastaví příkaz"));
    } else {
        ui.qGoBtn->setToolTip(m_goHint);
    }
}

void QueryArea::qMemoClick()
{
    ui.qGoBtn->setEnabled(false);
}

void QueryArea::qMemoExit()
{
    ui.qGoBtn->setEnabled(!MemoLines(*ui.qMemo).isEmpty());
    if (ui.qGoBtn->isEnabled())
        ui.qGoBtn->setFocus();
}

void QueryArea::qMemoDblClick()
{
    ui.qMemo->clear();
    ui.qGoBtn->setEnabled(false);
    ui.saveHistBtn->setEnabled(false);
    if (!ui.queryGB->isHidden())
        qcloseBtnClick();
}

void QueryArea::qcloseBtnClick()
{
    ui.queryGB->hide();
    m_vrxQuery.close();
    m_host.relayout();
}

void QueryArea::qEditChBClick()
{
    ui.qGrid->setReadOnly(!ui.qEditChB->isChecked());
}

void QueryArea::qAutoSumChBClick()
{
    ui.querySB->setPanelText(1, ui.qAutoSumChB->isChecked() ? QString() : QStringLiteral(" OFF"));
}

void QueryArea::writePreset(Preset preset)
{
    if (!MemoLines(*ui.qMemo).isEmpty()
        && !m_host.prompts().confirm(QStringLiteral("Přepsat obsah šablonou?")))
        return;
    const QStringList lines
        = PresetLines(preset, m_presetSource ? m_presetSource() : PresetInput());
    ui.qMemo->setPlainText(lines.join(QLatin1Char('\n')));
    ui.qGoBtn->setEnabled(!MemoLines(*ui.qMemo).isEmpty());
}

void QueryArea::saveHistBtnClick()
{
    // A failure goes on to the general error report, and the button stays usable.
    const qsizetype replaced
        = appendHistoryRecord(historyFilePath(ui.presetCoB->currentText()),
                              historyRecord(m_tableChoiceSource ? m_tableChoiceSource() : QString(),
                                            dateStamp(), MemoLines(*ui.qMemo)));
    ui.saveHistBtn->setEnabled(false);
    if (replaced > 0)
        m_host.prompts().show(PromptKind::Message, ansiReplacedWarning(replaced));
}

} // namespace vrl
