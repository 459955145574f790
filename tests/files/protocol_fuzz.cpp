// libFuzzer target: any bytes must load without crash, hang or leak into a table of valid
// UTF-8 cells, and the table must save as bytes that read back to the same text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "files/ProtocolFile.h"
#include "files/TextCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ResultTable table;
    ReadProtocolText(table, std::string_view(reinterpret_cast<const char*>(data), size));
    if (table.RowCount() < 2) {
        std::abort();
    }
    for (int row = 0; row < table.RowCount(); ++row) {
        for (int col = 0; col < ResultTable::ColCount; ++col) {
            const std::string& cell = table.Cell(col, row);
            if (!IsValidUtf8(cell) || cell.find_first_of("\r\n") != std::string::npos) {
                std::abort();
            }
        }
    }
    if (DecodeFileText(EncodeProtocol(table)) != ProtocolText(table)) {
        std::abort();
    }
    return 0;
}
