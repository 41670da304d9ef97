#pragma once

#include "access/PlainBuffer.h"
#include "access/TextSlices.h"
#include "access/Value.h"

#include <QString>

#include <string>
#include <string_view>
#include <vector>

namespace vrl {

// What a field is: its name and type, and where it comes from (for writes).
struct FieldInfo
{
    QString name;
    FieldType type = FieldType::Text;
    int scale = -1; // decimal places of a decimal field, -1 when not known
    int size = 0; // declared length of a text or binary field, 0 when not known
    bool nullable = true;
    bool autoIncrement = false;
    QString baseTable; // the table the column comes from; empty for computed columns
    QString baseColumn; // its name there
};

inline FieldInfo fieldOf(const QString &name, FieldType type, int scale = -1)
{
    FieldInfo field;
    field.name = name;
    field.type = type;
    field.scale = scale;
    return field;
}

// One typed column: 64-bit integers for booleans, integers, date-times and decimals that fit
// (scaled by the field's scale), doubles, strings and bytes packed into one buffer each, a NULL
// bit per cell. Decimals wider than 18 digits switch the column to exact text.
class Column
{
public:
    Column(FieldType type, int scale);

    FieldType type() const { return m_type; }
    size_t size() const { return m_size; }
    void reserve(size_t rows);
    // Room for this many rows more: what is missing, or a quarter of what it holds, whichever
    // is more (not twice, as a vector grows by itself: for a large table that is the memory).
    void reserveMore(size_t rows);
    // Room for this many UTF-16 units of text in all, so that a long text column grows once.
    void reserveText(size_t units);
    size_t textUnits() const { return m_chars.size(); }

    // The value must be NULL or already of the column's type.
    void append(const Value &value);
    // Typed appends for providers filling a result, without a Value per cell.
    void appendNull();
    void appendInteger(qint64 value); // Bool (0/1), Int, DateTime key
    void appendDouble(double value);
    void appendText(QStringView text); // Text
    void appendUtf8Text(std::string_view text);
    void appendDecimal(const QString &canonical);
    // A decimal as the driver prints it ("-12.50"); false when the text is no decimal.
    bool appendDecimal(std::string_view digits);
    void appendBytes(const char *data, qsizetype size);
    void set(size_t row, const Value &value);
    void erase(size_t row);
    Value value(size_t row) const;
    bool isNull(size_t row) const { return (m_nulls[row >> 6] >> (row & 63)) & 1u; }

    // Typed access for filters and sorting; the row must not be NULL.
    bool storesIntegers() const; // Bool, Int, DateTime, narrow Decimal
    qint64 integerAt(size_t row) const { return m_ints[row]; }
    double doubleAt(size_t row) const { return m_doubles[row]; }
    bool storesText() const; // Text, wide Decimal
    QStringView textAt(size_t row) const;
    double numberAt(size_t row) const; // any numeric column as a double
    int scale() const { return m_scale; }

    static qint64 dateTimeKey(const QDateTime &value);
    static QDateTime dateTimeOfKey(qint64 key);

private:
    void setNull(size_t row, bool null);
    void storeText(size_t row, QStringView text, bool appending);
    quint64 bufferSize() const;
    void makeDecimalText();

    FieldType m_type;
    int m_scale;
    bool m_decimalAsText = false;
    size_t m_size = 0;
    std::vector<quint64> m_nulls;
    std::vector<qint64> m_ints;
    std::vector<double> m_doubles;
    PlainBuffer<char16_t> m_chars;
    QByteArray m_bytes;
    TextSlices m_slices; // where each row's text or bytes lie
};

// The rows of a result: its fields and one column per field.
class RowStore
{
public:
    RowStore() = default;
    explicit RowStore(std::vector<FieldInfo> fields);

    const std::vector<FieldInfo> &fields() const { return m_fields; }
    int fieldCount() const { return int(m_fields.size()); }
    int fieldIndex(const QString &name) const; // case-insensitive, -1 when there is none
    void setBase(int field, const QString &table, const QString &column);
    size_t rowCount() const { return m_columns.empty() ? 0 : m_columns.front().size(); }
    const Column &column(int field) const { return m_columns[size_t(field)]; }
    Column &column(int field) { return m_columns[size_t(field)]; }

    Value value(size_t row, int field) const { return m_columns[size_t(field)].value(row); }
    // Values are converted to the field types; throws DataError when one does not convert.
    void appendRow(const std::vector<Value> &values);
    void setRow(size_t row, const std::vector<Value> &values);
    void eraseRow(size_t row);

private:
    std::vector<FieldInfo> m_fields;
    std::vector<Column> m_columns;
};

} // namespace vrl
