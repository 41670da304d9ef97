#pragma once

#include "access/Provider.h"
#include "access/odbc/OdbcConnectionString.h"
#include "access/odbc/OdbcHandles.h"
#include "access/odbc/OdbcResultReader.h"

#include <atomic>
#include <mutex>
#include <optional>

namespace vrl {

// SQL Server and MySQL/MariaDB through the ODBC driver manager (unixODBC, wide-character API).
class OdbcProvider : public Provider
{
public:
    OdbcProvider() = default;
    // Not connected, but writing SQL for a server of this kind: the statements the program
    // builds can be checked without the server.
    explicit OdbcProvider(odbc::Dialect dialect)
        : m_dialect(dialect)
    { }
    ~OdbcProvider() override;

    void open(const ConnectionString &string, const ConnectOptions &options) override;
    void close() override;
    bool isOpen() const override { return m_connected; }
    QStringList tableNames() override;
    StatementResult run(const QString &statement,
                        const std::vector<Value> &parameters = {}) override;
    // A MariaDB/MySQL table in parts (see readTableInParts), anything else whole.
    StatementResult readTable(const QString &table) override;
    QStringList primaryKey(const QString &table) override;
    Value lastInsertId() override;
    QString quoteIdentifier(const QString &name) const override;
    QString quoteTableName(const QString &table) const override;
    SqlDialect sqlDialect() const override;
    QString allDefaultsClause() const override;
    void cancel() override;
    void resetCancel() override;

    odbc::Dialect dialect() const { return m_dialect; }
    // Rows of one part of a table read in parts; tests choose small parts.
    void setTablePartRows(int rows) { m_tablePartRows = rows; }
    // The names of the drivers registered with the driver manager.
    static QStringList registeredDrivers();
    // Where the last table read in parts spent its time, in milliseconds: the first part
    // executed and received, the parts fetched and converted into columns, and the waits for
    // a next part that had not arrived by then. A figure for the benchmark.
    struct PartTimes
    {
        int parts = 0;
        double firstMs = 0;
        double convertMs = 0;
        double waitMs = 0;
    };
    PartTimes lastPartTimes() const { return m_partTimes; }

private:
    // A statement executing or being fetched, which cancel() can reach from another thread;
    // it throws at once when a stop was asked for before it began.
    class Running
    {
    public:
        Running(OdbcProvider &provider, SQLHSTMT statement);
        ~Running();
        Running(const Running &) = delete;
        Running &operator=(const Running &) = delete;

    private:
        OdbcProvider &m_provider;
        SQLHSTMT m_statement;
    };
    [[noreturn]] static void stopped();

    odbc::StmtHandle newStatement();
    // The statement prepared for this text, from the cache when it was prepared before, so
    // that a statement repeated row after row (an import's INSERT, an edit's UPDATE) costs one
    // round trip to the server instead of three.
    odbc::StmtHandle preparedStatement(const QString &statement);
    void keepPrepared(const QString &statement, odbc::StmtHandle handle);
    QString currentCatalog();
    // The user's default schema of a SQL Server database (dbo when the server does not say),
    // asked once a connection.
    QString defaultSchema();
    // MariaDB's driver holds a whole result in memory before the first row is fetched, beside
    // the program's own copy. A table whose one-column primary key orders its rows (InnoDB's
    // clustered key) is therefore read in parts of m_tablePartRows rows by that key, within one
    // consistent snapshot (a key that is no integer or text: all at once); empty when the table is
    // not of that kind.
    std::optional<StatementResult> readTableInParts(const QString &table);
    // One part executed, its rows held by the driver, not yet fetched.
    struct TablePart
    {
        odbc::StmtHandle handle;
        bool limited = true; // at most m_tablePartRows rows; otherwise all the rest
        std::optional<Value> last; // the part's last key when it was read before the fetch
    };
    // The part after the key (from the first row without one): m_tablePartRows rows, or all
    // of them when limited is false or the key cannot bound a part. Touches nothing of the
    // provider but the connection, so that it may run on another thread.
    TablePart executeTablePart(const QString &table, const QString &keyName,
                               const std::optional<Value> &after, bool limited);
    void readPartsAfterEachOther(const QString &table, const QString &keyName, RowStore &rows,
                                 SQLLEN expectedRows);

    odbc::EnvHandle m_env;
    odbc::DbcHandle m_dbc;
    PartTimes m_partTimes;
    // The statements prepared last, newest first; freed before the connection goes.
    std::vector<std::pair<QString, odbc::StmtHandle>> m_prepared;
    // Text comes as UTF-8 from MySQL and MariaDB connections whose character set is UTF-8
    // (the default this provider gives them), as UTF-16 from any other.
    odbc::TextEncoding textEncoding() const
    {
        return m_dialect == odbc::Dialect::MySql && m_utf8Text ? odbc::TextEncoding::Utf8
                                                               : odbc::TextEncoding::Wide;
    }

    std::mutex m_runningMutex;
    std::vector<SQLHSTMT> m_running; // the statements cancel() reaches
    std::atomic<bool> m_cancelled { false };

    bool m_connected = false;
    QString m_defaultSchema; // empty until asked
    bool m_utf8Text = false;
    odbc::Dialect m_dialect = odbc::Dialect::Other;
    int m_commandTimeout = 30;
    int m_tablePartRows = 32768;
    QString m_quote = QStringLiteral("\"");
};

} // namespace vrl
