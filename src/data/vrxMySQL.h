#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TvrxMySQLdlg;
}

namespace vrl {

// The MySQL connection dialog: six edits, kept from one use to the next, that OK turns into
// the MySQL connection string through the ODBC bridge. Nothing is validated and nothing is
// filled in by the program, not even the port.
class TvrxMySQLdlg : public QDialog
{
    Q_OBJECT

public:
    explicit TvrxMySQLdlg(QWidget *parent = nullptr);
    ~TvrxMySQLdlg() override;

    QString connectionString() const { return m_connectionString; }
    QString serverText() const;
    QString databaseText() const;

    void OKBtnClick();
    void cancelBtnClick();

private:
    std::unique_ptr<Ui::TvrxMySQLdlg> ui;
    QString m_connectionString;
};

} // namespace vrl
