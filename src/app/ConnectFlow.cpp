// The main window's way from nothing to an open database: the database choice, the connect
// and refresh commands, the table list and the connection label.
#include "app/VRLMain.h"

#include "ui_VRLMain.h"

#include "app/ProgramSettings.h"
#include "basic/ControlColours.h"
#include "basic/Prompts.h"
#include "basic/Regional.h"
#include "data/ConnectionTemplates.h"
#include "data/VRLDM.h"
#include "data/access/DataError.h"
#include "data/vrxMySQL.h"
#include "data/vrxSQL.h"
#include "table/TableArea.h"

#include <QApplication>
#include <QFileInfo>

namespace vrl {

namespace {

// Kinds of database, by index of the database choice.
enum Kind { SqlServer = 0, MySql = 1, ExcelWorkbook = 2, OpenCalcWorkbook = 3 };

constexpr int kMostDropDownRows = 42;

// The connection label of a workbook: its drive, a separator and the file name. Paths here
// have no drive letters and no share part like \\server\share; the drive part is therefore
// empty, and the label starts with the separator.
QString workbookLabel(const QString &path)
{
    QString drive;
    if (path.size() >= 2 && path[1] == QLatin1Char(':'))
        drive = path.left(2);
    else if (path.startsWith(QLatin1String("\\\\")))
        drive = path.section(QLatin1Char('\\'), 0, 3);
    return drive + QStringLiteral("\\\\..\\") + QFileInfo(path).fileName();
}

} // namespace

void TvrlForm::setConnectionDialogs(TvrxSQLdlg &sql, TvrxMySQLdlg &mySql)
{
    m_sqlDialog = &sql;
    m_mySqlDialog = &mySql;
}

void TvrlForm::dbaseRGClick()
{
    ProgramSettings &settings = programSettings();
    const int choice = ui->dbaseRG->itemIndex();
    if (!ui->tblGB->isHidden() && choice == settings.lastDatabaseChoice)
        return;
    settings.lastDatabaseChoice = choice;

    ui->connectBtn->show();
    // Only the four kinds of database enable the connect button; "disconnect" does not.
    ui->connectBtn->setEnabled(unsigned(choice) <= 3);

    ui->vlImgBW->show();
    ui->vlImgC->hide();

    DM().vrxTbl.close();
    m_vrxQuery.close();
    ui->tblGB->hide();
    ui->queryGB->hide();
    ui->qMemo->clear();

    setSizeableWindow(false);
    setWindowTitle(QStringLiteral("OFF"));

    ui->recTblBtn->setEnabled(false);
    ui->refreshBtn->setEnabled(false);
    ui->importBtn->setEnabled(false);
    setInputUsable(*ui->presetCoB, false);

    ui->tblChLB->clear();
    ui->TblSelCoB->clear();
    ui->TblSelCoB->hide();
}

void TvrlForm::connectBtnClick()
{
    if (programSettings().closing)
        return;
    ui->tblSB->setPanelText(1, QStringLiteral(" NEČINNÝ"));
    setInputUsable(*ui->presetCoB, false);
    ui->tblChLB->clear();
    ui->TblSelCoB->clear();
    ui->TblSelCoB->hide();
    Connection &connection = DM().vrlConnect;
    if (connection.isConnected())
        connection.close();
    for (QPushButton *button : { ui->recTblBtn, ui->importBtn, ui->refreshBtn }) {
        button->setEnabled(false);
        button->show();
    }
    if (!describeConnection(ui->dbaseRG->itemIndex())) {
        connectCancelled();
        return;
    }
    // The dialog disappears and the window repaints before the wait for the server.
    QApplication::processEvents();
    try {
        connection.open();
    } catch (const DataError &error) {
        prompts().show(PromptKind::Message,
                       QStringLiteral("chyba připojení:\n\r[") + error.message()
                           + QLatin1Char(']'));
        return;
    }
    ui->refreshBtn->setEnabled(true);
    ui->refreshBtn->show();
    ui->TblSelCoB->show();
    ui->tblGB->show();
    fillTableList();
}

bool TvrlForm::describeConnection(int kind)
{
    Connection &connection = DM().vrlConnect;
    switch (kind) {
    case SqlServer:
        if (prompts().runModal(*m_sqlDialog) != QDialog::Accepted)
            return false;
        connection.setConnectionString(m_sqlDialog->connectionString());
        connection.setLoginPrompt(m_sqlDialog->loginWindowChoice());
        m_connectionLabel
            = m_sqlDialog->serverText() + QLatin1Char('-') + m_sqlDialog->databaseText();
        return true;
    case MySql:
        if (prompts().runModal(*m_mySqlDialog) != QDialog::Accepted)
            return false;
        connection.setConnectionString(m_mySqlDialog->connectionString());
        connection.setLoginPrompt(false);
        m_connectionLabel
            = m_mySqlDialog->serverText() + QLatin1Char('-') + m_mySqlDialog->databaseText();
        return true;
    case ExcelWorkbook: {
        FileDialog &files = DM().vrlODlg;
        files.filterIndex = 1;
        files.title = QStringLiteral("vyber soubor sešitu MS Excel (XLS):");
        files.fileName.clear();
        if (!prompts().runFileDialog(files))
            return false;
        // The login prompt keeps whatever it was.
        connection.setConnectionString(excelWorkbook(files.fileName));
        m_connectionLabel = workbookLabel(files.fileName);
        return true;
    }
    case OpenCalcWorkbook: {
        FileDialog &files = DM().vrlODlg;
        files.filterIndex = 4;
        files.title = QStringLiteral("vyber soubor sešitu OpenCalc (ODS):");
        files.fileName.clear();
        if (prompts().runFileDialog(files))
            prompts().show(
                PromptKind::Message,
                QStringLiteral("tato verze VRL nepodporuje práci s ODS soubory... sorry"));
        return false;
    }
    default:
        return false;
    }
}

void TvrlForm::connectCancelled()
{
    m_connectionLabel.clear();
    DM().vrlConnect.setConnectionString(QString());
    ui->dbaseRG->setItemIndex(-1);
    ui->connectBtn->setEnabled(false);
    setWindowTitle(QStringLiteral("VRL"));
    ui->queryGB->hide();
    ui->tblGB->hide();
    FormResize();
}

void TvrlForm::fillTableList()
{
    ui->vlImgBW->hide();
    ui->vlImgC->show();
    loadTableChoice();
    m_tableArea->connectionChanged();
    QComboBox &choice = *ui->TblSelCoB;
    const int count = int(m_tableNames.size());
    m_connectionLabel = Regional::system().upperCase(m_connectionLabel);
    setWindowTitle(QStringLiteral("OK..."));
    choice.setCurrentIndex(-1);
    choice.setEditText(QStringLiteral("<vyber tabulku>"));

    ui->tblSB->setPanelText(1, QStringLiteral(" NEČINNÝ [%1]").arg(count));
    ui->clipBtn->setEnabled(false);
    for (QPushButton *button : { ui->recTblBtn, ui->importBtn }) {
        button->setEnabled(false);
        button->show();
    }
    Dataset &table = DM().vrxTbl;
    table.setFiltered(false);
    table.setFilter(QString());
    ui->tFilterE->clear();
    ui->tFilterE->setEnabled(false);

    ui->tFilterBtn->setEnabled(false);
    ui->tSearchE->clear();
    ui->tSearchBtn->setEnabled(false);
    ui->sSearchBtn->setEnabled(false);
    ui->tblChLB->clear();
    for (QPushButton *button : { ui->qtSelectBtn, ui->qtUpdateBtn, ui->qtInsertBtn, ui->qtDeleteBtn,
                                 ui->qGoBtn, ui->saveHistBtn })
        button->setEnabled(false);
    if (ui->tblGB->isHidden())
        ui->tblGB->show();
}

void TvrlForm::loadTableChoice()
{
    m_tableNames = DM().vrlConnect.tableNames();
    QComboBox &choice = *ui->TblSelCoB;
    choice.clear();
    const bool workbook = ui->dbaseRG->itemIndex() == ExcelWorkbook;
    for (const QString &name : std::as_const(m_tableNames)) {
        // Worksheets are opened by their bracketed names.
        choice.addItem(workbook && name.contains(QLatin1Char('$'))
                           ? QLatin1Char('[') + name + QLatin1Char(']')
                           : name);
    }
    const int count = choice.count();
    choice.setMaxVisibleItems(count >= kMostDropDownRows ? kMostDropDownRows : count + 1);
}

void TvrlForm::refreshBtnClick()
{
    Connection &connection = DM().vrlConnect;
    ui->recTblBtn->setEnabled(false);
    connection.close();
    ui->tblSB->setPanelText(1, QStringLiteral(" čekej(te)..."));
    m_vrxQuery.setConnection(nullptr);
    DM().vrxTbl.setConnection(nullptr);
    ui->tFilterE->clear();
    // A failure to reopen reaches the general error report; the datasets stay detached
    // until the next refresh or connect that succeeds.
    connection.open();
    ui->tblSB->setPanelText(1, QStringLiteral(" nečinný"));
    ui->tblChLB->clear();
    ui->importBtn->setEnabled(false);
    if (!connection.isConnected()) {
        prompts().show(PromptKind::Message, QStringLiteral("Není připojena žádná databáze."));
        return;
    }
    m_vrxQuery.setConnection(&connection);
    DM().vrxTbl.setConnection(&connection);
    fillTableList();
}

} // namespace vrl
