#pragma once

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

namespace vrl {

// A growable array of plain values held with malloc and realloc. A large one grows where it
// lies (the system remaps its pages), where a vector would copy it and hold both copies for a
// moment: for the text of a large table that moment is the process's peak memory. It grows by
// a quarter, not to twice its size.
template <typename T>
class PlainBuffer
{
    static_assert(std::is_trivially_copyable_v<T>);

public:
    PlainBuffer() = default;
    PlainBuffer(const PlainBuffer &other) { append(other.data(), other.size()); }
    PlainBuffer(PlainBuffer &&other) noexcept
        : m_data(std::exchange(other.m_data, nullptr)),
          m_size(std::exchange(other.m_size, 0)),
          m_capacity(std::exchange(other.m_capacity, 0))
    { }
    PlainBuffer &operator=(PlainBuffer other) noexcept
    {
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
        std::swap(m_capacity, other.m_capacity);
        return *this;
    }
    ~PlainBuffer() { std::free(m_data); }

    size_t size() const { return m_size; }
    size_t capacity() const { return m_capacity; }
    const T *data() const { return m_data; }
    T *data() { return m_data; }

    void reserve(size_t count)
    {
        if (count <= m_capacity)
            return;
        void *grown = std::realloc(m_data, count * sizeof(T));
        if (!grown)
            throw std::bad_alloc();
        m_data = static_cast<T *>(grown);
        m_capacity = count;
    }
    // Room for count more values at the end; returns where they go (size() grows by count).
    T *extend(size_t count)
    {
        const size_t needed = m_size + count;
        if (needed > m_capacity)
            reserve(std::max(needed, m_size + m_size / 4 + 16));
        T *end = m_data + m_size;
        m_size = needed;
        return end;
    }
    void append(const T *values, size_t count)
    {
        if (count > 0)
            std::memcpy(extend(count), values, count * sizeof(T));
    }
    // Gives back what was extended but not used.
    void shrinkBy(size_t count) { m_size -= std::min(count, m_size); }

private:
    T *m_data = nullptr;
    size_t m_size = 0;
    size_t m_capacity = 0;
};

} // namespace vrl
