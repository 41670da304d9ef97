#pragma once

#include "data/access/Dataset.h"

#include <QMainWindow>
#include <QStringList>

#include <memory>

class QAction;

namespace Ui {
class TvrlForm;
}

namespace vrl {

class TableArea;
class TvrxMySQLdlg;
class TvrxSQLdlg;

// The main window: the left control column, the "data direct" and "query" work areas, the
// menu, the first activation, the layout rules on resize and the exit command.
class TvrlForm : public QMainWindow
{
    Q_OBJECT

public:
    explicit TvrlForm(QWidget *parent = nullptr);
    ~TvrlForm() override;

    // Design size of the client area and the heights of its two states.
    static constexpr int kClientWidth = 894;
    static constexpr int kHeightWithoutQuery = 257;
    static constexpr int kMinHeightWithQuery = 441;

    // Binds the query dataset and the grids to the data module; run once it exists.
    void bindDataModule();
    // The connection dialogs the connect command shows; created after the main window.
    void setConnectionDialogs(TvrxSQLdlg &sql, TvrxMySQLdlg &mySql);
    Dataset &vrxQuery() { return m_vrxQuery; }

    const QStringList &tableNames() const { return m_tableNames; }
    QString connectionLabel() const { return m_connectionLabel; }
    TableArea &tableArea() { return *m_tableArea; }
    // Replaces the table-name list with the main connection's tables and fills the table
    // choice with them, worksheets of a workbook in brackets.
    void loadTableChoice();

    // The client area: the window without its menu bar.
    QSize clientSize() const;
    void setClientSize(const QSize &size);
    bool isSizeableWindow() const { return m_sizeable; }
    // Sizeable border without automatic sizing, or single border with automatic sizing.
    void setSizeableWindow(bool sizeable);

    void FormActivate();
    void FormResize();
    void dbaseRGClick();
    void connectBtnClick();
    void refreshBtnClick();
    void exitMItemClick();
    void tpXMItemClick(QAction *sender);

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    void connectHandlers();
    void loadPictures();
    int menuHeight() const;
    void fillTableList();
    void connectCancelled();
    // The connection details of the chosen kind into the main connection; false when the
    // user cancelled.
    bool describeConnection(int kind);

    std::unique_ptr<Ui::TvrlForm> ui;
    Dataset m_vrxQuery { Dataset::Kind::Query };
    QStringList m_tableNames;
    QString m_connectionLabel;
    TableArea *m_tableArea = nullptr;
    TvrxSQLdlg *m_sqlDialog = nullptr;
    TvrxMySQLdlg *m_mySqlDialog = nullptr;
    bool m_sizeable = false;
    bool m_inResize = false;
};

} // namespace vrl
