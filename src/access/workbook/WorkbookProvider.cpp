#include "access/workbook/WorkbookProvider.h"

#include "access/DataError.h"
#include "access/workbook/PackageParts.h"
#include "access/workbook/PackageWriter.h"
#include "access/workbook/SheetPatch.h"
#include "access/workbook/WorkbookFile.h"
#include "access/workbook/XlsxReader.h"
#include "access/workbook/ZipArchive.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <map>
#include <optional>
#include <set>

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vrl {

using namespace workbook;

namespace {

QString sqlType(FieldType type)
{
    switch (type) {
    case FieldType::Double:
        return QStringLiteral("DOUBLE");
    case FieldType::DateTime:
        return QStringLiteral("DATETIME");
    case FieldType::Bool:
        return QStringLiteral("BOOLEAN");
    default:
        return QStringLiteral("TEXT");
    }
}

CellWrite cellWriteOf(const Value &value, bool date1904)
{
    CellWrite cell;
    if (value.isNull())
        return cell;
    switch (*value.type()) {
    case FieldType::Bool:
        cell.kind = CellWrite::Kind::Bool;
        cell.number = value.asBool() ? 1 : 0;
        break;
    case FieldType::DateTime:
        cell.kind = CellWrite::Kind::Number;
        cell.number = serialOfDate(value.asDateTime(), date1904);
        break;
    case FieldType::Int:
    case FieldType::Double:
    case FieldType::Decimal:
        cell.kind = CellWrite::Kind::Number;
        cell.number = *value.toNumber();
        break;
    default:
        cell.kind = CellWrite::Kind::Text;
        cell.text = value.toText();
        break;
    }
    return cell;
}

QString typeName(FieldType type)
{
    switch (type) {
    case FieldType::Double:
        return QStringLiteral("číslo");
    case FieldType::DateTime:
        return QStringLiteral("datum a čas");
    case FieldType::Bool:
        return QStringLiteral("logická hodnota");
    default:
        return QStringLiteral("text");
    }
}

// A file that editors treat as read-only: this user may not write it, or nobody may (root
// may write anything, yet a file without any write bit is meant to stay as it is).
bool isMarkedReadOnly(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat info;
    if (::stat(name.constData(), &info) != 0)
        return false; // a missing file is reported as changed on disk
    return ::access(name.constData(), W_OK) != 0 || (info.st_mode & 0222) == 0;
}

} // namespace

QString withoutTop(const QString &statement)
{
    static const QRegularExpression top(
        QStringLiteral("^(\\s*SELECT\\s+(?:DISTINCT\\s+)?)TOP\\s+(\\d+)\\s+"),
        QRegularExpression::CaseInsensitiveOption);
    const auto match = top.match(statement);
    if (!match.hasMatch())
        return statement;
    QString rest = statement.mid(match.capturedEnd()).trimmed();
    while (rest.endsWith(QLatin1Char(';')))
        rest.chop(1);
    return match.captured(1) + rest + QStringLiteral(" LIMIT ") + match.captured(2);
}

QString withoutConvert(const QString &statement)
{
    static const QRegularExpression convert(
        QStringLiteral("CONVERT\\s*\\(\\s*datetime\\s*,\\s*'((?:[^']|'')*)'\\s*,\\s*4\\s*\\)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression dotted(
        QStringLiteral("^\\s*(\\d{1,2})\\.(\\d{1,2})\\.(\\d{2}|\\d{4})\\s*$"));
    QString result;
    qsizetype from = 0;
    for (auto matches = convert.globalMatch(statement); matches.hasNext();) {
        const auto match = matches.next();
        const QString text = match.captured(1).replace(QLatin1String("''"), QLatin1String("'"));
        const auto parts = dotted.match(text);
        QDate date;
        if (parts.hasMatch()) {
            int year = parts.captured(3).toInt();
            if (parts.captured(3).size() == 2)
                year += year < 50 ? 2000 : 1900;
            date = QDate(year, parts.captured(2).toInt(), parts.captured(1).toInt());
        }
        if (!date.isValid())
            throw DataError(
                QStringLiteral("Text '%1' není datum ve tvaru den.měsíc.rok.").arg(text));
        result += statement.mid(from, match.capturedStart() - from) + QLatin1Char('\'')
            + date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('\'');
        from = match.capturedEnd();
    }
    return from == 0 ? statement : result + statement.mid(from);
}

bool WorkbookProvider::handles(const ConnectionString &string)
{
    const QString provider = string.value(QStringLiteral("Provider"));
    const bool engine
        = provider.startsWith(QLatin1String("Microsoft.Jet.OLEDB"), Qt::CaseInsensitive)
        || provider.startsWith(QLatin1String("Microsoft.ACE.OLEDB"), Qt::CaseInsensitive);
    return engine
        && string.value(QStringLiteral("Extended Properties"))
               .contains(QLatin1String("Excel"), Qt::CaseInsensitive);
}

void WorkbookProvider::open(const ConnectionString &string, const ConnectOptions &options)
{
    close();
    m_openedWith = string;
    m_openOptions = options;
    const QString path = string.value(QStringLiteral("Data Source"));
    if (path.isEmpty())
        throw DataError(
            QStringLiteral("V připojovacím řetězci chybí Data Source (soubor sešitu)."));
    const QString real = QFileInfo(path).canonicalFilePath().isEmpty()
        ? path
        : QFileInfo(path).canonicalFilePath();
    // What a writer that died before its rename left beside the workbook goes now.
    workbook::removeAbandonedTemporaries(real);
    WorkbookData book = readWorkbook(real);
    std::vector<WorkbookTable> tables = buildTables(book);
    m_mirror.openInMemory();
    // A table that cannot be loaded is listed still, and fails with its reason when it is
    // used; the other tables of the workbook stay usable.
    std::vector<size_t> created;
    for (size_t t = 0; t < tables.size(); ++t) {
        WorkbookTable &table = tables[t];
        if (!table.failure.isEmpty())
            continue;
        try {
            QStringList columns;
            for (const FieldInfo &field : table.rows.fields())
                columns << quoteIdentifier(field.name) + QLatin1Char(' ') + sqlType(field.type);
            m_mirror.run(QStringLiteral("CREATE TABLE ") + quoteIdentifier(table.name)
                         + QStringLiteral(" (") + columns.join(QStringLiteral(", "))
                         + QLatin1Char(')'));
            created.push_back(t);
        } catch (const DataError &error) {
            table.failure = error.message();
            table.rows = RowStore();
        }
    }
    // The tables hold the values now; the layout is what writing needs besides.
    for (Sheet &sheet : book.sheets)
        std::vector<CellRecord>().swap(sheet.cells);
    book.texts.clear();
    m_layout = std::move(book);
    m_tables = std::move(tables);
    const QFileInfo file(m_layout.path);
    m_modified = file.lastModified();
    m_size = file.size();

    // The embedded database is filled on a thread of its own: a sheet's table opens from the
    // rows held here without waiting for it, and every statement waits for it (awaitMirror).
    // Nothing changes the tables meanwhile: changes are statements.
    m_mirrorFill = std::async(std::launch::async, [this, created = std::move(created)] {
        std::vector<std::pair<QString, QString>> failures;
        for (const size_t t : created) {
            const WorkbookTable &table = m_tables[t];
            try {
                m_mirror.insertRows(table.name, table.rows);
            } catch (const DataError &error) {
                failures.emplace_back(table.name, error.message());
            } catch (const std::bad_alloc &) {
                failures.emplace_back(table.name, QStringLiteral("Na tabulku nestačí paměť."));
            }
        }
        return failures;
    });
}

void WorkbookProvider::awaitMirror()
{
    if (!m_mirrorFill.valid())
        return;
    for (const auto &[name, message] : m_mirrorFill.get()) {
        WorkbookTable &table = tableNamed(name);
        table.failure = message;
        table.rows = RowStore();
        try {
            m_mirror.run(QStringLiteral("DROP TABLE IF EXISTS ") + quoteIdentifier(name));
        } catch (const DataError &) {
            // an empty table is what a statement on it would then see
        }
    }
}

QString WorkbookProvider::fileName() const
{
    return QFileInfo(m_layout.path).fileName();
}

void WorkbookProvider::close()
{
    if (m_mirrorFill.valid())
        m_mirrorFill.wait();
    m_mirrorFill = {};
    m_mirror.close();
    m_tables.clear();
    m_layout = WorkbookData();
    m_held = FileChanges();
}

QStringList WorkbookProvider::tableNames()
{
    QStringList names;
    for (const WorkbookTable &table : m_tables)
        names << table.name;
    return names;
}

StatementResult WorkbookProvider::run(const QString &statement,
                                      const std::vector<Value> &parameters)
{
    const QString sql = withoutConvert(withoutTop(statement));
    awaitMirror();
    try {
        if (m_mirror.isReadOnly(sql))
            return m_mirror.run(sql, parameters);
    } catch (const DataError &error) {
        // A statement on a table that could not be loaded fails with that table's reason.
        for (const WorkbookTable &table : m_tables) {
            if (!table.failure.isEmpty() && sql.contains(table.name, Qt::CaseInsensitive))
                throw DataError(QStringLiteral("Tabulku %1 ze sešitu %2 nelze načíst: %3")
                                    .arg(table.name, fileName(), table.failure));
        }
        throw;
    }
    return write(sql, parameters);
}

StatementResult WorkbookProvider::readTable(const QString &table)
{
    const QString name = withoutBrackets(table);
    for (const WorkbookTable &held : m_tables) {
        if (held.failure.isEmpty() && held.name.compare(name, Qt::CaseInsensitive) == 0) {
            StatementResult result;
            result.hasRows = true;
            result.rowsAffected = -1;
            result.rows = held.rows;
            return result;
        }
    }
    // Unknown, or one that could not be loaded: the statement says why.
    return Provider::readTable(table);
}

WorkbookTable &WorkbookProvider::tableNamed(const QString &name)
{
    for (WorkbookTable &table : m_tables) {
        if (table.name.compare(name, Qt::CaseInsensitive) == 0)
            return table;
    }
    throw DataError(QStringLiteral("Tabulka %1 v sešitu není.").arg(name));
}

StatementResult WorkbookProvider::write(const QString &sql, const std::vector<Value> &parameters)
{
    static const QRegularExpression deletion(QStringLiteral("^\\s*DELETE\\b"),
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression change(QStringLiteral("^\\s*(UPDATE|INSERT)\\b"),
                                           QRegularExpression::CaseInsensitiveOption);
    if (deletion.match(sql).hasMatch())
        throw DataError(QStringLiteral("Ze sešitu %1 nelze mazat řádky.").arg(fileName()));
    if (!change.match(sql).hasMatch())
        throw DataError(QStringLiteral("V sešitu %1 lze řádky jen měnit (UPDATE) a přidávat "
                                       "(INSERT).")
                            .arg(fileName()));
    if (!m_layout.xlsx)
        throw DataError(QStringLiteral("Do sešitu %1 ve formátu .xls nelze zapisovat; uložte jej "
                                       "jako .xlsx.")
                            .arg(fileName()));
    requireFileUnchanged();
    if (isMarkedReadOnly(m_layout.path))
        throw DataError(
            QStringLiteral("Sešit %1 je jen pro čtení; změna nebyla zapsána.").arg(fileName()));

    std::vector<Change> changes;
    bool deleted = false;
    m_mirror.observeChanges([&](int operation, const QString &table, qint64 rowid) {
        if (operation == SQLITE_DELETE)
            deleted = true;
        else
            changes.push_back({ table, rowid });
    });
    m_mirror.run(QStringLiteral("SAVEPOINT workbook_write"));
    bool fileWritten = false;
    try {
        StatementResult result = m_mirror.run(sql, parameters);
        m_mirror.observeChanges(nullptr);
        if (deleted)
            throw DataError(QStringLiteral("Ze sešitu %1 nelze mazat řádky.").arg(fileName()));
        writeBack(changes, fileWritten);
        m_mirror.run(QStringLiteral("RELEASE workbook_write"));
        return result;
    } catch (...) {
        m_mirror.observeChanges(nullptr);
        // Once the file holds the change, so does the program's view of it.
        if (!fileWritten)
            m_mirror.run(QStringLiteral("ROLLBACK TO workbook_write"));
        m_mirror.run(QStringLiteral("RELEASE workbook_write"));
        throw;
    }
}

void WorkbookProvider::requireFileUnchanged() const
{
    const QFileInfo file(m_layout.path);
    if (!file.exists() || file.lastModified() != m_modified || file.size() != m_size)
        throw DataError(QStringLiteral("Sešit %1 se od načtení změnil na disku; změna nebyla "
                                       "zapsána, aby se nepřepsaly cizí úpravy. Připojte se "
                                       "znovu.")
                            .arg(fileName()));
}

void WorkbookProvider::writeHeld()
{
    FileChanges held = std::exchange(m_held, FileChanges());
    const bool anything = std::any_of(held.patches.begin(), held.patches.end(),
                                      [](const auto &patch) { return !patch.second.isEmpty(); })
        || !held.grownRanges.empty();
    if (!anything)
        return;
    try {
        requireFileUnchanged();
        writeFile(held);
    } catch (...) {
        // The tables show changes the file does not hold: they are read from the file again.
        const ConnectionString string = m_openedWith;
        const ConnectOptions options = m_openOptions;
        const bool holding = m_holding;
        try {
            open(string, options);
        } catch (...) {
            close();
        }
        m_holding = holding;
        throw;
    }
}

Value WorkbookProvider::fileValue(const Value &value, const FieldInfo &field,
                                  const WorkbookTable &table) const
{
    try {
        return value.convertedTo(field.type);
    } catch (const DataError &) {
        throw DataError(
            QStringLiteral("Hodnotu „%1“ nelze zapsat do sloupce %2 tabulky %3 "
                           "(%4); sešit %5 se nezměnil.")
                .arg(value.toText(), field.name, table.name, typeName(field.type), fileName()));
    }
}

void WorkbookProvider::writeBack(const std::vector<Change> &changes, bool &fileWritten)
{
    if (changes.empty())
        return;
    if (m_holding) {
        // The tables show the change at once; the file gets it with the others held.
        applyToTables(stageChanges(changes, m_held));
        return;
    }
    FileChanges file;
    const TableUpdates updates = stageChanges(changes, file);
    writeFile(file);
    fileWritten = true;
    applyToTables(updates);
}

WorkbookProvider::TableUpdates WorkbookProvider::stageChanges(const std::vector<Change> &changes,
                                                              FileChanges &file)
{
    // The package is opened only for a sheet not read yet: held writes read each sheet once.
    std::optional<ZipArchive> package;
    std::map<QString, SheetPatch> &patches = file.patches;
    // What this write sets: given to the patches only once every row of it passed its checks,
    // so that a refused write leaves held changes as they were.
    struct CellSet
    {
        SheetPatch *patch;
        int row;
        int column;
        CellWrite cell;
    };
    std::vector<CellSet> sets;
    std::map<QString, int> grownRanges; // range name -> its new last row
    TableUpdates result;
    std::vector<StoreUpdate> &updates = result.updates;
    std::vector<WrittenCell> &written = result.written;
    std::set<WorkbookTable *> &headed = result.headed; // tables whose header row it fills in

    // Everything is converted and checked first: the file is touched only when every value
    // fits its column and every row its sheet.
    for (const Change &change : changes) {
        WorkbookTable &table = tableNamed(change.table);
        const QString quotedTable = quoteIdentifier(table.name);
        // Each value as its column's declared type reads it, and as it is stored ("+x" has no
        // declared type), for a value the declared type cannot read (45000 in a date column).
        const int fieldCount = table.rows.fieldCount();
        QStringList stored;
        for (const FieldInfo &field : table.rows.fields())
            stored << QStringLiteral("+") + quoteIdentifier(field.name);
        const StatementResult now
            = m_mirror.run(QStringLiteral("SELECT *, %1 FROM %2 WHERE rowid = ?")
                               .arg(stored.join(QStringLiteral(", ")), quotedTable),
                           { Value::integer(change.rowid) });
        if (now.rows.rowCount() != 1 || now.rows.fieldCount() != 2 * fieldCount)
            continue;
        std::vector<Value> values;
        bool converted = false;
        for (int f = 0; f < fieldCount; ++f) {
            const FieldInfo &field = table.rows.fields()[size_t(f)];
            const Value declared = now.rows.value(0, f);
            const bool fits = declared.isNull() || declared.type() == field.type;
            values.push_back(fits ? declared
                                  : fileValue(now.rows.value(0, fieldCount + f), field, table));
            converted = converted || !fits;
        }
        if (converted) {
            // The embedded table holds the value as the file will, in its column's type.
            QStringList assignments;
            for (const FieldInfo &field : table.rows.fields())
                assignments << quoteIdentifier(field.name) + QStringLiteral(" = ?");
            std::vector<Value> parameters = values;
            parameters.push_back(Value::integer(change.rowid));
            m_mirror.run(QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?")
                             .arg(quotedTable, assignments.join(QStringLiteral(", "))),
                         parameters);
        }
        const size_t storeRow = size_t(change.rowid - 1);
        const bool appended = storeRow >= table.rows.rowCount();
        const qint64 sheetRow64 = qint64(table.region.headerRow) + change.rowid;
        if (sheetRow64 > kLastSheetRow)
            throw DataError(QStringLiteral("Do tabulky %1 sešitu %2 se další řádek nevejde: list "
                                           "má nejvýše 1 048 576 řádků.")
                                .arg(table.name, fileName()));
        const int sheetRow = int(sheetRow64);
        if (table.region.definedRange && sheetRow > table.region.declaredLastRow
            && !table.region.growable)
            throw DataError(QStringLiteral("Pojmenovanou oblast %1 nelze rozšířit: není to "
                                           "jedna souvislá oblast s řádkem záhlaví.")
                                .arg(table.name));
        const QString &part = m_layout.sheets[size_t(table.region.sheet)].part;
        auto patch = patches.find(part);
        if (patch == patches.end()) {
            if (!package)
                package.emplace(m_layout.path);
            patch = patches.emplace(part, SheetPatch(package->read(part))).first;
        }
        if (appended && !table.region.hasHeader && !headed.count(&table)) {
            // A sheet without a header gets the field names first, so that the new row reads
            // back as a record, not as the header.
            for (int f = 0; f < table.rows.fieldCount(); ++f) {
                CellWrite name;
                name.kind = CellWrite::Kind::Text;
                name.text = table.rows.fields()[size_t(f)].name;
                sets.push_back(
                    { &patch->second, table.region.headerRow, table.region.firstColumn + f, name });
            }
            headed.insert(&table);
        }
        for (size_t f = 0; f < values.size(); ++f) {
            if (appended ? values[f].isNull() : table.rows.value(storeRow, int(f)) == values[f])
                continue;
            const int column = table.region.firstColumn + int(f);
            CellWrite cell = cellWriteOf(values[f], m_layout.date1904);
            // A new cell looks like the one above it.
            cell.newCellStyle = patch->second.styleOf(sheetRow - 1, column);
            sets.push_back({ &patch->second, sheetRow, column, cell });
            written.push_back({ &table, sheetRow, column, values[f] });
        }
        if (table.region.definedRange && sheetRow > table.region.declaredLastRow) {
            // A range grows only into an empty row, so that nothing below it is overwritten.
            for (int c = table.region.firstColumn; c <= table.region.lastColumn; ++c) {
                if (patch->second.hasValue(sheetRow, c))
                    throw DataError(QStringLiteral("Pojmenovanou oblast %1 nelze rozšířit: "
                                                   "řádek pod ní není prázdný.")
                                        .arg(table.name));
            }
            grownRanges[table.name] = std::max(grownRanges[table.name], sheetRow);
        }
        updates.push_back({ &table, storeRow, std::move(values) });
    }
    for (CellSet &set : sets)
        set.patch->set(set.row, set.column, set.cell);
    for (const auto &[name, lastRow] : grownRanges)
        file.grownRanges[name] = std::max(file.grownRanges[name], lastRow);
    return result;
}

void WorkbookProvider::writeFile(FileChanges &file)
{
    const ZipArchive package(m_layout.path);
    std::map<QString, SheetPatch> &patches = file.patches;
    const std::map<QString, int> &grownRanges = file.grownRanges;
    std::map<QString, QByteArray> replacements;
    std::set<std::pair<int, QString>> replacedFormulas;
    for (auto &[part, patch] : patches) {
        replacements[part] = patch.apply();
        for (const Sheet &layout : m_layout.sheets) {
            if (layout.part == part) {
                for (const QString &cell : patch.replacedFormulas())
                    replacedFormulas.insert({ layout.sheetId, cell });
            }
        }
    }
    QStringList removals;
    const QString calcChain = resolvePart(m_layout.workbookPart, QStringLiteral("calcChain.xml"));
    if (!replacedFormulas.empty() && package.contains(calcChain)) {
        bool nowEmpty = false;
        const QByteArray chain
            = withoutCalcEntries(package.read(calcChain), replacedFormulas, nowEmpty);
        if (nowEmpty) {
            // No chain at all is valid; spreadsheet programs rebuild it.
            removals << calcChain;
            const QString rels
                = resolvePart(m_layout.workbookPart, QStringLiteral("_rels/workbook.xml.rels"));
            replacements[rels]
                = withoutElements(package.read(rels), "Relationship", "calcChain.xml\"");
            replacements[QStringLiteral("[Content_Types].xml")] = withoutElements(
                package.read(QStringLiteral("[Content_Types].xml")), "Override", "calcChain.xml\"");
        } else {
            replacements[calcChain] = chain;
        }
    }
    if (!grownRanges.empty()) {
        QByteArray workbook = package.read(m_layout.workbookPart);
        for (const auto &[name, lastRow] : grownRanges)
            workbook = withGrownRange(workbook, name, lastRow);
        replacements[m_layout.workbookPart] = workbook;
    }
    rewritePackage(m_layout.path, replacements, removals);
    const QFileInfo written(m_layout.path);
    m_modified = written.lastModified();
    m_size = written.size();
}

void WorkbookProvider::applyToTables(const TableUpdates &changes)
{
    // The tables show the changes, in the types they were checked for.
    for (WorkbookTable *table : changes.headed) {
        table->region.hasHeader = true;
        table->region.lastColumn = std::max(
            table->region.lastColumn, table->region.firstColumn + table->rows.fieldCount() - 1);
    }
    for (const StoreUpdate &update : changes.updates) {
        WorkbookTable &table = *update.table;
        if (update.row < table.rows.rowCount())
            table.rows.setRow(update.row, update.values);
        else
            table.rows.appendRow(update.values);
        table.region.lastRow
            = std::max(table.region.lastRow, table.region.headerRow + int(update.row) + 1);
        if (table.region.definedRange)
            table.region.declaredLastRow
                = std::max(table.region.declaredLastRow, table.region.lastRow);
    }
    shareWrittenCells(changes.written);
}

void WorkbookProvider::shareWrittenCells(const std::vector<WrittenCell> &written)
{
    // Tables that overlap on a sheet (the sheet itself and its named ranges) show the same
    // cells: a cell written through one is now in the others too.
    for (const WrittenCell &cell : written) {
        for (WorkbookTable &other : m_tables) {
            const TableRegion &region = other.region;
            if (&other == cell.table || !other.failure.isEmpty()
                || m_layout.dataSheetOf(region.sheet)
                    != m_layout.dataSheetOf(cell.table->region.sheet)
                || cell.column < region.firstColumn || cell.column > region.lastColumn
                || cell.row <= region.headerRow
                || (region.definedRange && cell.row > region.declaredLastRow))
                continue;
            const qint64 rowid = cell.row - region.headerRow;
            const int field = cell.column - region.firstColumn;
            while (qint64(other.rows.rowCount()) < rowid) {
                other.rows.appendRow(std::vector<Value>(size_t(other.rows.fieldCount())));
                m_mirror.run(QStringLiteral("INSERT INTO %1 DEFAULT VALUES")
                                 .arg(quoteIdentifier(other.name)));
                other.region.lastRow = std::max(other.region.lastRow, cell.row);
            }
            const FieldInfo &info = other.rows.fields()[size_t(field)];
            Value value;
            try {
                value = cell.value.convertedTo(info.type);
            } catch (const DataError &) {
                value = Value(); // a value this column cannot show stays in the file only
            }
            std::vector<Value> row;
            for (int f = 0; f < other.rows.fieldCount(); ++f)
                row.push_back(f == field ? value : other.rows.value(size_t(rowid - 1), f));
            other.rows.setRow(size_t(rowid - 1), row);
            m_mirror.run(QStringLiteral("UPDATE %1 SET %2 = ? WHERE rowid = ?")
                             .arg(quoteIdentifier(other.name), quoteIdentifier(info.name)),
                         { value, Value::integer(rowid) });
        }
    }
}

QStringList WorkbookProvider::primaryKey(const QString &)
{
    return {}; // sheets have no keys: a row is found by all its values
}

Value WorkbookProvider::lastInsertId()
{
    return Value();
}

QString WorkbookProvider::quoteIdentifier(const QString &name) const
{
    // The tables live in the embedded database, so its quoting is theirs: bracketed worksheet
    // names stay, other names go in double quotes, which hold any header text ("Cena [Kč]").
    return m_mirror.quoteIdentifier(name);
}

} // namespace vrl
