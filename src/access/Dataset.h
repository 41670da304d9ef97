#pragma once

#include "access/ColumnStore.h"
#include "access/Connection.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>

#include <exception>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace vrl {

class Connection;
class Dataset;
class RowFilter;

// A handle on one field of a dataset's current record.
class Field
{
public:
    Field(Dataset &dataset, int index)
        : m_dataset(&dataset)
        , m_index(index)
    { }

    int index() const { return m_index; }
    const FieldInfo &info() const;
    QString name() const { return info().name; }
    FieldType type() const { return info().type; }

    Value value() const;
    bool isNull() const { return value().isNull(); }
    QString text() const { return value().toText(); } // NULL gives the empty text
    // The value as a number; throws DataError for a value that is none (NULL gives 0).
    double number() const;
    // Converts to the field's type and puts the record into edit when it is browsed;
    // throws DataError when the value does not convert (the record stays in edit).
    void setValue(const Value &value);
    // Typing nothing into a field that holds no text means no value.
    void setText(const QString &text)
    {
        setValue(text.isEmpty() && type() != FieldType::Text ? Value() : Value::text(text));
    }

private:
    Dataset *m_dataset;
    int m_index;
};

// A table (opened by its name) or a query (a statement) on a connection, with its rows in a
// typed store, a cursor over the current view, a client-side filter and sort, and editing
// that writes to the database with parameters.
class Dataset : public QObject
{
    Q_OBJECT

public:
    enum class Kind { Table, Query };
    enum class State { Inactive, Browse, Edit, Insert };

    explicit Dataset(Kind kind, QObject *parent = nullptr);
    ~Dataset() override;

    Kind kind() const { return m_kind; }

    // Attaching to nullptr detaches; a detached dataset stays closed.
    void setConnection(Connection *connection);
    Connection *connection() const { return m_connection; }

    // The table name of a table dataset, or the statement of a query dataset.
    QString commandText() const { return m_commandText; }
    // A new text drops the parameters of the old one.
    void setCommandText(const QString &text)
    {
        m_commandText = text;
        m_parameters.clear();
    }
    // Values for the "?" marks of a query's statement, bound in order.
    void setParameters(std::vector<Value> values) { m_parameters = std::move(values); }

    void open();
    void close();
    bool isActive() const { return m_state != State::Inactive; }
    void setActive(bool active) { active ? open() : close(); }
    State state() const { return m_state; }

    // Runs the statement without keeping rows: the rows affected, negative when the provider
    // reports none.
    qint64 execute();
    // Runs the statement and opens the dataset when a result set comes back; returns whether
    // it did. Otherwise rowsAffected() tells the count.
    bool executeAndOpenIfRows();
    qint64 rowsAffected() const { return m_rowsAffected; }

    // Record count and current record number (from 1; 0 when there is none) of the view.
    int recordCount() const { return int(m_view.size()); }
    int recNo() const { return m_position + 1; }
    void first();
    void prior();
    void next();
    void last();
    void moveTo(int recNo);
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    bool isEmpty() const { return m_view.empty(); }

    int fieldCount() const { return m_rows.fieldCount(); }
    Field field(int index);
    Field fieldByName(const QString &name); // throws DataError for an unknown name
    std::optional<Field> findField(const QString &name);
    QStringList fieldNames() const;
    const RowStore &rows() const { return m_rows; }

    // The value of a field in the record at a view position (the edit buffer for the
    // record being edited).
    Value valueAt(int viewRow, int field) const;
    // The text form of that value (NULL gives the empty text) without copying text where it
    // lies in the store: a view into the store, or into scratch, which it fills. Valid until
    // the rows or scratch change. Walks over millions of values (searches, exports) use it.
    QStringView textAt(int viewRow, int field, QString &scratch) const;
    // The store row behind a view position.
    size_t storeRow(int viewRow) const { return m_view[size_t(viewRow)]; }

    // Filter in ADO syntax; both survive closing and reopening.
    QString filter() const { return m_filterText; }
    void setFilter(const QString &text);
    bool isFiltered() const { return m_filtered; }
    void setFiltered(bool on);

    // "Field ASC|DESC[, ...]"; applied to the open result and lost when it is reopened. The
    // cursor moves to the first record, as it does when the filter changes.
    QString sort() const { return m_sortText; }
    void setSort(const QString &text);

    // The value of resultField in the first record (of the view) whose keyField equals
    // keyValue; NULL when there is none. The cursor does not move.
    Value lookup(const QString &keyField, const Value &keyValue, const QString &resultField);
    // The values of a field over the records of the view, to tell at once whether a record
    // holds a value, as a lookup of the field by itself tells it: a NULL or a value that
    // equals no record is not held. For many lookups of one field (an import's control
    // relation), built once; a record added afterwards is added with add().
    class FieldValues
    {
    public:
        bool contains(const Value &value) const; // throws DataError for a value of no use
        void add(const Value &value);
        // No values, compared as these are.
        FieldValues emptyLike() const
        {
            FieldValues empty;
            empty.m_type = m_type;
            empty.m_scale = m_scale;
            return empty;
        }

    private:
        friend class Dataset;
        // Whether the field's values are whole numbers (integers, booleans, moments), kept as
        // such: a million of them as texts took a second to gather.
        bool holdsNumbers() const;
        std::optional<qint64> numberOf(const Value &value) const;
        std::optional<QString> keyOf(const Value &value) const;

        FieldType m_type = FieldType::Text;
        int m_scale = -1;
        QSet<qint64> m_numbers;
        QSet<QString> m_keys;
    };
    FieldValues fieldValues(const QString &field);

    // Moves to the first record whose field equals the value; false (cursor unmoved) when none.
    bool locate(const QString &field, const Value &value, bool caseInsensitive = false,
                bool partialKey = false);

    // Records appended at the end, each written by an INSERT of its own, all of them in one
    // wait on the server: a run of many quick statements (an import's rows) hands them to the
    // wait's thread once for many, not once each. Record i sets fields[k] (by index) to its
    // value k; the database fills in the other fields. Writing stops at the first record that
    // does not convert or fails to be written: the records before it are in the view, that
    // one and those after it are not. Throws, writing nothing, when the dataset cannot be
    // written at all. The cursor ends on the last record written.
    struct Appended
    {
        size_t written = 0;
        std::exception_ptr failure; // of record `written`, when not all were written
    };
    Appended appendRecords(const std::vector<int> &fields,
                           const std::vector<std::vector<Value>> &records);

    void append(); // a new record at the end
    void insert(); // a new record before the current one
    void edit();
    void post();
    void cancel();
    void remove(); // deletes the current record in the database and here
    bool isModified() const;

signals:
    // The whole view changed: opened, closed, filtered, sorted.
    void reset();
    void cursorMoved(int viewRow);
    void rowChanged(int viewRow);
    void rowInserted(int viewRow);
    void rowRemoved(int viewRow);
    void stateChanged(vrl::Dataset::State state);

private:
    friend class Field;
    // The view entry of a record being inserted, which is not in the store yet.
    static constexpr quint32 kNewRecord = std::numeric_limits<quint32>::max();

    void load(struct StatementResult &&result);
    void rebuildView();
    void moveCursor(int position);
    void postIfEditing();
    void requireActive() const;
    void setState(State state);
    void setBufferValue(int field, const Value &value);
    const Value &bufferValue(int field) const { return m_buffer[size_t(field)]; }
    QString baseTable() const;
    // The INSERT of those columns, made anew only when the table or the columns change.
    const QString &insertSql(Provider &provider, const QString &table, const QStringList &columns,
                             const std::vector<Value> &values);
    // A generated key the record left empty, as the database made it for the last INSERT.
    void fillGeneratedKeys(Provider &provider, std::vector<Value> &record) const;
    std::vector<int> keyFields();
    // The columns and original values that find a stored row in its table.
    void keyOf(size_t row, QStringList &columns, std::vector<Value> &values);
    // Throws the not-found error unless exactly one stored row has the key's values; asks
    // the database only when the key is not a primary key.
    void requireOneMatch(Provider &provider, const QString &table, const QStringList &whereColumns,
                         const std::vector<Value> &whereValues);

    Kind m_kind;
    QPointer<Connection> m_connection;
    QString m_commandText;
    std::vector<Value> m_parameters;
    State m_state = State::Inactive;
    RowStore m_rows;
    std::vector<quint32> m_view;
    int m_position = -1;
    bool m_bof = true;
    bool m_eof = true;
    qint64 m_rowsAffected = -1;

    QString m_filterText;
    bool m_filtered = false;
    QString m_sortText;

    // The record being edited or inserted: its values and which of them were set.
    std::vector<Value> m_buffer;
    std::vector<bool> m_modified;
    int m_insertAt = 0;
    std::optional<std::vector<int>> m_keyFields;
    bool m_keyIsPrimary = false; // m_keyFields is the table's primary key, not all its fields
    // The INSERT of the last post, kept while posts set the same fields of the same table: an
    // import writes thousands of rows the same way. Closing forgets it, so a new connection
    // quotes anew.
    QString m_insertTable;
    QStringList m_insertColumns;
    QString m_insertSql;
};

} // namespace vrl
