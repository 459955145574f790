#include "results/ClassRules.h"

#include <array>

const std::vector<int>& DefaultShares(int count) {
    // In use at many small jackpots: the top place or division gets the largest part, the last
    // still more than its entry fee at a usual field size.
    static const std::array<std::vector<int>, 5> shares = {{
        {10000},
        {6000, 4000},
        {5000, 3000, 2000},
        {4000, 3000, 2000, 1000},
        {3000, 2500, 2000, 1500, 1000},
    }};
    static const std::vector<int> none;
    return count >= 1 && count <= 5 ? shares[static_cast<std::size_t>(count - 1)] : none;
}
