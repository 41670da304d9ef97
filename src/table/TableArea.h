#pragma once

#include <QObject>
#include <QString>

namespace Ui {
class TvrlForm;
}

namespace vrl {

class TvrlForm;

// The "data direct" area of the main window: choosing and refreshing a table, its field list,
// and the tools around its grid (cell capture with a filter proposal, sorting by a title click
// with the column sum, the navigator, the filter and the search).
class TableArea : public QObject
{
    Q_OBJECT

public:
    TableArea(TvrlForm &form, Ui::TvrlForm &ui);

    bool tableChosen() const { return m_tableChosen; }
    QString chosenFieldName() const { return m_chosenFieldName; }
    QString clickedField() const { return m_clickedField; }
    QString capturedValue() const { return m_capturedValue; }
    QString sortColumn() const { return m_sortColumn; }
    bool sortAscending() const { return m_sortAscending; }
    // A new connection: no table chosen, nothing remembered but the last captured value.
    void connectionChanged();

    void TblSelCoBSelect();
    void recTblBtnClick();
    void tblChLBClick();
    void tblChLBDblClick();
    void clipBtnClick();

    void tblGridCellClick(int column);
    void tblGridTitleClick(int column);
    void tblNvgClick();
    void tFilterBtnClick();
    void tFilterEDblClick();
    void tFilterEExit();
    void tSearchBtnClick();
    void tSearchEDblClick();
    void tSearchEExit();

private:
    void connectHandlers();
    void resetRemembered();
    void fillFieldList();
    void setPosition(const QString &text);
    QString tableName() const;
    // The status forms of the record position.
    QString fullPosition() const; // A, or B with the filter on
    QString shortPosition() const; // C
    QString noRecords() const; // E
    QString noRecordsNamed() const; // F

    TvrlForm &m_form;
    Ui::TvrlForm &ui;
    bool m_tableChosen = false;
    QString m_chosenFieldName;
    QString m_clickedField;
    QString m_clickedCellText;
    QString m_capturedValue;
    QString m_sortColumn;
    bool m_sortAscending = true;
};

} // namespace vrl
