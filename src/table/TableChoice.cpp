// Choosing a table, refreshing it, and its field list.
#include "table/TableArea.h"

#include "access/DataError.h"
#include "areas/WorkAreaHost.h"
#include "basic/CheckList.h"
#include "basic/HandlerGuard.h"
#include "basic/Prompts.h"
#include "data/VRLDM.h"
#include "widgets/StatusBar.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

namespace vrl {

void TableArea::resetRemembered()
{
    m_clickedField.clear();
    m_clickedCellText.clear();
    m_sort = TitleClickSort();
}

QString TableArea::tableName() const
{
    return table().commandText();
}

void TableArea::fillFieldList()
{
    ui.tblChLB->clear();
    for (const QString &name : table().fieldNames()) {
        auto *item = new QListWidgetItem(name, ui.tblChLB);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

void TableArea::TblSelCoBSelect()
{
    if (ui.TblSelCoB->currentIndex() < 0)
        return;
    m_tableChosen = true;
    emit tableChoiceStarted();
    Dataset &table = this->table();
    try {
        ui.tblSB->setPanelText(1, QStringLiteral(" Čekej(te)..."));
        ui.tblSB->setPanelText(0, QString());
        QApplication::processEvents();
        table.setFilter(QString());
        table.setFiltered(false);
        resetRemembered();
        m_capturedValue.clear();
        emit valueCaptured(m_capturedValue);
        m_chosenFieldName.clear();
        ui.tFilterE->clear();
        ui.tFilterBtn->setEnabled(false);
        table.close();
        // The entry picked, not whatever was typed into the box.
        table.setCommandText(ui.TblSelCoB->itemText(ui.TblSelCoB->currentIndex()));
        table.open();
        fillFieldList();
        ui.recTblBtn->setEnabled(true);
        ui.recTblBtn->show();
        m_host.setSizeableWindow(true);
        m_host.setClientSize(QSize(WorkAreaHost::kClientWidth, m_host.clientSize().height()));
        ui.tblSB->setPanelText(1,
                               QStringLiteral(" %1 * záznamů: %2, položek: %3")
                                   .arg(tableName())
                                   .arg(table.recordCount())
                                   .arg(ui.tblChLB->count()));
    } catch (const std::exception &failure) {
        m_host.prompts().show(PromptKind::Message,
                              QStringLiteral("Chyba výběru!\n\r[") + failureMessage(failure)
                                  + QLatin1Char(']'));
        ui.tblSB->setPanelText(1, QStringLiteral(" Tabulku se nepodařilo otevřít..."));
    }
    const bool open = table.isActive();
    ui.tFilterE->setEnabled(open);
    ui.recTblBtn->setEnabled(open);
    emit tableOpenChanged(open);
    emit tableChoiceEnded(open, table.commandText());
}

void TableArea::recTblBtnClick()
{
    if (m_host.mainConnectionBusy())
        return;
    Dataset &table = this->table();
    Connection &connection = m_host.dataModule().vrlConnect;
    const QString wanted = table.commandText();
    ui.tblSB->setPanelText(1, QStringLiteral(" čekej(te)..."));
    m_host.dataModule().reopen(connection);
    ui.tblChLB->clear();
    emit tableOpenChanged(false);
    if (!connection.isConnected()) {
        m_host.prompts().show(PromptKind::Message,
                              QStringLiteral("Není připojena žádná databáze."));
    } else {
        loadTableChoice();
        const int found = ui.TblSelCoB->findText(wanted, Qt::MatchExactly | Qt::MatchCaseSensitive);
        int last = found;
        for (int i = found + 1; found >= 0 && i < ui.TblSelCoB->count(); ++i) {
            if (ui.TblSelCoB->itemText(i) == wanted)
                last = i;
        }
        if (last < 0) {
            m_host.prompts().show(PromptKind::Message, wanted + QLatin1Char('?'));
        } else {
            ui.TblSelCoB->setCurrentIndex(last);
            table.setCommandText(ui.TblSelCoB->itemText(last));
            table.open();
            fillFieldList();
            if (table.recordCount() < 1)
                setPosition(noRecordsNamed());
            else
                setPosition(fullPosition());
        }
    }
    emit tableOpenChanged(table.isActive());
}

void TableArea::tblChLBClick()
{
    emit fieldsChecked(AnyItemChecked(*ui.tblChLB));
    if (const QListWidgetItem *item = ui.tblChLB->currentItem())
        m_chosenFieldName = item->text(); // the whole name, however long
    ui.clipBtn->setEnabled(!m_chosenFieldName.isEmpty());
}

void TableArea::tblChLBDblClick()
{
    QListWidget &list = *ui.tblChLB;
    if (list.count() == 0)
        return;
    const Qt::CheckState state
        = list.item(0)->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked;
    for (int i = 0; i < list.count(); ++i)
        list.item(i)->setCheckState(state);
    emit fieldsChecked(AnyItemChecked(list));
}

QStringList TableArea::checkedFieldNames() const
{
    QStringList names;
    for (int i = 0; i < ui.tblChLB->count(); ++i) {
        if (ui.tblChLB->item(i)->checkState() == Qt::Checked)
            names << ui.tblChLB->item(i)->text();
    }
    return names;
}

QString TableArea::filterEditText() const
{
    return ui.tFilterE->text();
}

void TableArea::clipBtnClick()
{
    QApplication::clipboard()->setText(m_chosenFieldName);
}

} // namespace vrl
