#include "data/vrxSQL.h"

#include "ui_vrxSQL.h"

#include "access/ConnectionTemplates.h"
#include "basic/ControlColours.h"
#include "basic/HandlerGuard.h"

#include <QFocusEvent>

namespace vrl {

TvrxSQLdlg::TvrxSQLdlg(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , ui(std::make_unique<Ui::TvrxSQLdlg>())
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("vrxSQLdlg"));
    setFixedSize(259, 244);

    // The two radio buttons are not exclusive by themselves, so that the reset can clear
    // both; a click selects one and clears the other.
    connect(ui->aWinRB, &QRadioButton::clicked, this, guarded([this] {
                ui->aWinRB->setChecked(true);
                ui->aSqlRB->setChecked(false);
                aWinRBClick();
            }));
    connect(ui->aSqlRB, &QRadioButton::clicked, this, guarded([this] {
                ui->aSqlRB->setChecked(true);
                ui->aWinRB->setChecked(false);
                aSqlRBClick();
            }));
    connect(ui->csEditBtn, &QPushButton::clicked, this, guarded([this] { csEditBtnClick(); }));
    connect(ui->OKBtn, &QPushButton::clicked, this, guarded([this] { OKBtnClick(); }));
    connect(ui->cancelBtn, &QPushButton::clicked, this, guarded([this] { cancelBtnClick(); }));
    ui->csEditE->installEventFilter(this);
}

TvrxSQLdlg::~TvrxSQLdlg() = default;

QString TvrxSQLdlg::serverText() const
{
    return ui->DSEdit->text();
}

QString TvrxSQLdlg::databaseText() const
{
    return ui->CTEdit->text();
}

void TvrxSQLdlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (parentWidget())
        move(parentWidget()->geometry().center() - rect().center());
    guarded([this] { FormActivate(); })();
}

bool TvrxSQLdlg::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->csEditE && event->type() == QEvent::FocusOut
        && static_cast<QFocusEvent *>(event)->reason() != Qt::ActiveWindowFocusReason)
        guarded([this] { csEditEExit(); })();
    return QDialog::eventFilter(watched, event);
}

void TvrxSQLdlg::FormActivate()
{
    setInputUsable(*ui->CTEdit, true);
    setInputUsable(*ui->DSEdit, true);
    ui->aWinRB->setChecked(false);
    ui->aSqlRB->setChecked(false);
    for (QLineEdit *edit : { ui->aSqlLoginE, ui->aSqlPswdE }) {
        edit->clear();
        setInputUsable(*edit, false);
    }
    ui->wPromptChB->setChecked(false);
    ui->wPromptChB->setEnabled(false);
    ui->csEditE->clear();
    setInputUsable(*ui->csEditE, false);
}

void TvrxSQLdlg::aWinRBClick()
{
    for (QLineEdit *edit : { ui->aSqlLoginE, ui->aSqlPswdE }) {
        edit->clear();
        setInputUsable(*edit, false);
    }
    ui->wPromptChB->setEnabled(true);
    ui->wPromptChB->setChecked(false);
    ui->wPromptChB->setFocus();
}

void TvrxSQLdlg::aSqlRBClick()
{
    setInputUsable(*ui->aSqlLoginE, true);
    setInputUsable(*ui->aSqlPswdE, true);
    ui->wPromptChB->setEnabled(false);
    ui->wPromptChB->setChecked(false);
    ui->aSqlLoginE->setFocus();
}

void TvrxSQLdlg::buildConnectionString()
{
    const bool ncl10 = m_provider == ProviderChoice::Ncl10;
    const QString server = ui->DSEdit->text();
    const QString database = ui->CTEdit->text();
    if (ui->aWinRB->isChecked()) {
        m_connectionString = ncl10 ? sqlServerNcl10WindowsAuth(server, database)
                                   : sqlServerOleDbWindowsAuth(server, database);
    } else {
        // SQL authentication, also when no mode was chosen at all.
        const QString login = ui->aSqlLoginE->text();
        const QString password = ui->aSqlPswdE->text();
        m_connectionString = ncl10 ? sqlServerNcl10SqlAuth(server, database, login, password)
                                   : sqlServerOleDbSqlAuth(server, database, login, password);
    }
    m_loginWindow = ui->wPromptChB->isChecked();
}

void TvrxSQLdlg::csEditBtnClick()
{
    buildConnectionString();
    ui->csEditE->setText(m_connectionString);
    setInputUsable(*ui->csEditE, true);
}

void TvrxSQLdlg::csEditEExit()
{
    m_connectionString = ui->csEditE->text();
    ui->OKBtn->setFocus();
}

void TvrxSQLdlg::OKBtnClick()
{
    if (ui->csEditE->isEnabled())
        m_connectionString = ui->csEditE->text();
    else
        buildConnectionString();
    m_loginWindow = ui->wPromptChB->isChecked();
    done(QDialog::Accepted);
}

void TvrxSQLdlg::cancelBtnClick()
{
    done(QDialog::Rejected);
}

} // namespace vrl
