#pragma once

#include "basic/TitleClickSort.h"

#include <QObject>
#include <QString>
#include <QStringList>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace vrl {

class DBGrid;
class DBNavigator;
class Dataset;
class StatusBar;
class TDM;
class WorkAreaHost;

// The controls of the "data direct" area, handed over by the main window: its group box with
// the table grid and its tools, and the table choice and refresh button of the left column.
struct TableAreaControls
{
    QGroupBox *tblGB;
    QComboBox *TblSelCoB;
    QPushButton *recTblBtn;
    QListWidget *tblChLB;
    QPushButton *clipBtn;
    DBGrid *tblGrid;
    DBNavigator *tblNvg;
    QLineEdit *tFilterE;
    QPushButton *tFilterBtn;
    QLineEdit *tSearchE;
    QPushButton *tSearchBtn;
    QPushButton *sSearchBtn;
    StatusBar *tblSB;
};

// The "data direct" area of the main window: choosing and refreshing a table, its field list,
// and the tools around its grid (cell capture with a filter proposal, sorting by a title click
// with the column sum, the navigator, the filter and the search).
//
// A work area as WorkAreaHost describes it: it owns the controls above and the table-name
// list; what it means to the other areas leaves it as the signals below.
class TableArea : public QObject
{
    Q_OBJECT

public:
    TableArea(WorkAreaHost &host, const TableAreaControls &controls, QObject *parent);

    // Binds the table grid and its navigator to the data module's table; run once it exists.
    void bindDataModule();

    bool tableChosen() const { return m_tableChosen; }
    QString chosenFieldName() const { return m_chosenFieldName; }
    QString clickedField() const { return m_clickedField; }
    QString capturedValue() const { return m_capturedValue; }
    QString sortColumn() const { return m_sort.column; }
    bool sortAscending() const { return m_sort.ascending; }
    // The checked fields of the field list, in list order, and the filter edit's text as it
    // stands: what the statement presets are written from.
    QStringList checkedFieldNames() const;
    QString filterEditText() const;
    void forgetChosenField() { m_chosenFieldName.clear(); }
    // The main connection's tables in the order the connection lists them.
    const QStringList &tableNames() const { return m_tableNames; }

    // What the connect flow asks of the area.
    void firstActivation(); // hidden, with an empty, hidden table choice
    void databaseKindChosen(); // the table closed, the area hidden, the table choice emptied
    void connecting(); // a new connection is about to be described and opened
    // The main connection is open (connected or refreshed): the table choice lists its tables
    // (a workbook's worksheets in brackets) and the area shows with its commands reset. Nothing
    // is remembered but the last captured value.
    void connectionChanged(bool workbook);
    void refreshStarted(); // the main connection is about to be opened anew
    void refreshEnded(); // ... and the attempt is over, whether it connected or not
    void closeTable(); // the program is closing
    // The grid and the navigator stop following the table while another window writes many
    // rows into it, and show them all when they are attached again.
    void detachGrid();
    void attachGrid();
    void clearTableNames() { m_tableNames.clear(); }

    bool isShown() const;
    void setShown(bool shown);
    // The area's width and its grid's follow the width of the window's client area.
    void fitWidth(int clientWidth);
    // Replaces the table-name list with the main connection's tables and fills the table
    // choice with them.
    void loadTableChoice();

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

signals:
    // A table choice begins; it ends with tableChoiceEnded, whether the table opened or not.
    void tableChoiceStarted();
    void tableChoiceEnded(bool open, const QString &name);
    // The table is open, or no longer open; the import works only while it is.
    void tableOpenChanged(bool open);
    // Whether any field of the field list is checked.
    void fieldsChecked(bool any);
    // A grid cell's value, kept for the conversion panel; empty when a new table forgets it.
    void valueCaptured(const QString &value);

private:
    void connectHandlers();
    void resetRemembered();
    void fillFieldList();
    void setPosition(const QString &text);
    // The sum of the sort column, over the rows the filter lets through, in the status bar.
    void showColumnSum();
    Dataset &table() const;
    QString tableName() const;
    // The status forms of the record position.
    QString fullPosition() const; // A, or B with the filter on
    QString shortPosition() const; // C
    QString noRecords() const; // E
    QString noRecordsNamed() const; // F

    WorkAreaHost &m_host;
    const TableAreaControls ui;
    QStringList m_tableNames;
    bool m_workbook = false;
    bool m_tableChosen = false;
    QString m_chosenFieldName;
    QString m_clickedField;
    QString m_clickedCellText;
    QString m_capturedValue;
    TitleClickSort m_sort;
};

} // namespace vrl
