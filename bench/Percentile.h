#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

// The value that the fraction share (0 < share <= 1) of the samples does not exceed.
inline double Percentile(std::vector<double> samples, double share) {
    std::sort(samples.begin(), samples.end());
    const auto index = static_cast<std::size_t>(std::ceil(share * samples.size())) - 1;
    return samples.at(index);
}

// The value that 99 % of the samples do not exceed.
inline double Percentile99(std::vector<double> samples) {
    return Percentile(std::move(samples), 0.99);
}
