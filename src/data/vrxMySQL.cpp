#include "data/vrxMySQL.h"

#include "ui_vrxMySQL.h"

#include "access/ConnectionTemplates.h"
#include "basic/HandlerGuard.h"

namespace vrl {

TvrxMySQLdlg::TvrxMySQLdlg(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::TvrxMySQLdlg>())
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("vrxMySQLdlg"));
    setFixedSize(259, 245);
    move(0, 0); // its designed place: the top left of the screen
    // The title-bar close ends it with Cancel, as QDialog's reject does.
    connect(ui->OKBtn, &QPushButton::clicked, this, guarded([this] { OKBtnClick(); }));
    connect(ui->cancelBtn, &QPushButton::clicked, this, guarded([this] { cancelBtnClick(); }));
}

TvrxMySQLdlg::~TvrxMySQLdlg() = default;

QString TvrxMySQLdlg::serverText() const
{
    return ui->MySEdit->text();
}

QString TvrxMySQLdlg::databaseText() const
{
    return ui->MyDEdit->text();
}

void TvrxMySQLdlg::OKBtnClick()
{
    m_connectionString
        = mySqlOdbc(ui->MySEdit->text(), ui->MyDEdit->text(), ui->MyUEdit->text(),
                    ui->MyPEdit->text(), ui->MyPortEdit->text(), ui->MyIEdit->text());
    done(QDialog::Accepted);
}

void TvrxMySQLdlg::cancelBtnClick()
{
    done(QDialog::Rejected);
}

} // namespace vrl
