#pragma once

#include "access/ConnectionTemplates.h"

#include <QDialog>

#include <memory>

namespace Ui {
class TvrxSQLdlg;
}

namespace vrl {

// The SQL Server connection dialog: server, database, and Windows authentication (optionally
// with a login window) or SQL authentication. It builds one of the four SQL Server connection
// strings for the provider its caller sets (the choice of the main window's menu), lets the user
// edit that string directly, and opens no connection itself. The server and database stay between
// uses; the rest is reset on every showing.
class TvrxSQLdlg : public QDialog
{
    Q_OBJECT

public:
    explicit TvrxSQLdlg(QWidget *parent = nullptr);
    ~TvrxSQLdlg() override;

    // The provider the connection string is built for; each caller sets it before showing
    // the dialog.
    void setProviderChoice(ProviderChoice choice) { m_provider = choice; }

    // The results, kept from one use to the next.
    QString connectionString() const { return m_connectionString; }
    bool loginWindowChoice() const { return m_loginWindow; }
    QString serverText() const;
    QString databaseText() const;

    void FormActivate();
    void aWinRBClick();
    void aSqlRBClick();
    void csEditBtnClick();
    void csEditEExit();
    void OKBtnClick();
    void cancelBtnClick();

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildConnectionString();

    std::unique_ptr<Ui::TvrxSQLdlg> ui;
    QString m_connectionString;
    bool m_loginWindow = false;
    ProviderChoice m_provider = ProviderChoice::OleDb;
};

} // namespace vrl
