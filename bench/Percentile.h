#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

// The value that 99 % of the samples do not exceed.
inline double Percentile99(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    const auto index = static_cast<std::size_t>(std::ceil(0.99 * samples.size())) - 1;
    return samples.at(index);
}
