#include "access/workbook/PiecePacking.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace vrl::workbook {

namespace {

// The fastest level: a large sheet takes about as long to pack as to make at level 1
// already; the spreadsheet program packs it tighter at its next save.
constexpr int kLevel = 1;
// Pieces made and not yet in the file, at most: what the packing may hold in memory.
constexpr size_t kMostInFlight = 6;

class Pipeline
{
public:
    Pipeline(ZipWriter &zip, const PieceMaker &make, const std::function<void(int)> &written)
        : m_zip(zip)
        , m_make(make)
        , m_written(written)
    { }

    void run()
    {
        std::thread helper([this] { work(false); });
        work(true);
        helper.join();
        if (m_failure)
            std::rethrow_exception(m_failure);
    }

private:
    struct Made
    {
        size_t index;
        bool last;
        RawPiece raw;
    };
    struct Packed
    {
        PackedPiece packed;
        int progress;
    };

    bool mayMake() const
    {
        return !m_making && !m_madeAll && m_made - m_nextToWrite < kMostInFlight;
    }

    // The calling thread (`writer`) also puts the packed pieces into the file, in order; the
    // other only makes and packs.
    void work(bool writer)
    {
        try {
            std::unique_lock lock(m_mutex);
            for (;;) {
                if (m_failure)
                    return;
                if (writer) {
                    const auto next = m_packed.find(m_nextToWrite);
                    if (next != m_packed.end()) {
                        Packed piece = std::move(next->second);
                        m_packed.erase(next);
                        lock.unlock();
                        m_zip.addPiece(piece.packed);
                        if (m_written)
                            m_written(piece.progress);
                        lock.lock();
                        m_sparePacked.push_back(std::move(piece.packed.bytes));
                        ++m_nextToWrite;
                        m_changed.notify_all();
                        continue;
                    }
                    if (m_madeAll && m_nextToWrite == m_made)
                        return;
                } else if (m_madeAll && m_waiting.empty()) {
                    return;
                }
                // Making comes first while few pieces wait, so that both threads stay busy.
                if (mayMake() && m_waiting.size() < 2)
                    make(lock);
                else if (!m_waiting.empty())
                    pack(lock);
                else if (mayMake())
                    make(lock);
                else
                    m_changed.wait(lock);
            }
        } catch (...) {
            std::lock_guard lock(m_mutex);
            if (!m_failure)
                m_failure = std::current_exception();
            m_changed.notify_all();
        }
    }

    void make(std::unique_lock<std::mutex> &lock)
    {
        m_making = true;
        Made piece { m_made, false, {} };
        if (!m_spareRaw.empty()) {
            piece.raw.owned = std::move(m_spareRaw.back());
            m_spareRaw.pop_back();
            piece.raw.owned.clear();
        }
        lock.unlock();
        bool more = false;
        try {
            more = m_make(piece.raw);
        } catch (...) {
            lock.lock();
            m_making = false;
            throw;
        }
        lock.lock();
        m_making = false;
        piece.last = !more;
        m_waiting.push_back(std::move(piece));
        ++m_made;
        m_madeAll = !more;
        m_changed.notify_all();
    }

    void pack(std::unique_lock<std::mutex> &lock)
    {
        Made piece = std::move(m_waiting.front());
        m_waiting.pop_front();
        Packed packed { {}, piece.raw.progress };
        if (!m_sparePacked.empty()) {
            packed.packed.bytes = std::move(m_sparePacked.back());
            m_sparePacked.pop_back();
        }
        lock.unlock();
        const std::string_view raw
            = piece.raw.bytes.empty() ? std::string_view(piece.raw.owned) : piece.raw.bytes;
        packPiece(raw, piece.last, kLevel, packed.packed);
        lock.lock();
        m_spareRaw.push_back(std::move(piece.raw.owned));
        m_packed.emplace(piece.index, std::move(packed));
        m_changed.notify_all();
    }

    ZipWriter &m_zip;
    const PieceMaker &m_make;
    const std::function<void(int)> &m_written;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Made> m_waiting; // made, not yet packed
    std::map<size_t, Packed> m_packed; // packed, not yet in the file
    std::vector<std::string> m_spareRaw;
    std::vector<std::string> m_sparePacked;
    size_t m_made = 0;
    size_t m_nextToWrite = 0;
    bool m_making = false;
    bool m_madeAll = false;
    std::exception_ptr m_failure;
};

} // namespace

void writeEntryInPieces(ZipWriter &zip, std::string_view name, const PieceMaker &make,
                        const std::function<void(int progress)> &written)
{
    zip.beginPieces(name);
    Pipeline(zip, make, written).run();
    zip.endPieces();
}

void writeBytesInPieces(ZipWriter &zip, std::string_view name,
                        const std::vector<std::string_view> &parts)
{
    size_t total = 0;
    for (const std::string_view part : parts)
        total += part.size();
    if (total < kPieceBytes) {
        std::string whole;
        for (const std::string_view part : parts)
            whole += part;
        zip.addWhole(name, whole, kSmallEntryLevel);
        return;
    }
    size_t part = 0;
    size_t given = 0; // of the part
    size_t left = total;
    writeEntryInPieces(zip, name, [&](RawPiece &piece) {
        while (given == parts[part].size()) {
            ++part;
            given = 0;
        }
        piece.bytes = parts[part].substr(given, kPieceBytes);
        given += piece.bytes.size();
        left -= piece.bytes.size();
        return left > 0;
    });
}

} // namespace vrl::workbook
