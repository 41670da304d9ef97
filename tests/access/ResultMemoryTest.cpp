#include "access/ResultMemory.h"

#include <QFile>

#include <cstdlib>
#include <cstring>
#include <numeric>

#include <gtest/gtest.h>

using namespace vrl;

namespace {

// The start and end of the mapping of this process that holds address, from /proc/self/maps.
std::pair<quintptr, quintptr> mappingHolding(const void *address)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        return {};
    const auto where = reinterpret_cast<quintptr>(address);
    for (const QByteArray &line : maps.readAll().split('\n')) {
        const QList<QByteArray> range = line.left(line.indexOf(' ')).split('-');
        if (range.size() != 2)
            continue;
        const quintptr start = range[0].toULongLong(nullptr, 16);
        const quintptr end = range[1].toULongLong(nullptr, 16);
        if (start <= where && where < end)
            return { start, end };
    }
    return {};
}

} // namespace

TEST(ResultMemory, AdvisedBlockStaysOneMappingSoItCanGrowInPlace)
{
    // A text column grows by remapping its block; a block split into several mappings by the
    // advice cannot be remapped, and the heap copies all of it instead.
    setResultMemoryPolicy();
    constexpr size_t kBytes = 7 * 1024 * 1024 + 300;
    char *block = static_cast<char *>(std::malloc(kBytes));
    ASSERT_NE(block, nullptr);
    preferLargePages(block, kBytes);
    const auto [start, end] = mappingHolding(block);
    ASSERT_NE(start, 0u);
    EXPECT_GE(end, reinterpret_cast<quintptr>(block + kBytes));

    std::memset(block, 7, kBytes);
    char *grown = static_cast<char *>(std::realloc(block, 3 * kBytes));
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(grown[0], 7);
    EXPECT_EQ(grown[kBytes - 1], 7);
    std::free(grown);
}

TEST(ResultMemory, ReservingInLargePagesKeepsTheValuesAndNeverShrinks)
{
    std::vector<int> values(1000);
    std::iota(values.begin(), values.end(), 0);
    reserveInLargePages(values, 2'000'000);
    ASSERT_EQ(values.size(), 1000u);
    EXPECT_GE(values.capacity(), 2'000'000u);
    EXPECT_EQ(values.front(), 0);
    EXPECT_EQ(values.back(), 999);

    const int *before = values.data();
    reserveInLargePages(values, 10);
    EXPECT_EQ(values.data(), before);
    EXPECT_GE(values.capacity(), 2'000'000u);
}
