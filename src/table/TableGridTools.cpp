// The tools around the table grid: cell capture with a filter proposal, sorting with the
// column sum, the navigator's status, the filter and the search.
#include "table/TableArea.h"

#include "access/DataError.h"
#include "areas/WorkAreaHost.h"
#include "basic/Prompts.h"
#include "basic/QueryRunners.h"
#include "basic/TableColumnSum.h"
#include "basic/TitleClickSort.h"
#include "data/VRLDM.h"
#include "data/controls/DBGrid.h"
#include "data/controls/GridSearch.h"
#include "widgets/StatusBar.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

namespace vrl {

namespace {

constexpr int kSumPanel = 0;
constexpr int kPositionPanel = 1;

} // namespace

void TableArea::setPosition(const QString &text)
{
    ui.tblSB->setPanelText(kPositionPanel, text);
}

QString TableArea::fullPosition() const
{
    const Dataset &table = this->table();
    return QStringLiteral(" %1 * %2. záznam z %3 dostupných")
               .arg(tableName())
               .arg(table.recNo())
               .arg(table.recordCount())
        + (table.isFiltered() ? QStringLiteral(" [filtered]") : QString());
}

QString TableArea::shortPosition() const
{
    const Dataset &table = this->table();
    return QStringLiteral(" %1. záznam z %2").arg(table.recNo()).arg(table.recordCount());
}

QString TableArea::noRecords() const
{
    return QStringLiteral(" (žádné záznamy)");
}

QString TableArea::noRecordsNamed() const
{
    return QLatin1Char(' ') + tableName() + QStringLiteral(" (žádné záznamy)");
}

void TableArea::showColumnSum()
{
    ui.tblSB->setPanelText(kSumPanel,
                           SumTableColumn(table(), m_host.dataModule().impQuery, m_sort.column));
}

void TableArea::tblGridCellClick(int column)
{
    Dataset &table = this->table();
    if (!table.isActive() || column < 0 || column >= table.fieldCount())
        return;
    const Field field = table.field(column);
    m_clickedField = field.name();
    m_clickedCellText = field.text();
    m_capturedValue = m_clickedCellText;
    emit valueCaptured(m_capturedValue);
    ui.tFilterE->setText(m_clickedField + QStringLiteral(" = ") + quotedText(m_clickedCellText));
    ui.tFilterBtn->setEnabled(!ui.tFilterE->text().isEmpty());
    setPosition(table.recordCount() < 1 ? noRecordsNamed() : fullPosition());
}

void TableArea::tblGridTitleClick(int column)
{
    Dataset &table = this->table();
    if (!table.isActive() || column < 0 || column >= table.fieldCount())
        return;
    const TitleClickSort sort = m_sort.clicked(table.field(column).name());
    if (!sort.column.isEmpty())
        table.setSort(sort.expression()); // a failure goes on to the general error report
    m_sort = sort;
    setPosition(table.recordCount() <= 0 ? noRecords()
                                         : QStringLiteral(" záznamů: %1 (změna třídění - %2)")
                                               .arg(table.recordCount())
                                               .arg(m_sort.column));
    showColumnSum();
}

void TableArea::tblNvgClick()
{
    setPosition(table().recordCount() < 1 ? noRecords() : fullPosition());
}

void TableArea::tFilterBtnClick()
{
    Dataset &table = this->table();
    try {
        table.setFilter(ui.tFilterE->text());
        table.setFiltered(true);
        QApplication::processEvents();
        table.first();
        setPosition(table.recordCount() >= 1 ? shortPosition() + QStringLiteral(" [filtr]")
                                             : noRecords());
        showColumnSum();
    } catch (const DataError &error) {
        m_host.prompts().show(PromptKind::Message,
                              QStringLiteral("chybný filtr!\n\r[") + error.message()
                                  + QLatin1Char(']'));
        table.setFiltered(false);
        table.setFilter(QString());
        if (table.isActive())
            table.first();
        ui.tFilterBtn->setEnabled(false);
        tblNvgClick();
        ui.tFilterE->setFocus();
    }
}

void TableArea::tFilterEDblClick()
{
    ui.tFilterE->clear();
    ui.tFilterBtn->setEnabled(false);
    Dataset &table = this->table();
    if (!table.isFiltered())
        return;
    table.setFiltered(false);
    table.setFilter(QString());
    QApplication::processEvents();
    if (table.isActive())
        table.first();
    setPosition(table.recordCount() < 1 ? noRecords() : shortPosition());
    showColumnSum();
}

void TableArea::tFilterEExit()
{
    ui.tFilterBtn->setEnabled(!ui.tFilterE->text().isEmpty());
}

void TableArea::tSearchBtnClick()
{
    SearchTableGrid(ui.tSearchE->text(), table(), *ui.tblGrid, *ui.tblSB, kPositionPanel,
                    m_host.gauge(), true);
}

void TableArea::tSearchEDblClick()
{
    ui.tSearchE->clear();
}

void TableArea::tSearchEExit()
{
    const bool text = !ui.tSearchE->text().isEmpty();
    ui.sSearchBtn->setEnabled(text);
    ui.tSearchBtn->setEnabled(text && m_tableChosen);
    if (ui.tSearchBtn->isEnabled())
        ui.tSearchBtn->setFocus();
    else if (ui.sSearchBtn->isEnabled())
        ui.sSearchBtn->setFocus();
}

} // namespace vrl
