#pragma once

#include "access/Provider.h"

#include <atomic>
#include <functional>

struct sqlite3;
struct sqlite3_stmt;

namespace vrl {

// A SQLite database file ("Provider=SQLite;Data Source=path"). The file must exist: a mistyped
// path is an error, not a new empty database.
class SqliteProvider : public Provider
{
public:
    SqliteProvider() = default;
    ~SqliteProvider() override;

    void open(const ConnectionString &string, const ConnectOptions &options) override;
    void close() override;
    bool isOpen() const override { return m_db != nullptr; }
    QStringList tableNames() override;
    StatementResult run(const QString &statement,
                        const std::vector<Value> &parameters = {}) override;
    QStringList primaryKey(const QString &table) override;
    Value lastInsertId() override;
    QString quoteIdentifier(const QString &name) const override;
    void cancel() override;
    void resetCancel() override { m_cancelled = false; }

    // A private database in memory, for providers that keep their data in one.
    void openInMemory();
    // Appends every row of the store to a table of the same columns, in one transaction.
    void insertRows(const QString &table, const RowStore &rows);
    // Whether a statement only reads; throws DataError when it does not compile.
    bool isReadOnly(const QString &statement);
    // Tells every row that statements insert, update or delete (SQLITE_INSERT, ...) until it
    // is set to nothing.
    using ChangeObserver = std::function<void(int operation, const QString &table, qint64 rowid)>;
    void observeChanges(ChangeObserver observer);

private:
    [[noreturn]] void fail(const QString &context) const;
    void bindValue(sqlite3_stmt *statement, int at, const Value &value) const;
    // One cell of a result's column, bound as bindValue would bind its value.
    void bindCell(sqlite3_stmt *statement, int at, const Column &column, size_t row) const;
    sqlite3 &db() const;

    sqlite3 *m_db = nullptr;
    std::atomic<bool> m_cancelled { false };
    ChangeObserver m_observer;
};

} // namespace vrl
