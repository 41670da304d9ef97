#pragma once

#include "data/access/Provider.h"
#include "data/access/sqlite/SqliteProvider.h"
#include "data/access/workbook/WorkbookTables.h"

namespace vrl {

// A spreadsheet workbook as a database: each worksheet a table "Sheet1$", each workbook-level
// named range a table of its name. The tables are read once at opening into a private SQLite
// database in memory, where statements run; "SELECT TOP n" is accepted as the workbook dialect
// has it.
class WorkbookProvider : public Provider
{
public:
    void open(const ConnectionString &string, const ConnectOptions &options) override;
    void close() override;
    bool isOpen() const override { return m_mirror.isOpen(); }
    QStringList tableNames() override;
    StatementResult run(const QString &statement,
                        const std::vector<Value> &parameters = {}) override;
    QStringList primaryKey(const QString &table) override;
    Value lastInsertId() override;
    QString quoteIdentifier(const QString &name) const override;

    // "Provider=Microsoft.Jet.OLEDB.*" or "Microsoft.ACE.OLEDB.*" with an Excel property.
    static bool handles(const ConnectionString &string);

private:
    QString m_path;
    std::vector<workbook::WorkbookTable> m_tables;
    SqliteProvider m_mirror;
};

// "SELECT [DISTINCT] TOP n ..." as "SELECT [DISTINCT] ... LIMIT n"; other text unchanged.
QString withoutTop(const QString &statement);

} // namespace vrl
