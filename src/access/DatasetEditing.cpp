#include "access/Dataset.h"

#include "access/Connection.h"
#include "access/DataError.h"
#include "access/Provider.h"
#include "access/WriteStatements.h"

#include <algorithm>
#include <atomic>

// Editing a dataset: the edit buffer, and the writes that post, insert and delete records.

namespace vrl {

namespace {

const QString kNotFound
    = QStringLiteral("Záznam k aktualizaci nelze najít; mohl být mezitím změněn.");

} // namespace

// --- editing ---------------------------------------------------------------------------------

bool Dataset::isModified() const
{
    return std::find(m_modified.begin(), m_modified.end(), true) != m_modified.end();
}

void Dataset::edit()
{
    requireActive();
    if (m_state == State::Edit || m_state == State::Insert)
        return;
    if (m_position < 0)
        throw DataError(QStringLiteral("Není žádný záznam k úpravě."));
    baseTable(); // a result that cannot be written fails now, not at the post
    m_buffer.resize(size_t(fieldCount()));
    for (int f = 0; f < fieldCount(); ++f)
        m_buffer[size_t(f)] = m_rows.value(m_view[size_t(m_position)], f);
    m_modified.assign(size_t(fieldCount()), false);
    setState(State::Edit);
}

void Dataset::append()
{
    requireActive();
    postIfEditing();
    baseTable();
    m_insertAt = int(m_view.size());
    m_buffer.assign(size_t(fieldCount()), Value());
    m_modified.assign(size_t(fieldCount()), false);
    m_view.insert(m_view.begin() + m_insertAt, kNewRecord);
    setState(State::Insert);
    emit rowInserted(m_insertAt);
    moveCursor(m_insertAt);
    m_bof = m_eof = false;
}

void Dataset::insert()
{
    requireActive();
    postIfEditing();
    baseTable();
    m_insertAt = std::max(m_position, 0);
    m_buffer.assign(size_t(fieldCount()), Value());
    m_modified.assign(size_t(fieldCount()), false);
    m_view.insert(m_view.begin() + m_insertAt, kNewRecord);
    m_position = -1; // the new record takes the position; the old one moves down
    setState(State::Insert);
    emit rowInserted(m_insertAt);
    moveCursor(m_insertAt);
    m_bof = m_eof = false;
}

void Dataset::setBufferValue(int field, const Value &value)
{
    requireActive();
    if (m_state == State::Browse)
        edit();
    const FieldInfo &info = m_rows.fields()[size_t(field)];
    m_buffer[size_t(field)] = value.convertedTo(info.type, info.scale);
    m_modified[size_t(field)] = true;
    emit rowChanged(m_position);
}

QString Dataset::baseTable() const
{
    if (m_kind == Kind::Table)
        return withoutBrackets(m_commandText);
    QString table;
    for (const FieldInfo &field : m_rows.fields()) {
        if (field.baseTable.isEmpty() || (!table.isEmpty() && field.baseTable != table))
            throw DataError(QStringLiteral(
                "Výsledek dotazu nelze upravovat: jeho položky nepocházejí z jedné tabulky."));
        table = field.baseTable;
    }
    if (table.isEmpty())
        throw DataError(QStringLiteral("Výsledek dotazu nelze upravovat."));
    return table;
}

std::vector<int> Dataset::keyFields()
{
    if (m_keyFields)
        return *m_keyFields;
    std::vector<int> keys;
    const QStringList primary = m_connection->provider().primaryKey(baseTable());
    for (const QString &column : primary) {
        int found = -1;
        for (int f = 0; f < fieldCount(); ++f) {
            if (m_rows.fields()[size_t(f)].baseColumn.compare(column, Qt::CaseInsensitive) == 0)
                found = f;
        }
        if (found < 0) {
            keys.clear();
            break;
        }
        keys.push_back(found);
    }
    m_keyIsPrimary = !keys.empty();
    if (keys.empty()) {
        // No usable key: the row is found by all its original values.
        for (int f = 0; f < fieldCount(); ++f) {
            if (m_rows.fields()[size_t(f)].type != FieldType::Binary)
                keys.push_back(f);
        }
    }
    m_keyFields = keys;
    return keys;
}

void Dataset::keyOf(size_t row, QStringList &columns, std::vector<Value> &values)
{
    for (int f : keyFields()) {
        columns << m_rows.fields()[size_t(f)].baseColumn;
        values.push_back(m_rows.value(row, f));
    }
}

void Dataset::requireOneMatch(Provider &provider, const QString &table,
                              const QStringList &whereColumns,
                              const std::vector<Value> &whereValues)
{
    // A primary key finds one row at most. All the values of a row may be shared by others,
    // and a statement sent on trust would change them all before its count could refuse it.
    if (m_keyIsPrimary)
        return;
    const WriteStatement count = countStatement(provider, table, whereColumns, whereValues);
    const StatementResult result = m_connection->run(count.sql, count.parameters);
    if (!result.hasRows || result.rows.rowCount() != 1 || result.rows.value(0, 0).toNumber() != 1.0)
        throw DataError(kNotFound);
}

void Dataset::post()
{
    requireActive();
    if (m_state == State::Browse)
        return;
    if (!m_connection)
        throw DataError(QStringLiteral("Datová sada není připojena k databázi."));
    Provider &provider = m_connection->provider();
    const QString table = baseTable();
    QStringList columns;
    std::vector<Value> values;
    for (int f = 0; f < fieldCount(); ++f) {
        if (m_modified[size_t(f)]) {
            columns << m_rows.fields()[size_t(f)].baseColumn;
            values.push_back(m_buffer[size_t(f)]);
        }
    }
    if (m_state == State::Edit) {
        if (columns.isEmpty()) {
            setState(State::Browse);
            return;
        }
        const size_t row = m_view[size_t(m_position)];
        QStringList whereColumns;
        std::vector<Value> whereValues;
        keyOf(row, whereColumns, whereValues);
        requireOneMatch(provider, table, whereColumns, whereValues);
        const WriteStatement update
            = updateStatement(provider, table, columns, values, whereColumns, whereValues);
        const StatementResult result = m_connection->run(update.sql, update.parameters);
        if (result.rowsAffected != 1)
            throw DataError(kNotFound);
        m_rows.setRow(row, m_buffer);
        setState(State::Browse);
        emit rowChanged(m_position);
        return;
    }
    // Insert: the database fills in what was not set, and a generated key comes back, both
    // in one wait. The statement's parameters are the values in order.
    const QString &sql = insertSql(provider, table, columns, values);
    m_connection->waitOnServer([&] {
        provider.run(sql, values);
        fillGeneratedKeys(provider, m_buffer);
    });
    m_rows.appendRow(m_buffer);
    m_view[size_t(m_insertAt)] = quint32(m_rows.rowCount() - 1);
    setState(State::Browse);
    emit rowChanged(m_insertAt);
}

const QString &Dataset::insertSql(Provider &provider, const QString &table,
                                  const QStringList &columns, const std::vector<Value> &values)
{
    if (m_insertSql.isEmpty() || table != m_insertTable || columns != m_insertColumns) {
        m_insertSql = insertStatement(provider, table, columns, values).sql;
        m_insertTable = table;
        m_insertColumns = columns;
    }
    return m_insertSql;
}

void Dataset::fillGeneratedKeys(Provider &provider, std::vector<Value> &record) const
{
    for (int f = 0; f < fieldCount(); ++f) {
        const FieldInfo &info = m_rows.fields()[size_t(f)];
        if (info.autoIncrement && record[size_t(f)].isNull())
            record[size_t(f)] = provider.lastInsertId().convertedTo(info.type);
    }
}

Dataset::Appended Dataset::appendRecords(const std::vector<int> &fields,
                                         const std::vector<std::vector<Value>> &records)
{
    requireActive();
    postIfEditing();
    const QString table = baseTable();
    if (!m_connection)
        throw DataError(QStringLiteral("Datová sada není připojena k databázi."));
    Provider &provider = m_connection->provider();
    // The fields set, in the order of the table, as a post of one record names them; a field
    // named twice takes the later value, as a second setValue would.
    std::vector<int> columnFields;
    for (int f : fields) {
        if (std::find(columnFields.begin(), columnFields.end(), f) == columnFields.end())
            columnFields.push_back(f);
    }
    std::sort(columnFields.begin(), columnFields.end());
    QStringList columns;
    for (int f : columnFields)
        columns << m_rows.fields()[size_t(f)].baseColumn;

    // Each record converted to the fields' types, up to the first that does not convert.
    Appended appended;
    std::vector<std::vector<Value>> converted;
    converted.reserve(records.size());
    for (const std::vector<Value> &record : records) {
        std::vector<Value> buffer(static_cast<size_t>(fieldCount()));
        try {
            for (size_t i = 0; i < fields.size() && i < record.size(); ++i) {
                const FieldInfo &info = m_rows.fields()[size_t(fields[i])];
                buffer[size_t(fields[i])] = record[i].convertedTo(info.type, info.scale);
            }
        } catch (...) {
            appended.failure = std::current_exception();
            break;
        }
        converted.push_back(std::move(buffer));
    }
    if (converted.empty())
        return appended;

    std::vector<Value> values(columnFields.size());
    const auto valuesOf = [&](const std::vector<Value> &buffer) -> const std::vector<Value> & {
        for (size_t c = 0; c < columnFields.size(); ++c)
            values[c] = buffer[size_t(columnFields[c])];
        return values;
    };
    const QString &sql = insertSql(provider, table, columns, valuesOf(converted.front()));
    size_t written = 0;
    // A stop sends no further record, whether or not the provider can stop a statement.
    std::atomic<bool> stopped { false };
    try {
        m_connection->waitOnServer(
            [&] {
                for (; written < converted.size(); ++written) {
                    if (stopped)
                        throw DataError(QStringLiteral("Příkaz byl zastaven."),
                                        QStringLiteral("HY008"));
                    provider.run(sql, valuesOf(converted[written]));
                    fillGeneratedKeys(provider, converted[written]);
                }
            },
            [&stopped] { stopped = true; });
    } catch (...) {
        appended.failure = std::current_exception();
    }
    for (size_t i = 0; i < written; ++i) {
        m_rows.appendRow(converted[i]);
        m_view.push_back(quint32(m_rows.rowCount() - 1));
        emit rowInserted(int(m_view.size()) - 1);
    }
    appended.written = written;
    if (written > 0) {
        moveCursor(int(m_view.size()) - 1);
        m_bof = m_eof = false;
    }
    return appended;
}

void Dataset::cancel()
{
    if (m_state == State::Insert) {
        m_view.erase(m_view.begin() + m_insertAt);
        setState(State::Browse);
        emit rowRemoved(m_insertAt);
        const int position = std::min(m_insertAt, int(m_view.size()) - 1);
        m_position = -2; // make the move below report
        moveCursor(position);
    } else if (m_state == State::Edit) {
        setState(State::Browse);
        emit rowChanged(m_position);
    }
    m_buffer.clear();
    m_modified.clear();
}

void Dataset::remove()
{
    requireActive();
    if (m_state == State::Insert) {
        cancel();
        return;
    }
    if (m_position < 0)
        throw DataError(QStringLiteral("Není žádný záznam ke smazání."));
    if (m_state == State::Edit)
        cancel();
    Provider &provider = m_connection->provider();
    const size_t row = m_view[size_t(m_position)];
    QStringList whereColumns;
    std::vector<Value> whereValues;
    keyOf(row, whereColumns, whereValues);
    requireOneMatch(provider, baseTable(), whereColumns, whereValues);
    const WriteStatement deletion
        = deleteStatement(provider, baseTable(), whereColumns, whereValues);
    const StatementResult result = m_connection->run(deletion.sql, deletion.parameters);
    if (result.rowsAffected != 1)
        throw DataError(kNotFound);
    m_rows.eraseRow(row);
    const int removedAt = m_position;
    m_view.erase(m_view.begin() + removedAt);
    for (quint32 &r : m_view) {
        if (r != kNewRecord && r > row)
            --r;
    }
    emit rowRemoved(removedAt);
    m_position = -2;
    moveCursor(std::min(removedAt, int(m_view.size()) - 1));
    m_eof = m_view.empty();
    m_bof = m_view.empty();
}

} // namespace vrl
