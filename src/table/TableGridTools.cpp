// The tools around the table grid: cell capture with a filter proposal, sorting with the
// column sum, the navigator's status, the filter and the search.
#include "table/TableArea.h"

#include "ui_VRLMain.h"

#include "app/VRLMain.h"
#include "basic/GridSearch.h"
#include "basic/Prompts.h"
#include "basic/QueryRunners.h"
#include "basic/TableColumnSum.h"
#include "data/VRLDM.h"
#include "data/access/DataError.h"

#include <QApplication>

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
    const Dataset &table = DM().vrxTbl;
    return QStringLiteral(" %1 * %2. záznam z %3 dostupných")
               .arg(tableName())
               .arg(table.recNo())
               .arg(table.recordCount())
        + (table.isFiltered() ? QStringLiteral(" [filtered]") : QString());
}

QString TableArea::shortPosition() const
{
    const Dataset &table = DM().vrxTbl;
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

void TableArea::tblGridCellClick(int column)
{
    Dataset &table = DM().vrxTbl;
    if (!table.isActive() || column < 0 || column >= table.fieldCount())
        return;
    const Field field = table.field(column);
    m_clickedField = field.name();
    m_clickedCellText = field.text();
    m_capturedValue = m_clickedCellText;
    ui.tFilterE->setText(m_clickedField + QStringLiteral(" = ") + quotedText(m_clickedCellText));
    ui.tFilterBtn->setEnabled(!ui.tFilterE->text().isEmpty());
    setPosition(table.recordCount() < 1 ? noRecordsNamed() : fullPosition());
}

void TableArea::tblGridTitleClick(int column)
{
    Dataset &table = DM().vrxTbl;
    if (!table.isActive() || column < 0 || column >= table.fieldCount())
        return;
    const QString name = table.field(column).name();
    if (name == m_sortColumn)
        m_sortAscending = !m_sortAscending;
    else
        m_sortColumn = name;
    if (!m_sortColumn.isEmpty())
        table.setSort(m_sortColumn
                      + (m_sortAscending ? QStringLiteral(" ASC") : QStringLiteral(" DESC")));
    setPosition(table.recordCount() <= 0 ? noRecords()
                                         : QStringLiteral(" záznamů: %1 (změna třídění - %2)")
                                               .arg(table.recordCount())
                                               .arg(m_sortColumn));
    ui.tblSB->setPanelText(kSumPanel, SumTableColumn(table, DM().impQuery, m_sortColumn));
}

void TableArea::tblNvgClick()
{
    setPosition(DM().vrxTbl.recordCount() < 1 ? noRecords() : fullPosition());
}

void TableArea::tFilterBtnClick()
{
    Dataset &table = DM().vrxTbl;
    try {
        table.setFilter(ui.tFilterE->text());
        table.setFiltered(true);
        QApplication::processEvents();
        table.first();
        setPosition(table.recordCount() >= 1 ? shortPosition() + QStringLiteral(" [filtr]")
                                             : noRecords());
        ui.tblSB->setPanelText(kSumPanel, SumTableColumn(table, DM().impQuery, m_sortColumn));
    } catch (const DataError &error) {
        prompts().show(PromptKind::Message,
                       QStringLiteral("chybný filtr!\n\r[") + error.message() + QLatin1Char(']'));
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
    Dataset &table = DM().vrxTbl;
    if (!table.isFiltered())
        return;
    table.setFiltered(false);
    table.setFilter(QString());
    QApplication::processEvents();
    if (table.isActive())
        table.first();
    setPosition(table.recordCount() < 1 ? noRecords() : shortPosition());
    ui.tblSB->setPanelText(kSumPanel, SumTableColumn(table, DM().impQuery, m_sortColumn));
}

void TableArea::tFilterEExit()
{
    ui.tFilterBtn->setEnabled(!ui.tFilterE->text().isEmpty());
}

void TableArea::tSearchBtnClick()
{
    SearchTableGrid(ui.tSearchE->text(), DM().vrxTbl, *ui.tblGrid, *ui.tblSB, kPositionPanel,
                    *ui.qGauge, true);
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
