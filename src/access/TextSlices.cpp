#include "access/TextSlices.h"

#include "access/ResultMemory.h"

#include <limits>

namespace vrl {

size_t TextSlices::capacity() const
{
    return (m_wide ? m_wideStarts.capacity() : m_starts.capacity()) - 1;
}

void TextSlices::reserve(size_t rows)
{
    if (m_wide)
        reserveInLargePages(m_wideStarts, rows + 1);
    else
        reserveInLargePages(m_starts, rows + 1);
}

void TextSlices::clear()
{
    m_starts.assign(1, 0);
    m_wideStarts.clear();
    m_wide = false;
    m_apart.clear();
}

void TextSlices::widen()
{
    m_wideStarts.assign(m_starts.begin(), m_starts.end());
    std::vector<quint32>().swap(m_starts);
    m_wide = true;
}

void TextSlices::setStart(size_t index, quint64 value)
{
    if (!m_wide && value > std::numeric_limits<quint32>::max())
        widen();
    if (m_wide)
        m_wideStarts[index] = value;
    else
        m_starts[index] = quint32(value);
}

void TextSlices::pushStart(quint64 value)
{
    if (!m_wide && value > std::numeric_limits<quint32>::max())
        widen();
    if (m_wide)
        m_wideStarts.push_back(value);
    else
        m_starts.push_back(quint32(value));
}

void TextSlices::append(quint64 offset, quint64 length)
{
    const size_t rows = size();
    if (start(rows) != offset) {
        // Replaced values were written in between: the last row keeps its own end.
        if (rows > 0 && !m_apart.contains(rows - 1))
            m_apart.emplace(rows - 1, at(rows - 1));
        setStart(rows, offset);
    }
    pushStart(offset + length);
}

void TextSlices::replace(size_t row, quint64 offset, quint64 length)
{
    m_apart[row] = { offset, length };
}

void TextSlices::erase(size_t row)
{
    // The row before would reach over the removed one's value: it keeps its own.
    if (row > 0 && !m_apart.contains(row - 1))
        m_apart.emplace(row - 1, at(row - 1));
    if (!m_apart.empty()) {
        std::unordered_map<size_t, Slice> apart;
        for (const auto &[r, slice] : m_apart) {
            if (r != row)
                apart.emplace(r > row ? r - 1 : r, slice);
        }
        m_apart.swap(apart);
    }
    if (m_wide)
        m_wideStarts.erase(m_wideStarts.begin() + qsizetype(row));
    else
        m_starts.erase(m_starts.begin() + qsizetype(row));
}

} // namespace vrl
