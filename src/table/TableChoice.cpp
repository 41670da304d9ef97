// Choosing a table, refreshing it, and its field list.
#include "table/TableArea.h"

#include "ui_VRLMain.h"

#include "app/VRLMain.h"
#include "basic/CheckList.h"
#include "basic/HandlerGuard.h"
#include "basic/Prompts.h"
#include "data/VRLDM.h"
#include "data/access/DataError.h"
#include "widgets/EventHooks.h"

#include <QApplication>
#include <QClipboard>

namespace vrl {

TableArea::TableArea(TvrlForm &form, Ui::TvrlForm &ui)
    : QObject(&form)
    , m_form(form)
    , ui(ui)
{
    connectHandlers();
}

void TableArea::connectHandlers()
{
    connect(ui.TblSelCoB, &QComboBox::activated, this, guarded([this] { TblSelCoBSelect(); }));
    connect(ui.recTblBtn, &QPushButton::clicked, this, guarded([this] { recTblBtnClick(); }));
    connect(ui.tblChLB, &QListWidget::itemClicked, this, guarded([this] { tblChLBClick(); }));
    connect(ui.tblChLB, &QListWidget::itemDoubleClicked, this,
            guarded([this] { tblChLBDblClick(); }));
    connect(ui.clipBtn, &QPushButton::clicked, this, guarded([this] { clipBtnClick(); }));
    connect(ui.tblGrid, &DBGrid::cellClicked, this,
            guarded([this](int column) { tblGridCellClick(column); }));
    connect(ui.tblGrid, &DBGrid::titleClicked, this,
            guarded([this](int column) { tblGridTitleClick(column); }));
    connect(ui.tblNvg, &DBNavigator::clicked, this, guarded([this] { tblNvgClick(); }));
    connect(ui.tFilterBtn, &QPushButton::clicked, this, guarded([this] { tFilterBtnClick(); }));
    connect(ui.tSearchBtn, &QPushButton::clicked, this, guarded([this] { tSearchBtnClick(); }));
    onDoubleClick(*ui.tFilterE, guarded([this] { tFilterEDblClick(); }));
    onFocusOut(*ui.tFilterE, guarded([this] { tFilterEExit(); }));
    onDoubleClick(*ui.tSearchE, guarded([this] { tSearchEDblClick(); }));
    onFocusOut(*ui.tSearchE, guarded([this] { tSearchEExit(); }));
}

void TableArea::resetRemembered()
{
    m_clickedField.clear();
    m_clickedCellText.clear();
    m_sortColumn.clear();
    m_sortAscending = true;
}

void TableArea::connectionChanged()
{
    m_tableChosen = false;
    resetRemembered();
}

QString TableArea::tableName() const
{
    return DM().vrxTbl.commandText();
}

void TableArea::fillFieldList()
{
    ui.tblChLB->clear();
    for (const QString &name : DM().vrxTbl.fieldNames()) {
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
    ui.qGoBtn->setEnabled(false);
    ui.saveHistBtn->setEnabled(false);
    Dataset &table = DM().vrxTbl;
    try {
        ui.tblSB->setPanelText(1, QStringLiteral(" Čekej(te)..."));
        ui.tblSB->setPanelText(0, QString());
        QApplication::processEvents();
        table.setFilter(QString());
        table.setFiltered(false);
        resetRemembered();
        m_capturedValue.clear();
        m_chosenFieldName.clear();
        ui.tFilterE->clear();
        ui.tFilterBtn->setEnabled(false);
        table.close();
        // The entry picked, not whatever was typed into the box.
        table.setCommandText(ui.TblSelCoB->itemText(ui.TblSelCoB->currentIndex()));
        table.open();
        fillFieldList();
        for (QPushButton *button : { ui.recTblBtn, ui.importBtn }) {
            button->setEnabled(true);
            button->show();
        }
        m_form.setSizeableWindow(true);
        m_form.setClientSize(QSize(TvrlForm::kClientWidth, m_form.clientSize().height()));
        ui.tblSB->setPanelText(1,
                               QStringLiteral(" %1 * záznamů: %2, položek: %3")
                                   .arg(tableName())
                                   .arg(table.recordCount())
                                   .arg(ui.tblChLB->count()));
    } catch (const std::exception &failure) {
        const auto *error = dynamic_cast<const DataError *>(&failure);
        prompts().show(PromptKind::Message,
                       QStringLiteral("Chyba výběru!\n\r[")
                           + (error ? error->message() : QString::fromLocal8Bit(failure.what()))
                           + QLatin1Char(']'));
        ui.tblSB->setPanelText(1, QStringLiteral(" Tabulku se nepodařilo otevřít..."));
    }
    m_form.setWindowTitle(QLatin1Char('[') + m_form.connectionLabel() + QLatin1Char(']'));
    const bool open = table.isActive();
    for (QWidget *control :
         std::initializer_list<QWidget *> { ui.tFilterE, ui.recTblBtn, ui.importBtn, ui.qtSelectBtn,
                                            ui.qtUpdateBtn, ui.qtInsertBtn, ui.qtDeleteBtn })
        control->setEnabled(open);
    // The record editor knows this one table, by its exact name.
    ui.songbaseMItem->setEnabled(open && table.commandText() == QLatin1String("SONGBASE"));
}

void TableArea::recTblBtnClick()
{
    Dataset &table = DM().vrxTbl;
    Connection &connection = DM().vrlConnect;
    const QString wanted = table.commandText();
    connection.close();
    ui.tblSB->setPanelText(1, QStringLiteral(" čekej(te)..."));
    m_form.vrxQuery().setConnection(nullptr);
    table.setConnection(nullptr);
    connection.open();
    ui.tblChLB->clear();
    ui.importBtn->setEnabled(false);
    if (!connection.isConnected()) {
        prompts().show(PromptKind::Message, QStringLiteral("Není připojena žádná databáze."));
    } else {
        m_form.vrxQuery().setConnection(&connection);
        table.setConnection(&connection);
        m_form.loadTableChoice();
        const int found = ui.TblSelCoB->findText(wanted, Qt::MatchExactly | Qt::MatchCaseSensitive);
        int last = found;
        for (int i = found + 1; found >= 0 && i < ui.TblSelCoB->count(); ++i) {
            if (ui.TblSelCoB->itemText(i) == wanted)
                last = i;
        }
        if (last < 0) {
            prompts().show(PromptKind::Message, wanted + QLatin1Char('?'));
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
    ui.importBtn->setEnabled(table.isActive());
}

void TableArea::tblChLBClick()
{
    ui.qtInsertBtn->setEnabled(AnyItemChecked(*ui.tblChLB));
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
    ui.qtInsertBtn->setEnabled(AnyItemChecked(list));
}

void TableArea::clipBtnClick()
{
    QApplication::clipboard()->setText(m_chosenFieldName);
}

} // namespace vrl
