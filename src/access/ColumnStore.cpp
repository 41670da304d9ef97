#include "access/ColumnStore.h"

#include "access/DataError.h"
#include "access/ResultMemory.h"
#include "regional/Regional.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace vrl {

namespace {

constexpr qint64 kMsecsPerDay = 86400000;

// Decodes well-formed UTF-8 into UTF-16 units at out and returns their count; SIZE_MAX at the
// first malformed sequence.
size_t decodeWellFormedUtf8(std::string_view text, char16_t *out)
{
    const auto *in = reinterpret_cast<const unsigned char *>(text.data());
    const unsigned char *end = in + text.size();
    char16_t *start = out;
    const auto continuation = [&](ptrdiff_t at) {
        return in + at < end && (in[at] & 0xC0) == 0x80;
    };
    while (in < end) {
        const unsigned char lead = *in;
        if (lead < 0x80) {
            *out++ = lead;
            ++in;
        } else if (lead >= 0xC2 && lead <= 0xDF && continuation(1)) {
            *out++ = char16_t(((lead & 0x1F) << 6) | (in[1] & 0x3F));
            in += 2;
        } else if (lead >= 0xE0 && lead <= 0xEF && continuation(1) && continuation(2)) {
            const char32_t code = ((lead & 0x0F) << 12) | ((in[1] & 0x3F) << 6) | (in[2] & 0x3F);
            if (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF))
                return SIZE_MAX; // overlong, or a surrogate
            *out++ = char16_t(code);
            in += 3;
        } else if (lead >= 0xF0 && lead <= 0xF4 && continuation(1) && continuation(2)
                   && continuation(3)) {
            const char32_t code = ((lead & 0x07) << 18) | ((in[1] & 0x3F) << 12)
                | ((in[2] & 0x3F) << 6) | (in[3] & 0x3F);
            if (code < 0x10000 || code > 0x10FFFF)
                return SIZE_MAX;
            *out++ = char16_t(0xD800 + ((code - 0x10000) >> 10));
            *out++ = char16_t(0xDC00 + ((code - 0x10000) & 0x3FF));
            in += 4;
        } else {
            return SIZE_MAX;
        }
    }
    return size_t(out - start);
}

// Decodes UTF-8 into at most text.size() UTF-16 units at out; malformed text as Qt decodes it
// (a replacement character for each bad byte at most, so never more units than bytes).
size_t decodeUtf8(std::string_view text, char16_t *out)
{
    const size_t units = decodeWellFormedUtf8(text, out);
    if (units != SIZE_MAX)
        return units;
    const QString decoded = QString::fromUtf8(text.data(), qsizetype(text.size()));
    const size_t count = std::min(size_t(decoded.size()), text.size());
    std::memcpy(out, decoded.utf16(), count * sizeof(char16_t));
    return count;
}

// A canonical decimal as an integer scaled by 10^scale, when it fits in 18 digits.
std::optional<qint64> scaledDecimal(const QString &canonical, int scale)
{
    const auto normalised = canonicalDecimal(canonical, QLatin1Char('.'), scale);
    if (!normalised)
        return std::nullopt;
    qint64 value = 0;
    int digits = 0;
    bool negative = false;
    for (const QChar c : *normalised) {
        if (c == QLatin1Char('-')) {
            negative = true;
        } else if (c != QLatin1Char('.')) {
            if (++digits > 18)
                return std::nullopt;
            value = value * 10 + (c.unicode() - '0');
        }
    }
    return negative ? -value : value;
}

// The usual driver text of a decimal ("-12.5") as an integer scaled by 10^scale, without
// building any string; nullopt when it needs rounding or more than 18 digits, which the exact
// path handles.
std::optional<qint64> scaledOfDigits(std::string_view text, int scale)
{
    size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative || (!text.empty() && text[0] == '+'))
        ++i;
    qint64 value = 0;
    int significant = 0;
    int fractionDigits = 0;
    bool seenPoint = false;
    bool seenDigit = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '.' && !seenPoint) {
            seenPoint = true;
            continue;
        }
        if (c < '0' || c > '9')
            return std::nullopt;
        seenDigit = true;
        if (seenPoint && ++fractionDigits > scale)
            return std::nullopt;
        if (value == 0 && c == '0')
            continue;
        if (++significant > 18)
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (!seenDigit)
        return std::nullopt;
    for (int k = fractionDigits; k < scale; ++k) {
        if (value != 0 && ++significant > 18)
            return std::nullopt;
        value *= 10;
    }
    return negative ? -value : value;
}

QString decimalOfScaled(qint64 scaled, int scale)
{
    const bool negative = scaled < 0;
    QString digits = QString::number(negative ? -(quint64)scaled : (quint64)scaled);
    if (scale > 0) {
        while (digits.size() <= scale)
            digits.prepend(QLatin1Char('0'));
        digits.insert(digits.size() - scale, QLatin1Char('.'));
    }
    return negative ? QLatin1Char('-') + digits : digits;
}

} // namespace

qint64 Column::dateTimeKey(const QDateTime &value)
{
    return value.date().toJulianDay() * kMsecsPerDay + value.time().msecsSinceStartOfDay();
}

QDateTime Column::dateTimeOfKey(qint64 key)
{
    qint64 day = key / kMsecsPerDay;
    qint64 msecs = key % kMsecsPerDay;
    if (msecs < 0) {
        msecs += kMsecsPerDay;
        --day;
    }
    return QDateTime(QDate::fromJulianDay(day), QTime::fromMSecsSinceStartOfDay(int(msecs)),
                     Qt::UTC);
}

Column::Column(FieldType type, int scale)
    : m_type(type)
    , m_scale(scale)
    , m_decimalAsText(type == FieldType::Decimal && (scale < 0 || scale > 18))
{ }

bool Column::storesIntegers() const
{
    return m_type == FieldType::Bool || m_type == FieldType::Int || m_type == FieldType::DateTime
        || (m_type == FieldType::Decimal && !m_decimalAsText);
}

bool Column::storesText() const
{
    return m_type == FieldType::Text || (m_type == FieldType::Decimal && m_decimalAsText);
}

void Column::reserve(size_t rows)
{
    reserveInLargePages(m_nulls, (rows + 63) / 64);
    if (storesIntegers())
        reserveInLargePages(m_ints, rows);
    else if (m_type == FieldType::Double)
        reserveInLargePages(m_doubles, rows);
    else
        m_slices.reserve(rows);
}

void Column::reserveText(size_t units)
{
    m_chars.reserve(units);
    preferLargePages(m_chars.data(), m_chars.capacity() * sizeof(char16_t));
}

void Column::reserveMore(size_t rows)
{
    const size_t capacity = storesIntegers() ? m_ints.capacity()
        : m_type == FieldType::Double        ? m_doubles.capacity()
                                             : m_slices.capacity();
    if (m_size + rows > capacity)
        reserve(std::max(m_size + rows, m_size + m_size / 4));
}

void Column::setNull(size_t row, bool null)
{
    const quint64 bit = quint64(1) << (row & 63);
    if (null)
        m_nulls[row >> 6] |= bit;
    else
        m_nulls[row >> 6] &= ~bit;
}

quint64 Column::bufferSize() const
{
    return m_type == FieldType::Binary ? quint64(m_bytes.size()) : quint64(m_chars.size());
}

void Column::storeText(size_t row, QStringView text, bool appending)
{
    // A changed cell gets new room at the end of the buffer; the old text is simply left behind.
    const quint64 offset = m_chars.size();
    m_chars.append(reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size()));
    if (appending)
        m_slices.append(offset, quint64(text.size()));
    else
        m_slices.replace(row, offset, quint64(text.size()));
}

void Column::append(const Value &value)
{
    const size_t row = m_size++;
    if (m_nulls.size() * 64 < m_size)
        m_nulls.push_back(0);
    setNull(row, value.isNull());
    if (storesIntegers() || m_type == FieldType::Double) {
        // A slot first, then the value: a decimal too wide for an integer turns the column,
        // this row included, into text.
        if (storesIntegers())
            m_ints.push_back(0);
        else
            m_doubles.push_back(0);
        if (!value.isNull())
            set(row, value);
        return;
    }
    // Text, bytes and wide decimals go at the end of the buffer, after the rows before.
    if (value.isNull()) {
        m_slices.append(bufferSize(), 0);
    } else if (m_type == FieldType::Binary) {
        const QByteArray bytes = value.asBinary();
        m_slices.append(quint64(m_bytes.size()), quint64(bytes.size()));
        m_bytes.append(bytes);
    } else {
        storeText(row, m_type == FieldType::Decimal ? value.asDecimal() : value.asText(), true);
    }
}

void Column::appendNull()
{
    append(Value());
}

void Column::appendInteger(qint64 value)
{
    const size_t row = m_size++;
    if (m_nulls.size() * 64 < m_size)
        m_nulls.push_back(0);
    setNull(row, false);
    m_ints.push_back(value);
}

void Column::appendDouble(double value)
{
    const size_t row = m_size++;
    if (m_nulls.size() * 64 < m_size)
        m_nulls.push_back(0);
    setNull(row, false);
    m_doubles.push_back(value);
}

void Column::appendText(QStringView text)
{
    const size_t row = m_size++;
    if (m_nulls.size() * 64 < m_size)
        m_nulls.push_back(0);
    setNull(row, false);
    storeText(row, text, true);
}

void Column::appendUtf8Text(std::string_view text)
{
    // Decoded straight into the buffer, without a QString per cell: UTF-8 never takes fewer
    // bytes than UTF-16 takes units, so the text's byte count is room enough.
    const size_t row = m_size++;
    if (m_nulls.size() * 64 < m_size)
        m_nulls.push_back(0);
    setNull(row, false);
    const size_t offset = m_chars.size();
    char16_t *out = m_chars.extend(text.size());
    const size_t units = decodeUtf8(text, out);
    m_chars.shrinkBy(text.size() - units);
    m_slices.append(offset, units);
}

void Column::appendDecimal(const QString &canonical)
{
    append(Value::decimal(canonical));
}

bool Column::appendDecimal(std::string_view digits)
{
    if (storesIntegers()) {
        if (const auto scaled = scaledOfDigits(digits, m_scale)) {
            appendInteger(*scaled);
            return true;
        }
    }
    const auto canonical = canonicalDecimal(
        QString::fromLatin1(digits.data(), qsizetype(digits.size())), QLatin1Char('.'), m_scale);
    if (!canonical)
        return false;
    appendDecimal(*canonical);
    return true;
}

void Column::appendBytes(const char *data, qsizetype size)
{
    const size_t row = m_size++;
    if (m_nulls.size() * 64 < m_size)
        m_nulls.push_back(0);
    setNull(row, false);
    m_slices.append(quint64(m_bytes.size()), quint64(size));
    m_bytes.append(data, size);
}

void Column::makeDecimalText()
{
    // A value too wide for 18 digits: keep every cell as exact text from now on.
    std::vector<QString> texts(m_size);
    for (size_t row = 0; row < m_size; ++row) {
        if (!isNull(row))
            texts[row] = decimalOfScaled(m_ints[row], m_scale);
    }
    m_decimalAsText = true;
    m_ints.clear();
    m_ints.shrink_to_fit();
    m_slices.clear();
    m_chars = PlainBuffer<char16_t>();
    for (size_t row = 0; row < m_size; ++row)
        storeText(row, texts[row], true);
}

void Column::set(size_t row, const Value &value)
{
    setNull(row, value.isNull());
    if (value.isNull())
        return;
    switch (m_type) {
    case FieldType::Bool:
        m_ints[row] = value.asBool() ? 1 : 0;
        return;
    case FieldType::Int:
        m_ints[row] = value.asInt();
        return;
    case FieldType::DateTime:
        m_ints[row] = dateTimeKey(value.asDateTime());
        return;
    case FieldType::Double:
        m_doubles[row] = value.asDouble();
        return;
    case FieldType::Decimal:
        if (!m_decimalAsText) {
            if (const auto scaled = scaledDecimal(value.asDecimal(), m_scale)) {
                m_ints[row] = *scaled;
                return;
            }
            makeDecimalText();
        }
        storeText(row, value.asDecimal(), false);
        return;
    case FieldType::Text:
        storeText(row, value.asText(), false);
        return;
    case FieldType::Binary: {
        const QByteArray bytes = value.asBinary();
        m_slices.replace(row, quint64(m_bytes.size()), quint64(bytes.size()));
        m_bytes.append(bytes);
        return;
    }
    }
}

void Column::erase(size_t row)
{
    for (size_t r = row; r + 1 < m_size; ++r)
        setNull(r, isNull(r + 1));
    if (storesIntegers())
        m_ints.erase(m_ints.begin() + qsizetype(row));
    else if (m_type == FieldType::Double)
        m_doubles.erase(m_doubles.begin() + qsizetype(row));
    else
        m_slices.erase(row);
    --m_size;
    m_nulls.resize((m_size + 63) / 64);
}

QStringView Column::textAt(size_t row) const
{
    const TextSlices::Slice slice = m_slices.at(row);
    return QStringView(m_chars.data() + slice.offset, qsizetype(slice.length));
}

double Column::numberAt(size_t row) const
{
    switch (m_type) {
    case FieldType::Double:
        return m_doubles[row];
    case FieldType::Decimal: {
        if (!m_decimalAsText) {
            double value = double(m_ints[row]);
            for (int i = 0; i < m_scale; ++i)
                value /= 10.0;
            return value;
        }
        return Value::decimal(textAt(row).toString()).toNumber().value_or(0.0);
    }
    case FieldType::DateTime:
        return toOleSerial(dateTimeOfKey(m_ints[row]));
    default:
        return double(m_ints[row]);
    }
}

Value Column::value(size_t row) const
{
    if (isNull(row))
        return Value();
    switch (m_type) {
    case FieldType::Bool:
        return Value::boolean(m_ints[row] != 0);
    case FieldType::Int:
        return Value::integer(m_ints[row]);
    case FieldType::DateTime:
        return Value::dateTime(dateTimeOfKey(m_ints[row]));
    case FieldType::Double:
        return Value::real(m_doubles[row]);
    case FieldType::Decimal:
        if (m_decimalAsText)
            return Value::decimal(textAt(row).toString());
        return Value::decimal(decimalOfScaled(m_ints[row], m_scale));
    case FieldType::Text:
        return Value::text(textAt(row).toString());
    case FieldType::Binary: {
        const TextSlices::Slice slice = m_slices.at(row);
        return Value::binary(m_bytes.mid(qsizetype(slice.offset), qsizetype(slice.length)));
    }
    }
    return Value();
}

RowStore::RowStore(std::vector<FieldInfo> fields)
    : m_fields(std::move(fields))
{
    m_columns.reserve(m_fields.size());
    for (const FieldInfo &field : m_fields)
        m_columns.emplace_back(field.type, field.scale);
}

int RowStore::fieldIndex(const QString &name) const
{
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

void RowStore::setBase(int field, const QString &table, const QString &column)
{
    m_fields[size_t(field)].baseTable = table;
    m_fields[size_t(field)].baseColumn = column;
}

void RowStore::appendRow(const std::vector<Value> &values)
{
    std::vector<Value> converted(m_fields.size());
    for (size_t i = 0; i < m_fields.size() && i < values.size(); ++i)
        converted[i] = values[i].convertedTo(m_fields[i].type, m_fields[i].scale);
    for (size_t i = 0; i < m_columns.size(); ++i)
        m_columns[i].append(converted[i]);
}

void RowStore::setRow(size_t row, const std::vector<Value> &values)
{
    std::vector<Value> converted(m_fields.size());
    for (size_t i = 0; i < m_fields.size() && i < values.size(); ++i)
        converted[i] = values[i].convertedTo(m_fields[i].type, m_fields[i].scale);
    for (size_t i = 0; i < m_columns.size(); ++i)
        m_columns[i].set(row, converted[i]);
}

void RowStore::eraseRow(size_t row)
{
    for (Column &column : m_columns)
        column.erase(row);
}

} // namespace vrl
