#include "files/Workbook.h"

#include <freexl.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>

#include "files/TextCodec.h"
#include "files/XlsWriter.h"
#include "files/XlsxReader.h"

namespace {

constexpr std::size_t MaxCellCharacters = 32767;
constexpr std::string_view CompoundMagic("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
constexpr std::string_view ZipMagic("PK\x03\x04", 4);

bool IsContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0U) == 0x80;
}

// The colour a fill shows, as 0xRRGGBB.
lxw_color_t FillColour(CellFill fill) {
    switch (fill) {
        case CellFill::White:
            return 0xFFFFFF;
        case CellFill::LightGreen:
            return 0xE0FFE0;
        case CellFill::LightRed:
            return 0xFFE0E0;
        case CellFill::None:
            break;
    }
    return LXW_COLOR_UNSET;
}

// libxlsxwriter writes to a named file; it gets a private one in the temporary folder and the
// bytes are taken from there, so the target is replaced like every other file we write.
std::string XlsxBytes(const ResultTable& table) {
    std::string name = (std::filesystem::temp_directory_path() / "corralix-xlsx-XXXXXX").string();
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        throw std::runtime_error("Temporäre Datei kann nicht angelegt werden");
    }
    ::close(fd);
    struct RemoveAtEnd {
        const std::string& path;
        ~RemoveAtEnd() { ::unlink(path.c_str()); }
    } removeAtEnd{name};

    lxw_workbook* workbook = workbook_new(name.c_str());
    if (workbook == nullptr) {
        throw std::runtime_error("Arbeitsmappe kann nicht angelegt werden");
    }
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Tabelle1");
    std::array<lxw_format*, 4> formats{};
    for (std::size_t fill = 0; fill < formats.size(); ++fill) {
        formats[fill] = workbook_add_format(workbook);
        format_set_border(formats[fill], LXW_BORDER_THIN);
        if (fill != 0) {
            format_set_pattern(formats[fill], LXW_PATTERN_SOLID);
            format_set_bg_color(formats[fill], FillColour(static_cast<CellFill>(fill)));
        }
    }
    worksheet_set_landscape(sheet);
    worksheet_set_paper(sheet, 9);  // A4
    for (int col = 0; col < WorkbookColumns; ++col) {
        worksheet_set_column(sheet, static_cast<lxw_col_t>(col), static_cast<lxw_col_t>(col),
                             WorkbookColumnWidth(table, col), nullptr);
    }
    lxw_error error = LXW_NO_ERROR;
    for (int row = 0; row < table.RowCount() && error == LXW_NO_ERROR; ++row) {
        for (int col = 0; col < WorkbookColumns && error == LXW_NO_ERROR; ++col) {
            lxw_format* format =
                formats[static_cast<std::size_t>(WorkbookCellFill(table, col, row))];
            const std::string text = WorkbookCellText(table.Cell(col, row));
            const auto r = static_cast<lxw_row_t>(row);
            const auto c = static_cast<lxw_col_t>(col);
            error = text.empty() ? worksheet_write_blank(sheet, r, c, format)
                                 : worksheet_write_string(sheet, r, c, text.c_str(), format);
        }
    }
    const lxw_error closed = workbook_close(workbook);  // frees the workbook in every case
    if (error != LXW_NO_ERROR || closed != LXW_NO_ERROR) {
        throw std::runtime_error(lxw_strerror(error != LXW_NO_ERROR ? error : closed));
    }
    std::optional<std::string> bytes = ReadFileBytes(name);
    if (!bytes) {
        throw std::runtime_error("Temporäre Datei kann nicht gelesen werden");
    }
    return std::move(*bytes);
}

// FreeXL reads the file itself; its cells become texts as the table shows them.
WorkbookRows ReadXls(const std::string& path, char decimalSeparator) {
    const void* handle = nullptr;
    int status = freexl_open(path.c_str(), &handle);
    const std::unique_ptr<const void, int (*)(const void*)> closeLater(handle, freexl_close);
    unsigned int rowCount = 0;
    unsigned short colCount = 0;
    if (status == FREEXL_OK) {
        status = freexl_select_active_worksheet(handle, 0);
    }
    if (status == FREEXL_OK) {
        status = freexl_worksheet_dimensions(handle, &rowCount, &colCount);
    }
    if (status != FREEXL_OK) {
        return {{},
                "Die Arbeitsmappe ist beschädigt oder kein Excel-Format (FreeXL-Fehler " +
                    std::to_string(status) + ")"};
    }
    WorkbookRows result;
    const unsigned short cols = std::min<unsigned short>(colCount, ResultTable::ColCount);
    for (unsigned int r = 0; r < rowCount; ++r) {
        SheetRow row;
        for (unsigned short c = 0; c < cols; ++c) {
            FreeXL_CellValue value{};
            if (freexl_get_cell_value(handle, r, c, &value) != FREEXL_OK) {
                return {{}, "Eine Zelle der Arbeitsmappe ist beschädigt"};
            }
            switch (value.type) {
                case FREEXL_CELL_INT:
                    row[c] = std::to_string(value.value.int_value);
                    break;
                case FREEXL_CELL_DOUBLE:
                    row[c] = WorkbookNumberText(value.value.double_value, decimalSeparator);
                    break;
                case FREEXL_CELL_TEXT:
                case FREEXL_CELL_SST_TEXT:
                case FREEXL_CELL_DATE:
                case FREEXL_CELL_DATETIME:
                case FREEXL_CELL_TIME:
                    row[c] = value.value.text_value != nullptr ? value.value.text_value : "";
                    break;
                default:
                    break;
            }
        }
        if (EndsSheetData(row)) {
            break;
        }
        result.Rows.push_back(std::move(row));
    }
    return result;
}

}  // namespace

CellFill WorkbookCellFill(const ResultTable& table, int col, int row) {
    if (row == 0) {
        return CellFill::None;
    }
    if (TrimText(table.Cell(ColTotal, row)).empty()) {
        return col == ColGrund ? CellFill::White : CellFill::None;
    }
    if (col != ColDq) {
        return CellFill::None;
    }
    return TrimText(table.Cell(ColDq, row)).empty() ? CellFill::LightGreen : CellFill::LightRed;
}

std::string WorkbookCellText(std::string_view text) {
    std::string cleaned = IsValidUtf8(text) ? std::string(text) : Cp1252ToUtf8(text);
    std::size_t characters = 0;
    for (std::size_t i = 0; i < cleaned.size(); ++i) {
        char& byte = cleaned[i];
        if (static_cast<unsigned char>(byte) < 0x20 && byte != '\t' && byte != '\n') {
            byte = ' ';
        }
        if (!IsContinuationByte(byte) && ++characters > MaxCellCharacters) {
            cleaned.resize(i);
            break;
        }
    }
    return cleaned;
}

int WorkbookColumnWidth(const ResultTable& table, int col) {
    std::size_t widest = 0;
    for (int row = 0; row < table.RowCount(); ++row) {
        const std::string& text = table.Cell(col, row);
        widest = std::max<std::size_t>(
            widest, static_cast<std::size_t>(std::count_if(
                        text.begin(), text.end(), [](char c) { return !IsContinuationByte(c); })));
    }
    return static_cast<int>(std::clamp<std::size_t>(widest + 2, 4, 60));
}

std::string WorkbookBytes(const ResultTable& table, WorkbookFormat format) {
    return format == WorkbookFormat::Xlsx ? XlsxBytes(table) : XlsBytes(table);
}

FileWriteResult WriteWorkbookFile(const ResultTable& table, const std::string& path) {
    const bool xlsx = AsciiLower(std::filesystem::path(path).extension().string()) == ".xlsx";
    std::string bytes;
    try {
        bytes = WorkbookBytes(table, xlsx ? WorkbookFormat::Xlsx : WorkbookFormat::Xls);
    } catch (const std::exception& error) {
        return {FileWriteStatus::NotCreated, error.what()};
    }
    return ReplaceFileBytes(path, bytes);
}

bool IsWorkbookContent(std::string_view bytes) {
    return bytes.starts_with(CompoundMagic) || bytes.starts_with(ZipMagic);
}

std::string WorkbookNumberText(double value, char decimalSeparator) {
    char text[64];
    const auto [end, error] =
        std::to_chars(std::begin(text), std::end(text), value, std::chars_format::general, 15);
    std::string result(std::begin(text), error == std::errc() ? end : std::begin(text));
    std::replace(result.begin(), result.end(), '.', decimalSeparator);
    return result;
}

bool EndsSheetData(const SheetRow& row) {
    return TrimText(row[ColName]).empty() && TrimText(row[ColPferd]).empty();
}

WorkbookRows ReadWorkbook(const std::string& path, std::string_view bytes, char decimalSeparator) {
    WorkbookRows read;
    if (bytes.starts_with(CompoundMagic)) {
        read = ReadXls(path, decimalSeparator);
    } else if (bytes.starts_with(ZipMagic)) {
        read = ReadXlsx(bytes, decimalSeparator);
    } else {
        read.Error = "Die Datei ist keine Excel-Arbeitsmappe (.xls oder .xlsx)";
    }
    if (!read.Error.empty()) {
        read.Error += ": " + path;
    }
    return read;
}

std::string LoadWorkbook(ResultTable& table, const std::string& path, std::string_view bytes,
                         char decimalSeparator) {
    const WorkbookRows read = ReadWorkbook(path, bytes, decimalSeparator);
    if (!read.Error.empty()) {
        return read.Error;
    }
    if (read.Rows.size() < 2) {
        return "Keine Starter gefunden: " + path;
    }
    table.SetRowCount(static_cast<int>(read.Rows.size()));
    for (std::size_t row = 0; row < read.Rows.size(); ++row) {
        table.SetRow(static_cast<int>(row), {read.Rows[row].begin(), read.Rows[row].end()});
    }
    return {};
}
