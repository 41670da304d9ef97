#include "access/workbook/WorkbookProvider.h"

#include "access/DataError.h"
#include "access/workbook/PackageWriter.h"
#include "access/workbook/WorkbookFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

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
