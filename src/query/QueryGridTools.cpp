// The tools around the result grid: cell capture with a filter proposal, sorting with the
// auto-sum, the navigator's status, the filter with its retry, and the search.
#include "query/QueryArea.h"

#include "access/Dataset.h"
#include "areas/WorkAreaHost.h"
#include "basic/HandlerGuard.h"
#include "basic/Prompts.h"
#include "basic/QueryColumnSum.h"
#include "basic/QueryRunners.h"
#include "basic/TableColumnSum.h"
#include "basic/TitleClickSort.h"
#include "data/controls/DBGrid.h"
#include "data/controls/GridSearch.h"
#include "regional/Regional.h"
#include "widgets/StatusBar.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

namespace vrl {

namespace {

constexpr int kPositionPanel = 0;
constexpr int kSumPanel = 1;

const QString kNoRecords = QStringLiteral(" (žádné záznamy)"); // QE

} // namespace

void QueryArea::setPosition(const QString &text)
{
    ui.querySB->setPanelText(kPositionPanel, text);
}

QString QueryArea::position(bool withFilterMark) const
{
    return QStringLiteral(" %1. záznam z %2 dostupných")
               .arg(m_vrxQuery.recNo())
               .arg(m_vrxQuery.recordCount())
        + (withFilterMark && m_vrxQuery.isFiltered() ? QStringLiteral(" [filtered]") : QString());
}

QString QueryArea::shortPosition() const
{
    return QStringLiteral(" %1. záznam z %2").arg(m_vrxQuery.recNo()).arg(m_vrxQuery.recordCount());
}

void QueryArea::showAutoSum()
{
    if (ui.qAutoSumChB->isChecked())
        ui.querySB->setPanelText(kSumPanel,
                                 SumQueryColumn(m_vrxQuery, m_host.gauge(), m_sort.column));
}

void QueryArea::qGridCellClick(int column)
{
    if (!m_vrxQuery.isActive() || column < 0 || column >= m_vrxQuery.fieldCount())
        return;
    const Field field = m_vrxQuery.field(column);
    m_clickedField = field.name(); // the whole name, however long
    m_clickedValue = field.text();
    m_clickedFilterValue = m_clickedValue;
    // The unquoted retry compares a number, which the filter reads with a decimal point only.
    if (isSummable(field.type()))
        m_clickedFilterValue.replace(Regional::system().decimalSeparator(), QLatin1Char('.'));
    emit valueCaptured(m_clickedValue);
    ui.qFilterE->setText(m_clickedField + QStringLiteral(" = ") + quotedText(m_clickedValue));
    ui.qFilterBtn->setEnabled(!ui.qFilterE->text().isEmpty());
    setPosition(position(true));
}

void QueryArea::qGridTitleClick(int column)
{
    if (!m_vrxQuery.isActive() || column < 0 || column >= m_vrxQuery.fieldCount())
        return;
    const TitleClickSort sort = m_sort.clicked(m_vrxQuery.field(column).name());
    if (!sort.column.isEmpty())
        m_vrxQuery.setSort(sort.expression()); // a failure goes on to the general error report
    m_sort = sort;
    setPosition(QStringLiteral(" záznamů: %1 (změna třídění - %2)")
                    .arg(m_vrxQuery.recordCount())
                    .arg(m_sort.column));
    showAutoSum();
}

void QueryArea::qNvgClick()
{
    setPosition(m_vrxQuery.recordCount() < 1 ? kNoRecords : position(true));
}

void QueryArea::applyFilter(const QString &text)
{
    m_vrxQuery.setFilter(text);
    m_vrxQuery.setFiltered(true);
    QApplication::processEvents();
    m_vrxQuery.first();
    setPosition(m_vrxQuery.recordCount() >= 1 ? shortPosition() + QStringLiteral(" [filtrováno]")
                                              : kNoRecords);
    showAutoSum();
}

void QueryArea::qFilterBtnClick()
{
    try {
        applyFilter(ui.qFilterE->text());
        return;
    } catch (const std::exception &) {
        // Retried below with the last clicked cell compared without apostrophes.
    }
    try {
        ui.qFilterE->setText(m_clickedField + QStringLiteral(" = ") + m_clickedFilterValue);
        applyFilter(ui.qFilterE->text());
    } catch (const std::exception &failure) {
        m_host.prompts().show(PromptKind::Message,
                              QStringLiteral("chybný filtr!\n\r[") + failureMessage(failure)
                                  + QLatin1Char(']'));
        m_vrxQuery.setFilter(QString());
        m_vrxQuery.setFiltered(false);
        if (m_vrxQuery.isActive())
            m_vrxQuery.first();
        setPosition(m_vrxQuery.recordCount() >= 1 ? shortPosition() : kNoRecords);
    }
}

void QueryArea::qFilterEDblClick()
{
    ui.qFilterE->clear();
    if (!m_vrxQuery.isFiltered())
        return;
    m_vrxQuery.setFiltered(false);
    m_vrxQuery.setFilter(QString());
    QApplication::processEvents();
    if (m_vrxQuery.isActive())
        m_vrxQuery.first();
    ui.qFilterBtn->setEnabled(false);
    setPosition(m_vrxQuery.recordCount() < 1 ? kNoRecords : shortPosition());
    showAutoSum();
}

void QueryArea::qFilterEExit()
{
    ui.qFilterBtn->setEnabled(!ui.qFilterE->text().isEmpty());
}

void QueryArea::qSearchBtnClick()
{
    SearchQueryGrid(ui.qSearchE->text(), m_vrxQuery, *ui.qGrid, *ui.querySB, m_host.gauge(), true);
}

void QueryArea::qSearchEExit()
{
    ui.qSearchBtn->setEnabled(!ui.qSearchE->text().isEmpty());
    if (ui.qSearchBtn->isEnabled())
        ui.qSearchBtn->setFocus();
}

} // namespace vrl
