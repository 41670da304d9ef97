#include "access/workbook/BiffRecords.h"

#include <cstring>

namespace vrl::workbook::biff {

double RecordReader::f64()
{
    quint64 bits = 0;
    for (int i = 0; i < 8; ++i)
        bits |= quint64(u8()) << (8 * i);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void RecordReader::skip(qint64 count)
{
    while (count-- > 0)
        u8();
}

QString RecordReader::characters(int cch, quint8 flags)
{
    QString text;
    text.reserve(cch);
    bool wide = flags & 0x01;
    while (cch > 0) {
        if (m_position >= m_segments.at(m_segment).second) {
            ++m_segment;
            m_position = 0;
            if (m_segment >= m_segments.size())
                throw Damaged { QStringLiteral("text přesahuje záznam") };
            wide = m_segments[m_segment].first[m_position++] & 0x01;
            continue;
        }
        text += wide ? QChar(u16()) : QChar(u8());
        --cch;
    }
    return text;
}

QString RecordReader::unicodeString(bool shortLength)
{
    const int cch = shortLength ? u8() : u16();
    const quint8 flags = u8();
    const int runs = (flags & 0x08) ? u16() : 0;
    const quint32 phonetic = (flags & 0x04) ? u32() : 0;
    QString text = characters(cch, flags);
    skip(qint64(runs) * 4 + phonetic);
    return text;
}

} // namespace vrl::workbook::biff
