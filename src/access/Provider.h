#pragma once

#include "access/ColumnStore.h"
#include "access/ConnectionString.h"

#include <QStringList>

#include <memory>
#include <vector>

namespace vrl {

// What a connection passes to its provider when it opens.
struct ConnectOptions
{
    int connectionTimeout = 15; // seconds to wait for the server; 0 = no limit
    int commandTimeout = 30; // seconds a statement may run; 0 = no limit
    bool credentialsGiven = false; // user and password below replace those of the string
    QString user;
    QString password;
};

// The outcome of one statement.
struct StatementResult
{
    bool hasRows = false; // a result set came back (maybe with no rows)
    RowStore rows; // its rows, when hasRows
    qint64 rowsAffected = -1; // otherwise; negative when the provider reports none
};

// The SQL a provider's database speaks, where statements the component writes must differ.
enum class SqlDialect { Standard, MySql, SqlServer };

// One kind of database behind a connection. A provider is created closed, opened once, and
// reports every failure as DataError with the driver's or library's message.
class Provider
{
public:
    virtual ~Provider() = default;

    virtual void open(const ConnectionString &string, const ConnectOptions &options) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Plain names of the tables and views, in the catalogue's order.
    virtual QStringList tableNames() = 0;
    // Runs one statement; "?" marks the parameters, which are bound in order.
    virtual StatementResult run(const QString &statement, const std::vector<Value> &parameters = {})
        = 0;
    // Every row of a table, as "SELECT * FROM" it gives them.
    virtual StatementResult readTable(const QString &table) { return run(selectAll(table)); }
    // The statement that selects every row of a table.
    QString selectAll(const QString &table) const
    {
        return QStringLiteral("SELECT * FROM ") + quoteTableName(table);
    }
    // Asks the statement running on another thread to stop (it then fails); safe to call from
    // any thread. resetCancel forgets an earlier request before a new call starts; a request
    // that arrives before the statement starts stops it as soon as it does.
    virtual void cancel() { }
    virtual void resetCancel() { }
    // A source kept in a file may hold the changes of many statements and write the file once
    // for them all: between holdWrites(true) and writeHeld() a statement changes what the
    // connection reads at once, and the file when the held changes are written. A failure of
    // that write throws, and the connection then shows the file as it is. A server writes each
    // statement itself: for it these do nothing.
    virtual void holdWrites(bool hold) { (void)hold; }
    virtual void writeHeld() { }
    // The primary key columns of a table, in key order; empty when it has none.
    virtual QStringList primaryKey(const QString &table) = 0;
    // The key the last INSERT on this connection generated; NULL when none.
    virtual Value lastInsertId() = 0;

    // A table or column name quoted for this provider's SQL. A name already in square
    // brackets (as worksheet names are listed) is kept as it is.
    virtual QString quoteIdentifier(const QString &name) const = 0;
    // A table as tableNames lists it, quoted for this provider's SQL: a SQL Server table of
    // another schema than the user's is listed as "schema.name" and written "[schema].[name]".
    virtual QString quoteTableName(const QString &table) const { return quoteIdentifier(table); }
    // Where conditions the component writes (the column sum's filter) need the server's form.
    virtual SqlDialect sqlDialect() const { return SqlDialect::Standard; }
    // What follows "INSERT INTO table" for a record whose every column takes its default.
    virtual QString allDefaultsClause() const { return QStringLiteral(" DEFAULT VALUES"); }
};

// A table name without the square brackets worksheet names are written in ("[Data$]").
inline QString withoutBrackets(const QString &name)
{
    if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
        return name.mid(1, name.size() - 2);
    return name;
}

// Chooses the provider by the string's "Provider=" value; throws DataError
// "Provider nebyl nalezen: " + name for one it does not know.
std::unique_ptr<Provider> createProvider(const ConnectionString &string);

} // namespace vrl
