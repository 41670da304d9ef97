#pragma once

#include "basic/TitleClickSort.h"
#include "query/ResultExport.h"
#include "query/StatementPresets.h"

#include <QObject>
#include <QString>

#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace vrl {

class DBGrid;
class DBNavigator;
class Dataset;
class StatusBar;
class WorkAreaHost;

// The controls of the query area, handed over by the main window: its group box with the
// result grid and its tools, the SQL editor with its run and history buttons and the statement
// presets beside the table grid, and the preset choice of the left column.
struct QueryAreaControls
{
    QGroupBox *queryGB;
    DBGrid *qGrid;
    DBNavigator *qNvg;
    StatusBar *querySB;
    QCheckBox *qEditChB;
    QCheckBox *qAutoSumChB;
    QLineEdit *qFilterE;
    QPushButton *qFilterBtn;
    QLineEdit *qSearchE;
    QPushButton *qSearchBtn;
    QCheckBox *sqlInListChB;
    QPushButton *qcloseBtn;
    QPlainTextEdit *qMemo;
    QPushButton *qGoBtn;
    QPushButton *saveHistBtn;
    QPushButton *qtSelectBtn;
    QPushButton *qtUpdateBtn;
    QPushButton *qtInsertBtn;
    QPushButton *qtDeleteBtn;
    QComboBox *presetCoB;
    QPushButton *qExpBtn;
    QPushButton *qXMLBtn;
};

// The query area: the SQL editor with its checks and the run command, the statement presets,
// and the result rows of the query dataset in their own grid with its tools (cell capture with
// a filter proposal and its retry, sorting with the auto-sum, the navigator, the search, the
// exports), and the history button that keeps the statement.
//
// A work area as WorkAreaHost describes it: it owns the controls above and works on the query
// dataset that the main window owns; it learns of the table area through the main window.
class QueryArea : public QObject
{
    Q_OBJECT

public:
    // The design heights of the window's client area with and without a shown result.
    static constexpr int kHeightWithResult = 441;
    static constexpr int kHeightWithoutResult = 257;

    QueryArea(WorkAreaHost &host, const QueryAreaControls &controls, Dataset &vrxQuery,
              QObject *parent);

    // Puts the query dataset on the main connection and binds the result grid and its
    // navigator to it; run once the data module exists.
    void bindDataModule();
    // Where the presets read the open table, its checked fields and its filter edit.
    void setPresetSource(std::function<PresetInput()> source)
    {
        m_presetSource = std::move(source);
    }
    // Where the history reads the name of the table chosen in the table choice.
    void setTableChoiceSource(std::function<QString()> source)
    {
        m_tableChoiceSource = std::move(source);
    }
    ResultExport &resultExport() { return m_export; }

    QString clickedField() const { return m_clickedField; }
    QString sortColumn() const { return m_sort.column; }
    bool sortAscending() const { return m_sort.ascending; }

    // What the connect flow asks of the area.
    void firstActivation(); // hidden; the preset choice empty and unusable
    void databaseKindChosen(); // no result, the area hidden, the editor empty
    void connecting(); // the preset choice unusable while a connection is described
    void connectionChanged(); // no table yet: no presets, nothing to run or keep
    void closing(); // the program ends: no result, no presets, an empty editor

    // What the table area's signals mean here.
    void tableChoiceStarted();
    void tableChosen(bool open);
    void fieldsChecked(bool any);

    bool isShown() const;
    void setShown(bool shown);
    // The area follows the client area: its full width, and below the table area the height
    // that is left (a fixed height while it is hidden).
    void fitClientSize(int width, int height);

    void qGoBtnClick();
    void qMemoClick();
    void qMemoExit();
    void qMemoDblClick();
    void qcloseBtnClick();
    void qEditChBClick();
    void qAutoSumChBClick();

    void qGridCellClick(int column);
    void qGridTitleClick(int column);
    void qNvgClick();
    void qFilterBtnClick();
    void qFilterEDblClick();
    void qFilterEExit();
    void qSearchBtnClick();
    void qSearchEExit();

    void qtSelectBtnClick() { writePreset(Preset::Select); }
    void qtUpdateBtnClick() { writePreset(Preset::Update); }
    void qtDeleteBtnClick() { writePreset(Preset::Delete); }
    void qtInsertBtnClick() { writePreset(Preset::Insert); }

    // While a statement waits on the server, the Go button's hint says how to stop it.
    void serverWaiting(bool waiting);

    void qExpBtnClick() { m_export.qExpBtnClick(); }
    void qXMLBtnClick() { m_export.qXMLBtnClick(); }
    void saveHistBtnClick();

signals:
    // A result is shown: the captured value and the table's chosen field name are forgotten.
    void resultShown();
    // A result cell's value, kept for the conversion panel.
    void valueCaptured(const QString &value);

private:
    void connectHandlers();
    void showResult();
    void writePreset(Preset preset);
    // The first panel of the status bar; the second shows the auto-sum.
    void setPosition(const QString &text);
    void showAutoSum();
    // Applies a filter text; throws what the dataset throws.
    void applyFilter(const QString &text);
    QString position(bool withFilterMark) const; // QA, or QB when the filter is on
    QString shortPosition() const; // QC

    WorkAreaHost &m_host;
    const QueryAreaControls ui;
    Dataset &m_vrxQuery;
    std::function<PresetInput()> m_presetSource;
    std::function<QString()> m_tableChoiceSource;
    ResultExport m_export;

    // Remembered for the whole run, across results and connections.
    QString m_clickedField;
    QString m_clickedValue;
    QString m_clickedFilterValue; // the value as the unquoted retry writes it
    QString m_goHint; // the Go button's own hint, while a wait shows another
    TitleClickSort m_sort { QString(), false }; // the first sort is descending
};

} // namespace vrl
