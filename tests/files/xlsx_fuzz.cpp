// libFuzzer target: any bytes must read as an ".xlsx" without crash, hang, leak or undefined
// behaviour, within the limits of a start list, and either as rows or as a message.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include "files/TextCodec.h"
#include "files/Workbook.h"
#include "files/XlsxReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const WorkbookRows read =
        ReadXlsx(std::string_view(reinterpret_cast<const char*>(data), size), ',');
    if ((!read.Error.empty() && !read.Rows.empty()) || read.Rows.size() > MaxSheetRows) {
        std::abort();
    }
    for (const SheetRow& row : read.Rows) {
        for (const std::string& cell : row) {
            if (!IsValidUtf8(cell)) {
                std::abort();
            }
        }
    }
    // Every cell of the sheet, as kept when the table is saved over the workbook.
    const std::optional<std::vector<KeptCell>> cells =
        ReadXlsxCells(std::string_view(reinterpret_cast<const char*>(data), size), ',');
    if (cells && cells->size() > MaxSheetStrings + MaxSheetRows * 16384) {
        std::abort();
    }
    for (const KeptCell& cell : cells.value_or(std::vector<KeptCell>{})) {
        if (cell.Row < 0 || cell.Col < 0 || !IsValidUtf8(cell.Text)) {
            std::abort();
        }
    }
    return 0;
}
