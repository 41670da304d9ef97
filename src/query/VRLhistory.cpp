#include "query/VRLhistory.h"

#include "ui_VRLhistory.h"

#include "basic/AnsiText.h"
#include "basic/HandlerGuard.h"
#include "basic/Prompts.h"
#include "query/QueryHistory.h"
#include "widgets/EventHooks.h"

#include <QFileInfo>
#include <QTextCursor>

namespace vrl {

TvrlhForm::TvrlhForm(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , ui(std::make_unique<Ui::TvrlhForm>())
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("vrlhForm"));
    setFixedSize(size());
    connect(ui->vrlhFindBtn, &QPushButton::clicked, this, guarded([this] { vrlhFindBtnClick(); }));
    connect(ui->vrlhCloseBtn, &QPushButton::clicked, this,
            guarded([this] { vrlhCloseBtnClick(); }));
    onDoubleClick(*ui->FindE, guarded([this] { FindEDblClick(); }));
    onFocusOut(*ui->FindE, guarded([this] { FindEExit(); }));
}

TvrlhForm::~TvrlhForm() = default;

void TvrlhForm::showHistory(const QString &presetText, const QString &tableName)
{
    const QString path = historyFilePath(presetText);
    if (!QFileInfo::exists(path)) {
        // The preset text sits between two blanks, so an empty one leaves two in a row.
        prompts().show(PromptKind::Message,
                       QStringLiteral("Soubor historie ") + presetText
                           + QStringLiteral(" není k dispozici."));
        return;
    }
    ui->VRLHistEdit->setPlainText(readAnsiLines(path).join(QLatin1Char('\n')));
    ui->FindE->setText(tableName);
    ui->vrlhFindBtn->setEnabled(!tableName.isEmpty());
    m_findPosition = 0;
    prompts().runModal(*this);
}

void TvrlhForm::vrlhFindBtnClick()
{
    const QString wanted = ui->FindE->text();
    const qsizetype found = wanted.isEmpty()
        ? -1
        : ui->VRLHistEdit->toPlainText().indexOf(wanted, m_findPosition, Qt::CaseInsensitive);
    if (found < 0) {
        prompts().show(PromptKind::Message, QStringLiteral("Prohledávání dokončeno."));
        m_findPosition = 0;
        return;
    }
    ui->VRLHistEdit->setFocus();
    QTextCursor selection(ui->VRLHistEdit->document());
    selection.setPosition(int(found));
    selection.setPosition(int(found + wanted.size()), QTextCursor::KeepAnchor);
    ui->VRLHistEdit->setTextCursor(selection);
    m_findPosition = int(found) + 1;
}

void TvrlhForm::FindEDblClick()
{
    ui->FindE->clear();
    ui->vrlhFindBtn->setEnabled(false);
}

void TvrlhForm::FindEExit()
{
    ui->vrlhFindBtn->setEnabled(!ui->FindE->text().isEmpty());
    m_findPosition = 0;
}

void TvrlhForm::vrlhCloseBtnClick()
{
    accept();
}

} // namespace vrl
