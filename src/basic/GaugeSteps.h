#pragma once

#include <QtGlobal>

#include <cmath>

namespace vrl {

// The gauge's value after done of total steps: done x 100 / total to the nearest whole number,
// half to even, as the gauge has always rounded.
inline int gaugePercent(qint64 done, qint64 total)
{
    return total > 0 ? int(std::nearbyint(double(done) * 100 / double(total))) : 0;
}

} // namespace vrl
