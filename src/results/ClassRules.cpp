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

std::string ShareText(std::int64_t share, char decimalSeparator) {
    std::string text = std::to_string(share / 100);
    if (const std::int64_t rest = share % 100; rest != 0) {
        text += decimalSeparator;
        text += static_cast<char>('0' + rest / 10);
        if (rest % 10 != 0)
            text += static_cast<char>('0' + rest % 10);
    }
    return text;
}
