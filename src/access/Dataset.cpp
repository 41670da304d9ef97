#include "access/Dataset.h"

#include <cmath>

#include "access/Connection.h"
#include "access/DataError.h"
#include "access/Provider.h"
#include "access/ResultMemory.h"
#include "access/RowFilter.h"
#include "access/RowSort.h"
#include "regional/Regional.h"

#include <algorithm>

namespace vrl {

// --- Field -----------------------------------------------------------------------------------

const FieldInfo &Field::info() const
{
    return m_dataset->m_rows.fields()[size_t(m_index)];
}

Value Field::value() const
{
    m_dataset->requireActive();
    if (m_dataset->m_position < 0)
        return Value();
    return m_dataset->valueAt(m_dataset->m_position, m_index);
}

double Field::number() const
{
    const Value v = value();
    if (v.isNull())
        return 0;
    const auto n = v.toNumber();
    if (!n)
        throw DataError(
            QStringLiteral("Hodnota \"%1\" položky %2 není číslo.").arg(v.toText(), name()));
    return *n;
}

void Field::setValue(const Value &value)
{
    m_dataset->setBufferValue(m_index, value);
}

// --- Dataset ---------------------------------------------------------------------------------

Dataset::Dataset(Kind kind, QObject *parent)
    : QObject(parent)
    , m_kind(kind)
{ }

Dataset::~Dataset() = default;

void Dataset::setConnection(Connection *connection)
{
    if (m_connection == connection)
        return;
    close();
    if (m_connection)
        disconnect(m_connection, nullptr, this, nullptr);
    m_connection = connection;
    if (m_connection)
        connect(m_connection, &Connection::closing, this, &Dataset::close);
}

void Dataset::requireActive() const
{
    if (!isActive())
        throw DataError(QStringLiteral("Datová sada není otevřena."));
}

void Dataset::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

void Dataset::open()
{
    if (isActive())
        return;
    if (!m_connection)
        throw DataError(QStringLiteral("Datová sada není připojena k databázi."));
    if (m_commandText.trimmed().isEmpty())
        throw DataError(m_kind == Kind::Table ? QStringLiteral("Není zadán název tabulky.")
                                              : QStringLiteral("Není zadán text příkazu."));
    Provider &provider = m_connection->provider();
    StatementResult result;
    m_connection->waitOnServer([&] {
        result = m_kind == Kind::Table ? provider.readTable(m_commandText)
                                       : provider.run(m_commandText, m_parameters);
    });
    if (!result.hasRows)
        throw DataError(QStringLiteral("Příkaz nevrátil žádnou sadu záznamů."));
    load(std::move(result));
}

void Dataset::load(StatementResult &&result)
{
    m_rows = std::move(result.rows);
    if (m_kind == Kind::Table) {
        // A table's columns are its own, whatever the provider reports.
        for (int f = 0; f < m_rows.fieldCount(); ++f) {
            if (m_rows.fields()[size_t(f)].baseTable.isEmpty())
                m_rows.setBase(f, withoutBrackets(m_commandText), m_rows.fields()[size_t(f)].name);
        }
    }
    m_sortText.clear();
    m_keyFields.reset();
    m_buffer.clear();
    m_modified.clear();
    m_state = State::Browse;
    try {
        rebuildView();
    } catch (...) {
        m_state = State::Inactive;
        m_rows = RowStore();
        m_view.clear();
        throw;
    }
    emit stateChanged(m_state);
}

void Dataset::close()
{
    if (!isActive())
        return;
    m_state = State::Inactive;
    m_rows = RowStore();
    m_view.clear();
    m_view.shrink_to_fit();
    m_position = -1;
    m_bof = m_eof = true;
    m_sortText.clear();
    m_buffer.clear();
    m_modified.clear();
    m_insertTable.clear();
    m_insertColumns.clear();
    m_insertSql.clear();
    emit reset();
    emit stateChanged(m_state);
}

qint64 Dataset::execute()
{
    if (!m_connection)
        throw DataError(QStringLiteral("Datová sada není připojena k databázi."));
    close();
    const StatementResult result = m_connection->run(m_commandText, m_parameters);
    m_rowsAffected = result.hasRows ? -1 : result.rowsAffected;
    return m_rowsAffected;
}

bool Dataset::executeAndOpenIfRows()
{
    if (!m_connection)
        throw DataError(QStringLiteral("Datová sada není připojena k databázi."));
    close();
    StatementResult result = m_connection->run(m_commandText, m_parameters);
    if (!result.hasRows) {
        m_rowsAffected = result.rowsAffected;
        return false;
    }
    m_rowsAffected = -1;
    load(std::move(result));
    return true;
}

void Dataset::rebuildView()
{
    std::vector<quint32> view;
    if (m_filtered && !m_filterText.trimmed().isEmpty()) {
        view = RowFilter(m_filterText, m_rows, Regional::system()).matchingRows();
    } else {
        reserveInLargePages(view, m_rows.rowCount());
        view.resize(m_rows.rowCount());
        for (size_t i = 0; i < view.size(); ++i)
            view[i] = quint32(i);
    }
    if (!m_sortText.isEmpty())
        RowSort(m_sortText, m_rows).apply(view, Regional::system().locale());
    m_view = std::move(view);
    m_position = m_view.empty() ? -1 : 0;
    m_bof = true;
    m_eof = m_view.empty();
    emit reset();
    emit cursorMoved(m_position);
}

void Dataset::moveCursor(int position)
{
    if (position == m_position)
        return;
    m_position = position;
    emit cursorMoved(m_position);
}

void Dataset::postIfEditing()
{
    if (m_state == State::Edit || m_state == State::Insert)
        post();
}

void Dataset::first()
{
    requireActive();
    postIfEditing();
    moveCursor(m_view.empty() ? -1 : 0);
    m_bof = true;
    m_eof = m_view.empty();
}

void Dataset::last()
{
    requireActive();
    postIfEditing();
    moveCursor(int(m_view.size()) - 1);
    m_eof = true;
    m_bof = m_view.empty();
}

void Dataset::next()
{
    requireActive();
    postIfEditing();
    if (m_position + 1 < int(m_view.size())) {
        moveCursor(m_position + 1);
        m_bof = m_eof = false;
    } else {
        m_eof = true;
    }
}

void Dataset::prior()
{
    requireActive();
    postIfEditing();
    if (m_position > 0) {
        moveCursor(m_position - 1);
        m_bof = m_eof = false;
    } else {
        m_bof = true;
    }
}

void Dataset::moveTo(int recNo)
{
    requireActive();
    if (recNo < 1 || recNo > int(m_view.size()))
        return;
    postIfEditing();
    moveCursor(recNo - 1);
    m_bof = m_eof = false;
}

Field Dataset::field(int index)
{
    requireActive();
    if (index < 0 || index >= fieldCount())
        throw DataError(QStringLiteral("Položka číslo %1 neexistuje.").arg(index));
    return Field(*this, index);
}

std::optional<Field> Dataset::findField(const QString &name)
{
    const int index = m_rows.fieldIndex(name);
    if (index < 0 || !isActive())
        return std::nullopt;
    return Field(*this, index);
}

Field Dataset::fieldByName(const QString &name)
{
    requireActive();
    if (auto found = findField(name))
        return *found;
    throw DataError(QStringLiteral("Položka %1 nebyla nalezena.").arg(name));
}

QStringList Dataset::fieldNames() const
{
    QStringList names;
    for (const FieldInfo &field : m_rows.fields())
        names << field.name;
    return names;
}

Value Dataset::valueAt(int viewRow, int field) const
{
    if ((m_state == State::Edit || m_state == State::Insert) && viewRow == m_position)
        return m_buffer[size_t(field)];
    const quint32 row = m_view[size_t(viewRow)];
    return row == kNewRecord ? Value() : m_rows.value(row, field);
}

QStringView Dataset::textAt(int viewRow, int field, QString &scratch) const
{
    if (m_state == State::Browse) {
        const Column &column = m_rows.column(field);
        if (column.type() == FieldType::Text) {
            const size_t row = m_view[size_t(viewRow)];
            return column.isNull(row) ? QStringView() : column.textAt(row);
        }
    }
    scratch = valueAt(viewRow, field).toText();
    return scratch;
}

void Dataset::setFilter(const QString &text)
{
    if (text == m_filterText)
        return;
    const QString previous = m_filterText;
    m_filterText = text;
    if (isActive() && m_filtered) {
        try {
            postIfEditing();
            rebuildView();
        } catch (...) {
            m_filterText = previous;
            throw;
        }
    }
}

void Dataset::setFiltered(bool on)
{
    if (on == m_filtered)
        return;
    m_filtered = on;
    if (!isActive())
        return;
    try {
        postIfEditing();
        rebuildView();
    } catch (...) {
        // A filter that cannot be applied stays off.
        m_filtered = false;
        rebuildView();
        throw;
    }
}

void Dataset::setSort(const QString &text)
{
    requireActive();
    postIfEditing();
    if (!text.trimmed().isEmpty())
        RowSort(text, m_rows); // fails here, before anything changes, for a bad text
    // As after a filter, the cursor goes to the first record of the new order.
    m_sortText = text.trimmed();
    rebuildView();
}

namespace {

// Where the records of a field equal a value, in the field's own terms.
struct KeyMatcher
{
    const Column &column;
    Value key;
    bool caseInsensitive;
    bool partial;

    bool matches(size_t row) const
    {
        if (column.isNull(row))
            return key.isNull();
        if (key.isNull())
            return false;
        if (column.type() == FieldType::Text) {
            const QStringView cell = column.textAt(row);
            const QString text = key.asText();
            const Qt::CaseSensitivity cs
                = caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
            return partial ? cell.startsWith(text, cs) : cell.compare(text, cs) == 0;
        }
        return column.value(row) == key;
    }
};

} // namespace

Value Dataset::lookup(const QString &keyField, const Value &keyValue, const QString &resultField)
{
    requireActive();
    const int key = fieldByName(keyField).index();
    const int result = fieldByName(resultField).index();
    const FieldInfo &info = m_rows.fields()[size_t(key)];
    const KeyMatcher matcher { m_rows.column(key), keyValue.convertedTo(info.type, info.scale),
                               false, false };
    for (quint32 row : m_view) {
        if (row != kNewRecord && matcher.matches(row))
            return m_rows.value(row, result);
    }
    return Value();
}

bool Dataset::FieldValues::holdsNumbers() const
{
    return m_type == FieldType::Int || m_type == FieldType::Bool || m_type == FieldType::DateTime;
}

std::optional<qint64> Dataset::FieldValues::numberOf(const Value &value) const
{
    const Value key = value.convertedTo(m_type, m_scale);
    if (key.isNull())
        return std::nullopt;
    switch (m_type) {
    case FieldType::DateTime:
        return key.asDateTime().toMSecsSinceEpoch();
    case FieldType::Bool:
        return key.asBool() ? 1 : 0;
    default:
        return key.asInt();
    }
}

std::optional<QString> Dataset::FieldValues::keyOf(const Value &value) const
{
    // Equal as lookup's comparison is equal: the value in the field's type, a text exactly.
    const Value key = value.convertedTo(m_type, m_scale);
    if (key.isNull())
        return std::nullopt;
    switch (m_type) {
    case FieldType::Text:
        return QLatin1Char('s') + key.asText();
    case FieldType::Binary:
        return QLatin1Char('b') + QString::fromLatin1(key.asBinary().toHex());
    case FieldType::Double: {
        const double number = key.asDouble();
        if (std::isnan(number))
            return std::nullopt; // equal to nothing, itself included
        return QLatin1Char('d') + QString::number(number == 0 ? 0.0 : number, 'g', 17);
    }
    case FieldType::Decimal:
        return QLatin1Char('m') + key.asDecimal();
    case FieldType::DateTime:
    case FieldType::Bool:
    case FieldType::Int:
        break; // numbers
    }
    return std::nullopt;
}

bool Dataset::FieldValues::contains(const Value &value) const
{
    if (holdsNumbers()) {
        const std::optional<qint64> number = numberOf(value);
        return number && m_numbers.contains(*number);
    }
    const std::optional<QString> key = keyOf(value);
    return key && m_keys.contains(*key);
}

void Dataset::FieldValues::add(const Value &value)
{
    if (holdsNumbers()) {
        if (const std::optional<qint64> number = numberOf(value))
            m_numbers.insert(*number);
    } else if (const std::optional<QString> key = keyOf(value)) {
        m_keys.insert(*key);
    }
}

Dataset::FieldValues Dataset::fieldValues(const QString &field)
{
    requireActive();
    const int index = fieldByName(field).index();
    const FieldInfo &info = m_rows.fields()[size_t(index)];
    FieldValues values;
    values.m_type = info.type;
    values.m_scale = info.scale;
    // Room for the rows a run adds as well, so that the set does not grow anew halfway.
    const qsizetype room = qsizetype(m_view.size() + m_view.size() / 4);
    if (values.holdsNumbers())
        values.m_numbers.reserve(room);
    else
        values.m_keys.reserve(room);
    const Column &column = m_rows.column(index);
    if (info.type == FieldType::Int || info.type == FieldType::Bool) {
        // The stored whole numbers are the numbers a lookup compares: no value is made per row,
        // and the start of a run into a table of a million rows waits less.
        const bool truth = info.type == FieldType::Bool;
        for (const quint32 row : m_view) {
            if (row != kNewRecord && !column.isNull(row))
                values.m_numbers.insert(truth ? qint64(column.integerAt(row) != 0)
                                              : column.integerAt(row));
        }
        return values;
    }
    for (const quint32 row : m_view) {
        if (row != kNewRecord)
            values.add(m_rows.value(row, index));
    }
    return values;
}

bool Dataset::locate(const QString &fieldName, const Value &value, bool caseInsensitive,
                     bool partialKey)
{
    requireActive();
    const int index = fieldByName(fieldName).index();
    const FieldInfo &info = m_rows.fields()[size_t(index)];
    const KeyMatcher matcher { m_rows.column(index), value.convertedTo(info.type, info.scale),
                               caseInsensitive, partialKey && info.type == FieldType::Text };
    for (size_t i = 0; i < m_view.size(); ++i) {
        if (m_view[i] != kNewRecord && matcher.matches(m_view[i])) {
            postIfEditing();
            moveCursor(int(i));
            m_bof = m_eof = false;
            return true;
        }
    }
    return false;
}

} // namespace vrl
