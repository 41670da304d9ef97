#pragma once

#include <QObject>

class QComboBox;
class QGroupBox;
class QPlainTextEdit;
class QPushButton;

namespace vrl {

class DBGrid;
class DBNavigator;
class Dataset;
class WorkAreaHost;

// The controls of the query area, handed over by the main window: its group box with the
// result grid, the SQL editor with its run and history buttons and the statement presets
// beside the table grid, and the preset choice of the left column.
struct QueryAreaControls
{
    QGroupBox *queryGB;
    DBGrid *qGrid;
    DBNavigator *qNvg;
    QPlainTextEdit *qMemo;
    QPushButton *qGoBtn;
    QPushButton *saveHistBtn;
    QPushButton *qtSelectBtn;
    QPushButton *qtUpdateBtn;
    QPushButton *qtInsertBtn;
    QPushButton *qtDeleteBtn;
    QComboBox *presetCoB;
};

// The query area: the SQL editor and the statement presets, and the result rows of the query
// dataset in their own grid.
//
// A work area as WorkAreaHost describes it: it owns the controls above and works on the query
// dataset that the main window owns; it learns of the table area through the main window.
class QueryArea : public QObject
{
    Q_OBJECT

public:
    QueryArea(WorkAreaHost &host, const QueryAreaControls &controls, Dataset &vrxQuery,
              QObject *parent);

    // Puts the query dataset on the main connection and binds the result grid and its
    // navigator to it; run once the data module exists.
    void bindDataModule();

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

private:
    WorkAreaHost &m_host;
    const QueryAreaControls ui;
    Dataset &m_vrxQuery;
};

} // namespace vrl
