#pragma once

#include "access/Dataset.h"
#include "areas/WorkAreaHost.h"

#include <QMainWindow>
#include <QStringList>

#include <memory>

class QAction;

namespace Ui {
class TvrlForm;
}

namespace vrl {

class ConversionPanel;
class QueryArea;
class TdImpForm;
class SuperSearch;
class TableArea;
class TvrlhForm;
class ThtmlView;
class TsbForm;
class TvrxMySQLdlg;
class TvrxSQLdlg;
class WindowServerWait;

// The main window: the left control column with the connect flow, the menu, the first
// activation, the layout rules on resize and the exit command. It puts the work areas
// together ("data direct" and "query"), hands each its controls, serves them as their host and
// routes what one area does to another.
class TvrlForm : public QMainWindow, public WorkAreaHost
{
    Q_OBJECT

public:
    explicit TvrlForm(QWidget *parent = nullptr);
    ~TvrlForm() override;

    // Heights of the client area in its two states.
    static constexpr int kHeightWithoutQuery = 257;
    static constexpr int kMinHeightWithQuery = 441;

    // Binds the work areas to the data module; run once it exists.
    void bindDataModule();
    // The connection dialogs the connect command shows; created after the main window.
    void setConnectionDialogs(TvrxSQLdlg &sql, TvrxMySQLdlg &mySql);
    // The import window the import button opens; created after the main window.
    void setImportWindow(TdImpForm &window);
    // The wait on the server: the Go button's hint follows it, and a close during it stops the
    // statement first.
    void setServerWait(WindowServerWait &wait);
    // The history viewer that the history menu item opens; created after the main window.
    void setHistoryViewer(TvrlhForm &viewer) { m_historyViewer = &viewer; }
    Dataset &vrxQuery() { return m_vrxQuery; }
    // The record editor and the help viewer that the tools menu opens; created after the data
    // module.
    void setToolWindows(TsbForm &songEditor, ThtmlView &helpViewer);

    const QStringList &tableNames() const;
    QString connectionLabel() const { return m_connectionLabel; }
    // The value that a click on a grid cell captured last, for the conversion panel.
    QString capturedValue() const { return m_capturedValue; }
    TableArea &tableArea() { return *m_tableArea; }
    QueryArea &queryArea() { return *m_queryArea; }
    SuperSearch &superSearch() { return *m_superSearch; }
    ConversionPanel &conversionPanel() { return *m_conversionPanel; }

    // The work areas' host.
    TDM &dataModule() override;
    Prompts &prompts() override;
    QProgressBar &gauge() override;
    QSize clientSize() const override;
    void setClientSize(const QSize &size) override;
    void setSizeableWindow(bool sizeable) override;
    void relayout() override { FormResize(); }
    bool mainConnectionBusy() const override;
    bool isSizeableWindow() const { return m_sizeable; }

    void FormActivate();
    void FormResize();
    void dbaseRGClick();
    void connectBtnClick();
    void refreshBtnClick();
    void importBtnClick();
    void exitMItemClick();
    void tpXMItemClick(QAction *sender);
    void gHistoryMItemClick();
    void ghelpMItemClick();
    void songbaseMItemClick();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    void createAreas();
    void connectHandlers();
    void tableChosen(bool open, const QString &name);
    // The table chosen in the table choice; empty while none is.
    QString chosenTableName() const;
    void loadPictures();
    int menuHeight() const;
    void fillTableList();
    void connectCancelled();
    // The connection details of the chosen kind into the main connection; false when the
    // user cancelled.
    bool describeConnection(int kind);

    std::unique_ptr<Ui::TvrlForm> ui;
    Dataset m_vrxQuery { Dataset::Kind::Query };
    QString m_connectionLabel;
    QString m_capturedValue;
    TableArea *m_tableArea = nullptr;
    QueryArea *m_queryArea = nullptr;
    WindowServerWait *m_serverWait = nullptr;
    SuperSearch *m_superSearch = nullptr;
    ConversionPanel *m_conversionPanel = nullptr;
    TsbForm *m_sbForm = nullptr;
    ThtmlView *m_htmlView = nullptr;
    TvrxSQLdlg *m_sqlDialog = nullptr;
    TvrxMySQLdlg *m_mySqlDialog = nullptr;
    TdImpForm *m_importWindow = nullptr;
    TvrlhForm *m_historyViewer = nullptr;
    bool m_sizeable = false;
    bool m_inResize = false;
};

} // namespace vrl
