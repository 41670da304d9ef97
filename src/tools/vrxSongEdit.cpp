#include "tools/vrxSongEdit.h"

#include "ui_vrxSongEdit.h"

#include "basic/HandlerGuard.h"

#include <QKeyEvent>

namespace vrl {

namespace {

// The fields of the table, in the order the controls are bound.
const char *const kFields[] = { "SBCISLO", "SBNAZEV",  "SBINTERPRET", "SBTONINA",
                                "SBLINK",  "SBSOUNDS", "SBCHORDS",    "SBNOTE" };

} // namespace

TsbForm::TsbForm(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::TsbForm>())
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("sbForm"));
    // A fixed single border without title-bar buttons, sized to its contents.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(size());
    connect(ui->sbConnectBtn, &QPushButton::clicked, this,
            guarded([this] { sbConnectBtnClick(); }));
    connect(ui->sbExitBtn, &QPushButton::clicked, this, guarded([this] { sbExitBtnClick(); }));
}

TsbForm::~TsbForm() = default;

void TsbForm::setDataset(Dataset &table)
{
    for (DBEdit *edit :
         { ui->sbCisloE, ui->sbNazevE, ui->sbInterpretE, ui->sbToninaE, ui->sbLinkE })
        edit->setDataset(&table);
    for (DBMemo *memo : { ui->sbSoundsM, ui->sbChordsM, ui->sbNoteM })
        memo->setDataset(&table);
}

void TsbForm::bindFields(bool bound)
{
    const auto field = [bound](int index) {
        return bound ? QString::fromLatin1(kFields[index]) : QString();
    };
    ui->sbCisloE->setDataField(field(0));
    ui->sbNazevE->setDataField(field(1));
    ui->sbInterpretE->setDataField(field(2));
    ui->sbToninaE->setDataField(field(3));
    ui->sbLinkE->setDataField(field(4));
    ui->sbSoundsM->setDataField(field(5));
    ui->sbChordsM->setDataField(field(6));
    ui->sbNoteM->setDataField(field(7));
}

void TsbForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    guarded([this] { FormActivate(); })();
}

void TsbForm::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        guarded([this] { sbExitBtnClick(); })();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TsbForm::FormActivate()
{
    if (!m_freshStart)
        return;
    m_freshStart = false;
    bindFields(false);
    ui->sbConnectBtn->setEnabled(true);
    ui->sbConnectBtn->setFocus();
}

void TsbForm::sbConnectBtnClick()
{
    bindFields(true);
    ui->sbConnectBtn->setEnabled(false);
}

void TsbForm::sbExitBtnClick()
{
    bindFields(false);
    ui->sbConnectBtn->setEnabled(true);
    accept();
}

} // namespace vrl
