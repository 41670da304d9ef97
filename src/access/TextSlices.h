#pragma once

#include <QtGlobal>

#include <unordered_map>
#include <vector>

namespace vrl {

// Where each row's text (or bytes) lies in its column's buffer. Rows appended one after another
// lie end to end, so one start per row says where each begins and the next one's start where it
// ends: 4 bytes a row while the buffer holds fewer than 2^32 units, 8 from then on. A row whose
// value was replaced, or whose neighbour was removed, lies elsewhere and is kept apart by row.
class TextSlices
{
public:
    struct Slice
    {
        quint64 offset = 0;
        quint64 length = 0;
    };

    size_t size() const { return (m_wide ? m_wideStarts.size() : m_starts.size()) - 1; }
    size_t capacity() const;
    void reserve(size_t rows);
    void clear();
    // A new last row whose value lies at offset, length units long.
    void append(quint64 offset, quint64 length);
    // The row's value lies at offset now.
    void replace(size_t row, quint64 offset, quint64 length);
    void erase(size_t row);
    Slice at(size_t row) const
    {
        if (!m_apart.empty()) {
            if (const auto found = m_apart.find(row); found != m_apart.end())
                return found->second;
        }
        const quint64 begin = start(row);
        return { begin, start(row + 1) - begin };
    }

private:
    quint64 start(size_t index) const
    {
        return m_wide ? m_wideStarts[index] : quint64(m_starts[index]);
    }
    void setStart(size_t index, quint64 value);
    void pushStart(quint64 value);
    void widen();

    std::vector<quint32> m_starts { 0 };
    std::vector<quint64> m_wideStarts;
    bool m_wide = false;
    std::unordered_map<size_t, Slice> m_apart;
};

} // namespace vrl
