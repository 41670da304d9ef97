#pragma once

#include <QObject>

class QLineEdit;
class QPushButton;
class QWidget;

namespace vrl {

class StatusBar;
class WorkAreaHost;

// The controls the database-wide search works with, handed over by the main window: its
// button, and the table area's search edit, status bar and grid, which it shares.
struct SuperSearchControls
{
    QPushButton *sSearchBtn;
    QLineEdit *tSearchE;
    StatusBar *tblSB;
    QWidget *tblGrid;
};

// The search for a text through every table and view of the main connection, record by record
// in the search dataset, stopping at each hit to ask whether to go on. It reports through the
// table area's status bar, the gauge and message boxes, and shows no record in any grid.
//
// While it runs, pending window messages run too; isRunning() then tells the commands that
// would start it again or touch the main connection to do nothing.
class SuperSearch : public QObject
{
    Q_OBJECT

public:
    SuperSearch(WorkAreaHost &host, const SuperSearchControls &controls, QObject *parent);

    bool isRunning() const { return m_running; }

    void sSearchBtnClick();

private:
    void run();

    WorkAreaHost &m_host;
    const SuperSearchControls ui;
    bool m_running = false;
};

} // namespace vrl
