// The main window's way from nothing to an open database: the database choice, the connect
// and refresh commands, the table list and the connection label.
#include "app/VRLMain.h"

#include "ui_VRLMain.h"

#include "access/ConnectionTemplates.h"
#include "access/DataError.h"
#include "app/ProgramSettings.h"
#include "basic/ConnectionLabel.h"
#include "basic/Prompts.h"
#include "data/VRLDM.h"
#include "data/vrxMySQL.h"
#include "data/vrxSQL.h"
#include "query/QueryArea.h"
#include "regional/Regional.h"
#include "table/TableArea.h"

#include <QApplication>
#include <QFileInfo>

namespace vrl {

namespace {

// Kinds of database, by index of the database choice.
enum Kind { SqlServer = 0, MySql = 1, ExcelWorkbook = 2, OpenCalcWorkbook = 3 };

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
    if (mainConnectionBusy()) {
        // The choice stays where the running search found it.
        ui->dbaseRG->setItemIndex(settings.lastDatabaseChoice);
        return;
    }
    if (m_tableArea->isShown() && choice == settings.lastDatabaseChoice)
        return;
    settings.lastDatabaseChoice = choice;

    ui->connectBtn->show();
    // Only the four kinds of database enable the connect button; "disconnect" does not.
    ui->connectBtn->setEnabled(unsigned(choice) <= 3);

    ui->vlImgBW->show();
    ui->vlImgC->hide();

    m_tableArea->databaseKindChosen();
    m_queryArea->databaseKindChosen();

    setSizeableWindow(false);
    setWindowTitle(QStringLiteral("OFF"));

    ui->refreshBtn->setEnabled(false);
    ui->importBtn->setEnabled(false);
}

void TvrlForm::connectBtnClick()
{
    if (programSettings().closing || mainConnectionBusy())
        return;
    m_tableArea->connecting();
    m_queryArea->connecting();
    Connection &connection = DM().vrlConnect;
    if (connection.isConnected())
        connection.close();
    for (QPushButton *button : { ui->importBtn, ui->refreshBtn }) {
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
        // Also attaches the datasets again that a failed refresh left detached.
        DM().reopen(connection);
    } catch (const DataError &error) {
        prompts().show(PromptKind::Message,
                       QStringLiteral("chyba připojení:\n\r[") + error.message()
                           + QLatin1Char(']'));
        return;
    }
    ui->refreshBtn->setEnabled(true);
    ui->refreshBtn->show();
    fillTableList();
}

bool TvrlForm::describeConnection(int kind)
{
    Connection &connection = DM().vrlConnect;
    switch (kind) {
    case SqlServer:
        m_sqlDialog->setProviderChoice(programSettings().providerChoice);
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
    m_queryArea->setShown(false);
    m_tableArea->setShown(false);
    FormResize();
}

void TvrlForm::fillTableList()
{
    ui->vlImgBW->hide();
    ui->vlImgC->show();
    m_tableArea->connectionChanged(ui->dbaseRG->itemIndex() == ExcelWorkbook);
    m_queryArea->connectionChanged();
    m_connectionLabel = Regional::system().upperCase(m_connectionLabel);
    setWindowTitle(QStringLiteral("OK..."));
    ui->importBtn->setEnabled(false);
    ui->importBtn->show();
}

void TvrlForm::refreshBtnClick()
{
    if (mainConnectionBusy())
        return;
    Connection &connection = DM().vrlConnect;
    m_tableArea->refreshStarted();
    // A failure to reopen reaches the general error report; the datasets stay detached
    // until the next refresh or connect that succeeds.
    DM().reopen(connection);
    m_tableArea->refreshEnded();
    ui->importBtn->setEnabled(false);
    if (!connection.isConnected()) {
        prompts().show(PromptKind::Message, QStringLiteral("Není připojena žádná databáze."));
        return;
    }
    fillTableList();
}

} // namespace vrl
