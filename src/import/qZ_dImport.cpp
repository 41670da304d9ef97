// The import window: its states, the source types and the source connection, the source table
// with its grid and search, and the relation editor.
#include "import/qZ_dImport.h"

#include "ui_qZ_dImport.h"

#include "access/ConnectionTemplates.h"
#include "basic/AnsiText.h"
#include "basic/AsciiUpperCase.h"
#include "basic/CheckList.h"
#include "basic/ConnectionLabel.h"
#include "basic/ControlColours.h"
#include "basic/HandlerGuard.h"
#include "basic/ProgramPaths.h"
#include "basic/Prompts.h"
#include "data/VRLDM.h"
#include "data/controls/GridSearch.h"
#include "data/vrxMySQL.h"
#include "data/vrxSQL.h"
#include "regional/Regional.h"
#include "widgets/EventHooks.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QScopedValueRollback>

namespace vrl {

namespace {

// Source types, by index of the type choice.
enum SourceType { Stv = 0, Workbook = 1, SqlServer = 2, MySql = 3 };

constexpr int kMostDropDownRows = 42;
constexpr int kClientWidth = 907;
constexpr int kParamsWidthMargin = 127;
constexpr int kGridWidthMargin = 572;
const QColor kOffering(255, 192, 255); // a choice box that offers items

// Enables a choice box that holds items on the offering colour, or disables it on the 3-D
// light colour, with the text of its state shown while nothing is chosen. The boxes are plain
// choices: a typed text could stand for a table or a field that does not exist.
void offerChoice(QComboBox &choice, const QString &offering, const QString &empty)
{
    const bool items = choice.count() > 0;
    choice.setEnabled(items);
    QPalette palette = choice.palette();
    palette.setColor(QPalette::Base, items ? kOffering : colour3DLight());
    palette.setColor(QPalette::Button, items ? kOffering : colour3DLight());
    choice.setPalette(palette);
    choice.setPlaceholderText(items ? offering : empty);
    choice.setMaxVisibleItems(std::min(int(choice.count()) + 1, kMostDropDownRows));
}

} // namespace

TdImpForm::TdImpForm(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::TdImpForm>())
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("dImpForm"));
    // No title-bar buttons: eXit is the only way out.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);
    ui->diGauge->setRange(0, 100);
    ui->tblGrid->setReadOnly(false);
    connectHandlers();
}

TdImpForm::~TdImpForm() = default;

void TdImpForm::setConnectionDialogs(TvrxSQLdlg &sql, TvrxMySQLdlg &mySql)
{
    m_sqlDialog = &sql;
    m_mySqlDialog = &mySql;
}

void TdImpForm::bindDataModule()
{
    ui->tblGrid->setDataset(&DM().diSourceTable);
    ui->tblNvg->setDataset(&DM().diSourceTable);
}

void TdImpForm::connectHandlers()
{
    // While a run goes on, nothing may change its source, its relations or the connections.
    const auto idle = [this](auto handler) {
        return guarded([this, handler] {
            if (!m_running)
                handler();
        });
    };
    connect(ui->diTypeRG, &RadioGroup::clicked, this, guarded([this] {
                if (m_running)
                    ui->diTypeRG->setItemIndex(m_runningType); // the click changes nothing
                else
                    diTypeRGClick();
            }));
    connect(ui->diConnectBtn, &QPushButton::clicked, this, idle([this] { diConnectBtnClick(); }));
    connect(ui->tblSelCoB, &QComboBox::activated, this, idle([this] { tblSelCoBSelect(); }));
    connect(ui->diExitBtn, &QPushButton::clicked, this, idle([this] { diExitBtnClick(); }));
    connect(ui->diGoBtn, &QPushButton::clicked, this, idle([this] { diGoBtnClick(); }));
    connect(ui->tblGrid, &DBGrid::cellClicked, this, guarded([this] { tblGridCellClick(); }));
    connect(ui->tblNvg, &DBNavigator::clicked, this, guarded([this] { tblNvgClick(); }));
    connect(ui->tSearchBtn, &QPushButton::clicked, this, idle([this] { tSearchBtnClick(); }));
    onDoubleClick(*ui->tSearchE, guarded([this] { tSearchEDblClick(); }));
    onFocusOut(*ui->tSearchE, guarded([this] { tSearchEExit(); }));

    connect(ui->sourceFieldCoB, &QComboBox::activated, this, idle([this] { srcXSelect(); }));
    connect(ui->destFieldCoB, &QComboBox::activated, this, idle([this] { srcXSelect(); }));
    connect(ui->addBtn, &QPushButton::clicked, this, idle([this] { addBtnClick(); }));
    connect(ui->addCtrlBtn, &QPushButton::clicked, this, idle([this] { addCtrlBtnClick(); }));
    connect(ui->loadBtn, &QPushButton::clicked, this, idle([this] { loadBtnClick(); }));
    onDoubleClick(*ui->ctrlFieldsE, idle([this] { ctrlFieldsEDblClick(); }));
    onFocusOut(*ui->ctrlFieldsE, idle([this] { updateGoButton(); }));
    // The mode buttons are not exclusive, so that a source table choice can clear both; a click
    // on the checked one keeps it checked, and during a run a click changes nothing.
    const auto modeClicked = [this](QRadioButton *clicked, QRadioButton *other) {
        return guarded([this, clicked, other] {
            if (m_running) {
                clicked->setChecked(!clicked->isChecked());
                return;
            }
            clicked->setChecked(true);
            other->setChecked(false);
            updateGoButton();
        });
    };
    connect(ui->insertRB, &QRadioButton::clicked, this, modeClicked(ui->insertRB, ui->editRB));
    connect(ui->editRB, &QRadioButton::clicked, this, modeClicked(ui->editRB, ui->insertRB));
    connect(ui->translateChLB, &QListWidget::itemClicked, this,
            idle([this] { translateChLBClick(); }));
    connect(ui->translateChLB, &QListWidget::itemChanged, this,
            idle([this] { translateChLBClick(); }));
    connect(ui->translateChLB, &QListWidget::itemDoubleClicked, this,
            idle([this] { translateChLBDblClick(); }));
}

void TdImpForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    guarded([this] { FormActivate(); })();
}

void TdImpForm::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    guarded([this] { FormResize(); })();
}

void TdImpForm::closeEvent(QCloseEvent *event)
{
    event->ignore();
}

void TdImpForm::reject() { }

void TdImpForm::setSizeable(bool sizeable)
{
    m_sizeable = sizeable;
    if (sizeable) {
        setMinimumSize(0, 0);
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        resize(kClientWidth, ui->paramsGB->geometry().bottom() + 4);
    } else {
        // Sized to the visible controls.
        QRect used;
        for (QWidget *child : findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
            if (!child->isHidden())
                used |= child->geometry();
        }
        setFixedSize(used.right() + 5, used.bottom() + 5);
    }
}

void TdImpForm::FormResize()
{
    if (!m_sizeable || m_inResize)
        return;
    QScopedValueRollback<bool> guard(m_inResize, true);
    const int client = std::max(width(), kClientWidth);
    if (client != width())
        resize(client, height());
    ui->paramsGB->resize(client - kParamsWidthMargin, ui->paramsGB->height());
    ui->tblGrid->resize(client - kGridWidthMargin, ui->tblGrid->height());
}

void TdImpForm::resetToInitialState()
{
    ui->paramsGB->hide();
    ui->tblSelCoB->clear();
    ui->tblSelCoB->hide();
    DM().diConnect.close();
    ui->diGoBtn->setEnabled(false);
    setSizeable(false);
    setWindowTitle(QStringLiteral("qZ data import"));
}

void TdImpForm::FormActivate()
{
    m_sourceTables.clear();
    ui->diConnectBtn->setEnabled(false);
    m_closing = false;
    ui->diTypeRG->setItemIndex(-1);
    resetToInitialState();
}

void TdImpForm::diTypeRGClick()
{
    resetToInitialState();
    const int type = ui->diTypeRG->itemIndex();
    ui->diConnectBtn->setEnabled(type >= Workbook && type <= MySql);
    ui->diGoBtn->setEnabled(type == Stv);
}

void TdImpForm::diConnectBtnClick()
{
    if (m_closing)
        return;
    Connection &source = DM().diConnect;
    if (source.isConnected())
        source.close();
    bool described = false;
    switch (ui->diTypeRG->itemIndex()) {
    case Workbook: {
        FileDialog &files = DM().vrlODlg;
        files.filterIndex = 1;
        files.title = QStringLiteral("vyber soubor sešitu MS Excel (XLS):");
        files.fileName.clear();
        if (prompts().runFileDialog(files)) {
            source.setConnectionString(excelWorkbook(files.fileName));
            source.setLoginPrompt(false);
            m_sourceLabel = workbookLabel(files.fileName);
            described = true;
        }
        break;
    }
    case SqlServer:
        if (prompts().runModal(*m_sqlDialog) == QDialog::Accepted) {
            source.setConnectionString(m_sqlDialog->connectionString());
            source.setLoginPrompt(m_sqlDialog->loginWindowChoice());
            m_sourceLabel
                = m_sqlDialog->serverText() + QLatin1Char('-') + m_sqlDialog->databaseText();
            described = true;
        }
        break;
    case MySql:
        if (prompts().runModal(*m_mySqlDialog) == QDialog::Accepted) {
            source.setConnectionString(m_mySqlDialog->connectionString());
            source.setLoginPrompt(false);
            m_sourceLabel
                = m_mySqlDialog->serverText() + QLatin1Char('-') + m_mySqlDialog->databaseText();
            described = true;
        }
        break;
    default:
        break;
    }
    if (!described) {
        m_sourceLabel.clear();
        source.setConnectionString(QString());
        ui->diTypeRG->setItemIndex(-1);
        ui->diConnectBtn->setEnabled(false);
        prompts().show(PromptKind::Message, QStringLiteral("Není připojen zdroj dat..."));
        resetToInitialState();
        return;
    }
    QApplication::processEvents();
    try {
        DM().reopen(source);
        ui->tblSelCoB->show();
        fillTableList();
    } catch (const std::exception &failure) {
        prompts().show(PromptKind::Message,
                       QStringLiteral("chyba připojení:\n\r[") + failureMessage(failure)
                           + QLatin1Char(']'));
    }
}

void TdImpForm::fillTableList()
{
    m_sourceTables = DM().diConnect.tableNames();
    QComboBox &choice = *ui->tblSelCoB;
    choice.clear();
    const bool workbook = ui->diTypeRG->itemIndex() == Workbook;
    for (const QString &name : std::as_const(m_sourceTables)) {
        // Sheets are opened by their bracketed names.
        choice.addItem(workbook && name.contains(QLatin1Char('$'))
                           ? QLatin1Char('[') + name + QLatin1Char(']')
                           : name);
    }
    m_sourceLabel = Regional::system().upperCase(m_sourceLabel);
    choice.show();
    choice.setCurrentIndex(-1);
    offerChoice(choice, QStringLiteral("<vyber tabulku>"), QStringLiteral("tabulky..?"));
}

void TdImpForm::fillFieldChoice(QComboBox &choice, const QStringList &names, const QString &kind)
{
    choice.clear();
    choice.addItems(names);
    choice.setCurrentIndex(-1);
    offerChoice(choice, kind + QStringLiteral(" položky [%1]").arg(names.size()),
                kind + QStringLiteral(" položky..?"));
}

void TdImpForm::tblSelCoBSelect()
{
    const int index = ui->tblSelCoB->currentIndex();
    if (index < 0) {
        prompts().show(PromptKind::Message, QStringLiteral("Nebyla vybrána zdrojová tabulka..."));
        return;
    }
    Dataset &target = DM().vrxTbl;
    Dataset &source = DM().diSourceTable;
    m_sourceTableName = ui->tblSelCoB->itemText(index);
    setWindowTitle(QStringLiteral("qZ data import: ") + m_sourceLabel + QStringLiteral(" >> ")
                   + target.commandText());
    m_relationFilePath = QDir(programFolder())
                             .filePath(target.commandText() + QLatin1Char('_') + m_sourceTableName
                                       + QStringLiteral(".vri"));
    ui->loadBtn->setEnabled(QFileInfo(m_relationFilePath).isFile());

    QStringList sourceFields;
    QStringList targetFields;
    try {
        source.setFilter(QString());
        source.setFiltered(false);
        source.close();
        source.setCommandText(m_sourceTableName);
        source.open();
        ui->translateChLB->clear();
        sourceFields = source.fieldNames();
        targetFields = target.fieldNames();
    } catch (const std::exception &failure) {
        prompts().show(PromptKind::Message,
                       QStringLiteral("Chyba výběru!\n\r[") + failureMessage(failure)
                           + QLatin1Char(']'));
    }
    fillFieldChoice(*ui->sourceFieldCoB, sourceFields, QStringLiteral("zdrojové"));
    fillFieldChoice(*ui->destFieldCoB, targetFields, QStringLiteral("cílové"));

    ui->addBtn->setEnabled(false);
    ui->addCtrlBtn->setEnabled(false);
    ui->insertRB->setChecked(false);
    ui->editRB->setChecked(false);
    ui->translateChLB->clear();
    ui->ctrlFieldsE->clear();
    ui->paramsGB->setVisible(source.isActive());
    setSizeable(true);
    FormResize();
}

void TdImpForm::showPosition()
{
    const Dataset &source = DM().diSourceTable;
    ui->posLbl->setText(
        source.recordCount() < 1
            ? QStringLiteral("no rec(s)")
            : QStringLiteral("%1/%2").arg(source.recNo()).arg(source.recordCount()));
}

void TdImpForm::tblGridCellClick()
{
    showPosition();
}

void TdImpForm::tblNvgClick()
{
    showPosition();
}

void TdImpForm::tSearchBtnClick()
{
    SearchImportGrid(ui->tSearchE->text(), DM().diSourceTable, *ui->tblGrid, *ui->posLbl,
                     *ui->diGauge);
}

void TdImpForm::tSearchEDblClick()
{
    ui->tSearchE->clear();
}

void TdImpForm::tSearchEExit()
{
    ui->tSearchBtn->setEnabled(!ui->tSearchE->text().isEmpty());
    if (ui->tSearchBtn->isEnabled())
        ui->tSearchBtn->setFocus();
}

void TdImpForm::diExitBtnClick()
{
    m_closing = true;
    m_sourceTables.clear();
    DM().diConnect.close();
    done(QDialog::Accepted);
}

void TdImpForm::srcXSelect()
{
    const bool both
        = ui->sourceFieldCoB->currentIndex() >= 0 && ui->destFieldCoB->currentIndex() >= 0;
    ui->addBtn->setEnabled(both);
    ui->addCtrlBtn->setEnabled(both);
}

void TdImpForm::addBtnClick()
{
    QComboBox &source = *ui->sourceFieldCoB;
    QComboBox &target = *ui->destFieldCoB;
    const auto append = [this](const QString &entry) {
        auto *item = new QListWidgetItem(entry, ui->translateChLB);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    };
    {
        // New entries come unchecked and do not update the Go button.
        const QSignalBlocker quiet(ui->translateChLB);
        if (source.count() == target.count()
            && prompts().confirm(QStringLiteral("Počet položek zdroje a cíle se shoduje.\r\n"
                                                "Použít dávkovou relaci?"))) {
            for (int i = 0; i < source.count(); ++i)
                append(source.itemText(i) + QLatin1Char(';') + target.itemText(i));
        } else {
            append(source.currentText() + QLatin1Char(';') + target.currentText());
        }
    }
    for (QComboBox *choice : { &source, &target }) {
        choice->setCurrentIndex(-1);
        choice->setPlaceholderText(QStringLiteral("vyber(te) další..."));
    }
    srcXSelect();
}

void TdImpForm::addCtrlBtnClick()
{
    ui->ctrlFieldsE->setText(ui->sourceFieldCoB->currentText() + QLatin1Char(';')
                             + ui->destFieldCoB->currentText());
}

void TdImpForm::ctrlFieldsEDblClick()
{
    ui->ctrlFieldsE->clear();
}

QStringList TdImpForm::checkedRelations() const
{
    QStringList entries;
    for (int i = 0; i < ui->translateChLB->count(); ++i) {
        if (ui->translateChLB->item(i)->checkState() == Qt::Checked)
            entries << ui->translateChLB->item(i)->text();
    }
    return entries;
}

void TdImpForm::updateGoButton()
{
    const QStringList checked = checkedRelations();
    const QString control = ui->ctrlFieldsE->text();
    const bool editReady
        = ui->editRB->isChecked() && !control.isEmpty() && !checked.contains(control);
    ui->diGoBtn->setEnabled(!checked.isEmpty() && (ui->insertRB->isChecked() || editReady));
}

void TdImpForm::translateChLBClick()
{
    updateGoButton();
}

void TdImpForm::translateChLBDblClick()
{
    QListWidget &list = *ui->translateChLB;
    if (list.count() > 0) {
        const QSignalBlocker quiet(list);
        const Qt::CheckState state
            = list.item(0)->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked;
        for (int i = 0; i < list.count(); ++i)
            list.item(i)->setCheckState(state);
    }
    updateGoButton();
}

void TdImpForm::loadBtnClick()
{
    if (!QFileInfo(m_relationFilePath).isFile()) {
        prompts().show(
            PromptKind::Message,
            QStringLiteral("Soubor se šablonou ")
                + AsciiUpperCase(DM().vrxTbl.commandText() + QLatin1Char('_') + m_sourceTableName)
                + QStringLiteral(" není k dispozici."));
        return;
    }
    // A file that cannot be read reaches the general error report.
    const QStringList lines = readAnsiLines(m_relationFilePath);
    {
        const QSignalBlocker quiet(ui->translateChLB);
        for (const QString &line : lines) {
            auto *item = new QListWidgetItem(line, ui->translateChLB);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Unchecked);
        }
    }
    QApplication::processEvents();
}

} // namespace vrl
