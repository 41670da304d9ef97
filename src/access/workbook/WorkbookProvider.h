#pragma once

#include "access/Provider.h"
#include "access/sqlite/SqliteProvider.h"
#include "access/workbook/SheetPatch.h"
#include "access/workbook/WorkbookTables.h"

#include <future>
#include <map>
#include <set>

namespace vrl {

// A spreadsheet workbook as a database: each worksheet a table "Sheet1$", each workbook-level
// named range a table of its name. The tables are read once at opening; statements run on a
// private SQLite database in memory, filled with them in the background after the open; "SELECT TOP
// n" is accepted as the workbook dialect has it. UPDATE and INSERT change the .xlsx file itself at
// once: only the changed cells are rewritten and the file is replaced safely, keeping its mode and
// owner; deleting rows is refused, as is writing an .xls, a read-only file, or a file that someone
// changed since it was read. A table that cannot be loaded is listed and fails with its reason when
// used.
class WorkbookProvider : public Provider
{
public:
    void open(const ConnectionString &string, const ConnectOptions &options) override;
    void close() override;
    bool isOpen() const override { return m_mirror.isOpen(); }
    QStringList tableNames() override;
    // A table's rows as they are held already, without a round through the embedded database.
    StatementResult readTable(const QString &table) override;
    StatementResult run(const QString &statement,
                        const std::vector<Value> &parameters = {}) override;
    QStringList primaryKey(const QString &table) override;
    Value lastInsertId() override;
    QString quoteIdentifier(const QString &name) const override;
    void cancel() override { m_mirror.cancel(); }
    void resetCancel() override { m_mirror.resetCancel(); }
    // While held, each change is checked and shown at once and the file is written once, by
    // writeHeld, for all of them; a failure of that write reads the file again.
    void holdWrites(bool hold) override { m_holding = hold; }
    void writeHeld() override;

    // "Provider=Microsoft.Jet.OLEDB.*" or "Microsoft.ACE.OLEDB.*" with an Excel property.
    static bool handles(const ConnectionString &string);

private:
    struct Change
    {
        QString table;
        qint64 rowid;
    };
    struct WrittenCell
    {
        const workbook::WorkbookTable *table;
        int row;
        int column;
        Value value;
    };
    struct StoreUpdate
    {
        workbook::WorkbookTable *table;
        size_t row;
        std::vector<Value> values;
    };
    // What changed rows make of the tables held here.
    struct TableUpdates
    {
        std::vector<StoreUpdate> updates;
        std::vector<WrittenCell> written;
        std::set<workbook::WorkbookTable *> headed; // header rows filled in
    };
    // What changed rows make of the file: its patched sheets and the named ranges that grow.
    struct FileChanges
    {
        std::map<QString, workbook::SheetPatch> patches; // by part: sheets sharing data share it
        std::map<QString, int> grownRanges; // range name -> its new last row
    };

    StatementResult write(const QString &statement, const std::vector<Value> &parameters);
    // Writes the changed rows into the file (or holds them, see holdWrites); fileWritten turns
    // true once the file holds them.
    void writeBack(const std::vector<Change> &changes, bool &fileWritten);
    // Checks and converts the changed rows and adds their cells to the file's changes; throws
    // before it adds anything when a row does not fit.
    TableUpdates stageChanges(const std::vector<Change> &changes, FileChanges &file);
    void writeFile(FileChanges &file);
    void applyToTables(const TableUpdates &changes);
    // Refuses to write over a file that someone changed since it was read or written here.
    void requireFileUnchanged() const;
    // A value in its column's type, as it goes into the file; throws a Czech DataError naming
    // the value and the column when it does not fit.
    Value fileValue(const Value &value, const FieldInfo &field,
                    const workbook::WorkbookTable &table) const;
    void shareWrittenCells(const std::vector<WrittenCell> &written);
    workbook::WorkbookTable &tableNamed(const QString &name);
    // Waits for the embedded database's filling to end; a table it could not take fails from
    // then on with its reason.
    void awaitMirror();
    QString fileName() const;

    workbook::WorkbookData m_layout; // the workbook without its cells
    std::vector<workbook::WorkbookTable> m_tables;
    SqliteProvider m_mirror;
    // The file as it was read or last written, to notice someone else's changes.
    QDateTime m_modified;
    qint64 m_size = -1;
    // Writes held for one write of the file, and what the connection was opened with, to read
    // the file again when that write fails.
    bool m_holding = false;
    FileChanges m_held;
    ConnectionString m_openedWith;
    ConnectOptions m_openOptions;
    // The embedded database's filling after the open: the tables it could not take, by name
    // and reason. Last, so that it ends before the members it uses go.
    std::future<std::vector<std::pair<QString, QString>>> m_mirrorFill;
};

// "SELECT [DISTINCT] TOP n ..." as "SELECT [DISTINCT] ... LIMIT n"; other text unchanged.
QString withoutTop(const QString &statement);
// Every "CONVERT(datetime,'d.m.yyyy',4)" (day, month and year with dots; a two-digit year
// means 1950 to 2049) as the date literal 'yyyy-MM-dd' that the workbook's columns read; throws
// DataError for a text that is no such date. Other text unchanged.
QString withoutConvert(const QString &statement);

} // namespace vrl
