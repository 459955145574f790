#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "results/ResultRules.h"

// How the texts of a column compare when the table is sorted by it. Letter case never counts:
// the texts are lower-cased copies, the cells themselves stay as they are.
enum TSortStyle {
    ssNormal,   // byte by byte
    ssNumeric,  // as numbers with the decimal separator; plain texts as ssNormal
    ssCustom,   // run and total times: TotalOrderKey
};

// The grid's sort state. CanSort stays false except inside the program's own sorting steps,
// so a click on a header never reorders the table.
struct TSortOptions {
    bool CanSort = false;
    int SortCol = 8;  // Total
};

// Sort style of each column of the result table.
TSortStyle SortGrid1etSortStyle(int col);

// Positions of texts in stable ascending order by style: equal texts keep their order.
// Each text is read once, whatever the number of comparisons.
std::vector<int> StableSortOrder(const std::vector<std::string_view>& texts, TSortStyle style,
                                 char decimalSeparator,
                                 Resolution resolution = Resolution::Hundredths);
