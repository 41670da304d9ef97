#pragma once

// What every fuzz target shares: the input as text, and a scratch file for the readers that
// take a path.

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

namespace vrl::fuzz {

inline QByteArray bytesOf(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// The input as UTF-8 text; invalid sequences become replacement characters.
inline QString textOf(const uint8_t *data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
}

// Writes the input to a file of this process under the temporary folder and gives its path;
// the same path every time, so that nothing piles up, and it is taken away as the process
// ends. The suffix chooses the reader.
QString scratchFile(const QByteArray &bytes, const QString &suffix);

} // namespace vrl::fuzz
