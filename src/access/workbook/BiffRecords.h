#pragma once

#include <QString>

#include <utility>
#include <vector>

namespace vrl::workbook::biff {

// The records of a BIFF8 workbook stream (.xls) and the reading of their data.

// Record types of the workbook stream.
enum : quint16 {
    kFormula = 0x0006,
    kEof = 0x000A,
    kExternSheet = 0x0017,
    kName = 0x0018,
    kDateMode = 0x0022,
    kFilePass = 0x002F,
    kContinue = 0x003C,
    kBoundSheet = 0x0085,
    kSupBook = 0x01AE,
    kMulRk = 0x00BD,
    kRString = 0x00D6,
    kXf = 0x00E0,
    kSst = 0x00FC,
    kLabelSst = 0x00FD,
    kNumber = 0x0203,
    kLabel = 0x0204,
    kBoolErr = 0x0205,
    kString = 0x0207,
    kRk = 0x027E,
    kFormat = 0x041E,
    kBof = 0x0809,
};

// A stream that cannot be read as it claims to be; what is wrong, for the message.
struct Damaged
{
    QString why;
};

// Reads little-endian values and BIFF8 strings from a record's data and the data of its
// CONTINUE records, which a long string may cross. Reading past the end throws Damaged.
class RecordReader
{
public:
    void addSegment(const char *data, qsizetype size) { m_segments.push_back({ data, size }); }

    // Every byte passes here: kept inline.
    quint8 u8()
    {
        settle();
        return quint8(m_segments[m_segment].first[m_position++]);
    }
    quint16 u16() { return quint16(u8() | (quint16(u8()) << 8)); }
    quint32 u32() { return quint32(u16()) | (quint32(u16()) << 16); }
    double f64();
    void skip(qint64 count);
    bool atEnd()
    {
        while (m_segment < m_segments.size() && m_position >= m_segments[m_segment].second) {
            ++m_segment;
            m_position = 0;
        }
        return m_segment >= m_segments.size();
    }

    // A string of cch characters after its flags byte: at a CONTINUE boundary inside the
    // characters, the next record starts with a new flags byte of its own.
    QString characters(int cch, quint8 flags);
    // XLUnicodeString: a 16-bit or 8-bit length, flags, characters, rich and phonetic tails.
    QString unicodeString(bool shortLength);

private:
    void settle()
    {
        if (atEnd())
            throw Damaged { QStringLiteral("záznam je kratší, než udává") };
    }

    std::vector<std::pair<const char *, qsizetype>> m_segments;
    size_t m_segment = 0;
    qsizetype m_position = 0;
};

// Where a record's data lies in the stream.
struct Record
{
    quint16 type = 0;
    qsizetype offset = 0; // of its data
    qsizetype size = 0;
};

} // namespace vrl::workbook::biff
