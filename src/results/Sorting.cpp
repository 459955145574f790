#include "results/Sorting.h"

#include <algorithm>
#include <charconv>
#include <numeric>
#include <optional>

#include "results/ResultTable.h"

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A floating-point number written with the decimal separator (blanks around it allowed);
// nothing when the text is anything else.
std::optional<double> ReadNumber(std::string_view text, char decimalSeparator) {
    text = TrimText(text);
    std::string plain;
    std::size_t i = 0;
    auto take = [&](char c) {
        plain += c;
        ++i;
    };
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') {
            plain += '-';
        }
        ++i;
    }
    int mantissaDigits = 0;
    while (i < text.size() && IsDigit(text[i])) {
        take(text[i]);
        ++mantissaDigits;
    }
    if (i < text.size() && text[i] == decimalSeparator) {
        ++i;
        plain += '.';
        while (i < text.size() && IsDigit(text[i])) {
            take(text[i]);
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0) {
        return std::nullopt;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        take('e');
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            take(text[i]);
        }
        const std::size_t exponentStart = i;
        while (i < text.size() && IsDigit(text[i])) {
            take(text[i]);
        }
        if (i == exponentStart) {
            return std::nullopt;
        }
    }
    if (i != text.size()) {
        return std::nullopt;
    }
    double value = 0;
    const auto result = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (result.ec != std::errc() || result.ptr != plain.data() + plain.size()) {
        return std::nullopt;
    }
    return value;
}

struct NumericKey {
    std::optional<double> number;
    std::string text;
};

bool NumericLess(const NumericKey& a, const NumericKey& b) {
    if (a.number && b.number) {
        return *a.number < *b.number;
    }
    return a.text < b.text;
}

template <class Key, class Less>
std::vector<int> StableOrderOf(const std::vector<Key>& keys, Less less) {
    std::vector<int> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return less(keys[a], keys[b]); });
    return order;
}

}  // namespace

TSortStyle SortGrid1etSortStyle(int col) {
    switch (col) {
        case ColLaufzeit:
        case ColTotal:
            return ssCustom;
        case ColPferd:
        case ColTeam:
        case ColStrafen:
        case ColGrund:
            return ssNormal;
        default:
            return ssNumeric;
    }
}

std::vector<int> StableSortOrder(const std::vector<std::string_view>& texts, TSortStyle style,
                                 char decimalSeparator, Resolution resolution) {
    switch (style) {
        case ssCustom: {
            // Letter case never changes a time key, so the texts are read as they are.
            std::vector<std::int64_t> keys;
            keys.reserve(texts.size());
            for (std::string_view text : texts) {
                keys.push_back(TotalOrderKey(text, resolution));
            }
            return StableOrderOf(keys, std::less<std::int64_t>());
        }
        case ssNumeric: {
            std::vector<NumericKey> keys;
            keys.reserve(texts.size());
            for (std::string_view text : texts) {
                std::string lower = AsciiLower(text);
                keys.push_back({ReadNumber(lower, decimalSeparator), std::move(lower)});
            }
            return StableOrderOf(
                keys, [](const NumericKey& a, const NumericKey& b) { return NumericLess(a, b); });
        }
        case ssNormal:
            break;
    }
    std::vector<std::string> keys;
    keys.reserve(texts.size());
    for (std::string_view text : texts) {
        keys.push_back(AsciiLower(text));
    }
    return StableOrderOf(keys, std::less<std::string>());
}
