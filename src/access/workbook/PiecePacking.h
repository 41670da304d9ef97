#pragma once

#include "access/workbook/ZipWriter.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vrl::workbook {

// The size of the pieces a large entry is made and packed in.
constexpr size_t kPieceBytes = 1 << 20;
// The level of the small parts of a package, which take no time at zlib's usual level.
constexpr int kSmallEntryLevel = 6;

// Raw bytes of one piece of an entry: a view of bytes that stay where they lie until the
// entry is written, or, while that view is empty, the bytes made into `owned` (which comes
// empty, its room kept from a piece before).
struct RawPiece
{
    std::string owned;
    std::string_view bytes;
    int progress = 0; // what the caller is told once the piece is written
};

// Makes the next piece; false when the piece made is the last. Called on one thread at a time,
// not always the same one.
using PieceMaker = std::function<bool(RawPiece &piece)>;

// Writes one entry of the zip from the pieces `make` makes: the pieces are made one after the
// other and packed on the calling thread and one more at once, each thread making or packing
// whatever is waiting, and they go into the entry in order. `written` is told on the calling
// thread after each piece is in the file. A failure of either thread ends both and is thrown
// here, once the second thread has ended.
void writeEntryInPieces(ZipWriter &zip, std::string_view name, const PieceMaker &make,
                        const std::function<void(int progress)> &written = {});

// Writes one entry of bytes that lie in memory, in the order given: a small entry whole, a
// large one cut into pieces packed on two threads at once (a cut inside a character does no
// harm: the pieces join into one stream).
void writeBytesInPieces(ZipWriter &zip, std::string_view name,
                        const std::vector<std::string_view> &parts);

} // namespace vrl::workbook
