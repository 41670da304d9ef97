#pragma once

#include <QDialog>
#include <QStringList>

#include <memory>

class QComboBox;

namespace Ui {
class TdImpForm;
}

namespace vrl {

class TvrxMySQLdlg;
class TvrxSQLdlg;

// The import window: copies rows into the table open in the main window's "data direct" area,
// from an STV file, a workbook sheet, or a table of another SQL Server or MySQL database,
// through field relations the user states or loads from a relation file, in INSERT or
// EDIT/UPDATE mode. It has its own source connection (the data module's diConnect); eXit is
// the only way out. While a run goes on, the commands that would change its source, its
// relations or the connections do nothing.
class TdImpForm : public QDialog
{
    Q_OBJECT

public:
    explicit TdImpForm(QWidget *parent = nullptr);
    ~TdImpForm() override;

    // The connection dialogs the source connect shows; they serve the main window too.
    void setConnectionDialogs(TvrxSQLdlg &sql, TvrxMySQLdlg &mySql);
    // Binds the source grid to the data module's source table; run once the module exists.
    void bindDataModule();

    QString relationFilePath() const { return m_relationFilePath; }
    bool isRunning() const { return m_running; }

    void FormActivate();
    void FormResize();
    void diTypeRGClick();
    void diConnectBtnClick();
    void tblSelCoBSelect();
    void tblGridCellClick();
    void tblNvgClick();
    void tSearchBtnClick();
    void tSearchEDblClick();
    void tSearchEExit();
    void diExitBtnClick();

    // The relation editor.
    void srcXSelect();
    void addBtnClick();
    void addCtrlBtnClick();
    void ctrlFieldsEDblClick();
    void updateGoButton();
    void translateChLBClick();
    void translateChLBDblClick();
    void loadBtnClick();

    // The run.
    void diGoBtnClick();

signals:
    // A run begins and ends: the target table's grid need not follow every row written.
    void runStarted();
    void runEnded();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override; // Escape does not close it: eXit does

private:
    void connectHandlers();
    void resetToInitialState();
    void setSizeable(bool sizeable);
    void fillTableList();
    void fillFieldChoice(QComboBox &choice, const QStringList &names, const QString &kind);
    void showPosition();
    QStringList checkedRelations() const;
    void runTableImport();
    void runStvImport();

    std::unique_ptr<Ui::TdImpForm> ui;
    TvrxSQLdlg *m_sqlDialog = nullptr;
    TvrxMySQLdlg *m_mySqlDialog = nullptr;
    QStringList m_sourceTables;
    QString m_sourceLabel;
    QString m_relationFilePath;
    QString m_sourceTableName; // as listed in the table choice
    bool m_closing = false;
    bool m_sizeable = false;
    bool m_inResize = false;
    bool m_running = false;
    int m_runningType = -1; // the source type of the run going on
};

} // namespace vrl
