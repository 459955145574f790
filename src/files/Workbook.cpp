#include "files/Workbook.h"

#include <fcntl.h>
#include <freexl.h>
#include <locale.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>

#include "files/FileKind.h"
#include "files/Report.h"
#include "files/TextCodec.h"
#include "files/XlsWriter.h"
#include "files/XlsxReader.h"
#include "results/ResultRules.h"
#include "results/Standing.h"
#include "results/TimeText.h"

namespace {

constexpr std::size_t MaxCellCharacters = 32767;
constexpr std::string_view CompoundMagic("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
constexpr std::string_view ZipMagic("PK\x03\x04", 4);
// The last row and column an ".xlsx" sheet has, counted from 0.
constexpr int MaxSheetRowIndex = 1048575;
constexpr int MaxSheetColIndex = 16383;

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

// How a cell of the table is written: as text, or as a number whose format shows the table's
// text (a whole number, a run time under a minute as "15,23", a longer one as "1:05,23", and
// both to the thousandth).
enum class CellKind : std::size_t {
    Text,
    Whole,
    Seconds,
    Minutes,
    SecondsMs,  // a class timed to the thousandth
    MinutesMs,
    Count
};

struct CellNumber {
    double Value = 0;
    CellKind Kind = CellKind::Text;
};

bool IsWholeNumber(std::string_view text) {
    if (!text.empty() && text.front() == '-') {
        text.remove_prefix(1);
    }
    return !text.empty() && text.size() <= 15 && (text == "0" || text.front() != '0') &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Start number (when it is a number), penalties and place are whole numbers, written as numbers
// only when they read back the same. Run time and total are times (days, as spreadsheets count
// time) whenever they are one, however typed ("12,34", "00:12,34", "61:02,300"), in the class's
// resolution or to the thousandth where the text has one; they read back in that form.
CellNumber NumberOfCell(int col, int row, const std::string& text, Resolution resolution) {
    if (row == 0) {
        return {};
    }
    if ((col == ColNr || col == ColStrafen || col == ColRang) && IsWholeNumber(text)) {
        return {std::strtod(text.c_str(), nullptr), CellKind::Whole};
    }
    if (col == ColLaufzeit || col == ColTotal) {
        constexpr std::int64_t MsPerDay = 86'400'000;
        const std::optional<std::int64_t> ms = ReadTotal(text);
        if (!ms || *ms < 0 || *ms >= MsPerDay) {
            return {};
        }
        const bool fine = resolution == Resolution::Thousandths || *ms % 10 != 0;
        const CellKind kind = *ms < 60'000 ? (fine ? CellKind::SecondsMs : CellKind::Seconds)
                                           : (fine ? CellKind::MinutesMs : CellKind::Minutes);
        return {static_cast<double>(*ms) / static_cast<double>(MsPerDay), kind};
    }
    return {};
}

// Widths, margins and numbers go through printf inside libxlsxwriter: for as long as this
// lives, the thread writes them in the C locale, never "60,71" on a German system.
class CNumbers {
public:
    CNumbers() : c_(newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr))) {
        if (c_ == static_cast<locale_t>(nullptr)) {
            throw std::runtime_error("C-Zahlenformat nicht verfügbar");
        }
        previous_ = uselocale(c_);
    }
    ~CNumbers() {
        uselocale(previous_);
        freelocale(c_);
    }
    CNumbers(const CNumbers&) = delete;
    CNumbers& operator=(const CNumbers&) = delete;

private:
    locale_t c_;
    locale_t previous_ = static_cast<locale_t>(nullptr);
};

// libxlsxwriter writes to a named file; it gets a private one in the temporary folder and the
// bytes are taken from there, so the target is replaced like every other file we write.
class XlsxTempBook {
public:
    XlsxTempBook() {
        const int fd = ::mkstemp(name_.data());
        if (fd < 0) {
            throw std::runtime_error("Temporäre Datei kann nicht angelegt werden");
        }
        ::close(fd);
        book_ = workbook_new(name_.c_str());
        if (book_ == nullptr) {
            ::unlink(name_.c_str());
            throw std::runtime_error("Arbeitsmappe kann nicht angelegt werden");
        }
    }
    ~XlsxTempBook() {
        if (book_ != nullptr) {
            workbook_close(book_);
        }
        ::unlink(name_.c_str());
    }
    XlsxTempBook(const XlsxTempBook&) = delete;
    XlsxTempBook& operator=(const XlsxTempBook&) = delete;

    lxw_workbook* Book() const { return book_; }
    // Closes the workbook and gives its bytes; error is the first failure while filling it.
    std::string Finish(lxw_error error) {
        const lxw_error closed = workbook_close(book_);  // frees the workbook in every case
        book_ = nullptr;
        if (error != LXW_NO_ERROR || closed != LXW_NO_ERROR) {
            throw std::runtime_error(lxw_strerror(error != LXW_NO_ERROR ? error : closed));
        }
        std::optional<std::string> bytes = ReadFileBytes(name_);
        if (!bytes) {
            throw std::runtime_error("Temporäre Datei kann nicht gelesen werden");
        }
        return std::move(*bytes);
    }

private:
    // First: the numbers are printed when the workbook closes.
    CNumbers cNumbers_;
    std::string name_ = (std::filesystem::temp_directory_path() / "corralix-xlsx-XXXXXX").string();
    lxw_workbook* book_ = nullptr;
};

std::string XlsxBytes(const ResultTable& table, const Standing& standing,
                      const std::vector<KeptCell>& kept) {
    XlsxTempBook file;
    lxw_workbook* workbook = file.Book();
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Tabelle1");
    constexpr auto Kinds = static_cast<std::size_t>(CellKind::Count);
    // Number formats of the kinds; "." stands for the reader's decimal separator. Times under a
    // minute as plain seconds ("s.00"): LibreOffice shows "[s].00" as the raw day fraction.
    const std::array<const char*, Kinds> numberFormats{nullptr,     "0",     "s.00",
                                                       "[m]:ss.00", "s.000", "[m]:ss.000"};
    std::array<std::array<lxw_format*, Kinds>, 4> formats{};
    for (std::size_t fill = 0; fill < formats.size(); ++fill) {
        for (std::size_t kind = 0; kind < Kinds; ++kind) {
            lxw_format* format = workbook_add_format(workbook);
            format_set_border(format, LXW_BORDER_THIN);
            if (fill != 0) {
                format_set_pattern(format, LXW_PATTERN_SOLID);
                format_set_bg_color(format, FillColour(static_cast<CellFill>(fill)));
            }
            if (numberFormats[kind] != nullptr) {
                format_set_num_format(format, numberFormats[kind]);
            }
            formats[fill][kind] = format;
        }
    }
    worksheet_set_landscape(sheet);
    worksheet_set_paper(sheet, 9);  // A4
    // Every column on the page's width, the computed ones too; as many pages down as it takes.
    worksheet_fit_to_pages(sheet, 1, 0);
    for (int col = 0; col < WorkbookColumns; ++col) {
        worksheet_set_column(sheet, static_cast<lxw_col_t>(col), static_cast<lxw_col_t>(col),
                             WorkbookColumnWidth(table, col), nullptr);
    }
    const std::size_t extraCount = DivisionCells(standing, 0).size();
    for (std::size_t i = 0; i < extraCount; ++i) {
        const auto col = static_cast<lxw_col_t>(WorkbookExtraColumn + static_cast<int>(i));
        worksheet_set_column(sheet, col, col, 9, nullptr);
    }
    lxw_error error = LXW_NO_ERROR;
    for (int row = 0; row < table.RowCount() && error == LXW_NO_ERROR; ++row) {
        for (int col = 0; col < WorkbookColumns && error == LXW_NO_ERROR; ++col) {
            const std::string text = WorkbookCellText(table.Cell(col, row));
            const CellNumber number = NumberOfCell(col, row, text, standing.TimeResolution);
            lxw_format* format =
                formats[static_cast<std::size_t>(WorkbookCellFill(standing, col, row))]
                       [static_cast<std::size_t>(number.Kind)];
            const auto r = static_cast<lxw_row_t>(row);
            const auto c = static_cast<lxw_col_t>(col);
            error = text.empty() ? worksheet_write_blank(sheet, r, c, format)
                    : number.Kind != CellKind::Text
                        ? worksheet_write_number(sheet, r, c, number.Value, format)
                        : worksheet_write_string(sheet, r, c, text.c_str(), format);
        }
        const std::vector<std::string> cells = DivisionCells(standing, row);
        for (std::size_t i = 0; i < cells.size() && error == LXW_NO_ERROR; ++i) {
            const auto r = static_cast<lxw_row_t>(row);
            const auto c = static_cast<lxw_col_t>(WorkbookExtraColumn + static_cast<int>(i));
            lxw_format* format = formats[0][static_cast<std::size_t>(CellKind::Text)];
            error = cells[i].empty() ? worksheet_write_blank(sheet, r, c, format)
                                     : worksheet_write_string(
                                           sheet, r, c, WorkbookCellText(cells[i]).c_str(), format);
        }
    }
    const auto extraEnd = WorkbookExtraColumn + static_cast<int>(extraCount);
    for (const KeptCell& cell : kept) {
        if (error != LXW_NO_ERROR) {
            break;
        }
        // The computed columns are written anew, never kept from before.
        if (cell.Col >= WorkbookExtraColumn && cell.Col < extraEnd) {
            continue;
        }
        const auto r = static_cast<lxw_row_t>(cell.Row);
        const auto c = static_cast<lxw_col_t>(cell.Col);
        error = cell.Number ? worksheet_write_number(sheet, r, c, *cell.Number, nullptr)
                            : worksheet_write_string(sheet, r, c,
                                                     WorkbookCellText(cell.Text).c_str(), nullptr);
    }
    return file.Finish(error);
}

// A report as one sheet: the list's name and head, the column titles, the rows (a note row in
// its first cell) and the foot lines below.
std::string ReportXlsxBytes(const Report& report) {
    XlsxTempBook file;
    lxw_workbook* workbook = file.Book();
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Tabelle1");
    lxw_format* bold = workbook_add_format(workbook);
    format_set_bold(bold);
    lxw_format* right = workbook_add_format(workbook);
    format_set_align(right, LXW_ALIGN_RIGHT);
    const std::vector<int> columns = ReportShownColumns(report);
    worksheet_set_paper(sheet, 9);  // A4
    worksheet_fit_to_pages(sheet, 1, 0);
    lxw_row_t r = 0;
    lxw_error error = LXW_NO_ERROR;
    const auto line = [&](lxw_col_t c, const std::string& text, lxw_format* format) {
        if (error == LXW_NO_ERROR && !text.empty()) {
            error = worksheet_write_string(sheet, r, c, WorkbookCellText(text).c_str(), format);
        }
    };
    const ReportHeadText head = ReportHeadLines(report);
    for (const std::string* text : {&head.show, &head.list, &head.when}) {
        if (!text->empty()) {
            line(0, *text, bold);
            ++r;
        }
    }
    ++r;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        line(static_cast<lxw_col_t>(i), report.columns[static_cast<std::size_t>(columns[i])].title,
             bold);
    }
    ++r;
    for (const ReportRow& row : report.rows) {
        if (row.kind == ReportRowKind::Note) {
            line(0, ReportCell(row, 0), bold);
        } else {
            for (std::size_t i = 0; i < columns.size(); ++i) {
                const ReportColumn& column = report.columns[static_cast<std::size_t>(columns[i])];
                line(static_cast<lxw_col_t>(i), ReportCell(row, columns[i]),
                     column.align == ReportAlign::Right ? right : nullptr);
            }
        }
        ++r;
    }
    ++r;
    for (const std::string& text : report.foot) {
        line(0, text, nullptr);
        ++r;
    }
    for (std::size_t i = 0; i < columns.size() && error == LXW_NO_ERROR; ++i) {
        error = worksheet_set_column(sheet, static_cast<lxw_col_t>(i), static_cast<lxw_col_t>(i),
                                     i == 0 ? 8 : 16, nullptr);
    }
    return file.Finish(error);
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
    unsigned int sheets = 0;
    result.MoreThanRows =
        colCount > WorkbookColumns ||
        (freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheets) == FREEXL_OK && sheets > 1);
    std::size_t text = 0;
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
            result.MoreThanRows = true;  // cells in or after the row that ends the data
            break;
        }
        for (const std::string& cell : row) {
            text += cell.size();
        }
        if (result.Rows.size() == MaxSheetRows) {
            return {{}, WorkbookTooLarge("mehr als " + std::to_string(MaxSheetRows) + " Zeilen")};
        }
        if (text > MaxSheetTextBytes) {
            return {{},
                    WorkbookTooLarge("mehr als " + std::to_string(MaxSheetTextBytes >> 20) +
                                     " MB Text")};
        }
        result.Rows.push_back(std::move(row));
    }
    return result;
}

// The rows travel from the reading process as length-prefixed texts: the error, the row count,
// then every cell.
void PutText(std::string& wire, std::string_view text) {
    const auto size = static_cast<std::uint32_t>(text.size());
    wire.append(reinterpret_cast<const char*>(&size), sizeof size);
    wire += text;
}

std::optional<std::string> TakeText(std::string_view& wire) {
    std::uint32_t size = 0;
    if (wire.size() < sizeof size) {
        return std::nullopt;
    }
    std::memcpy(&size, wire.data(), sizeof size);
    wire.remove_prefix(sizeof size);
    if (wire.size() < size) {
        return std::nullopt;
    }
    std::string text(wire.substr(0, size));
    wire.remove_prefix(size);
    return text;
}

std::string Encode(const WorkbookRows& read) {
    std::string wire;
    PutText(wire, read.Error);
    PutText(wire, read.MoreThanRows ? "1" : "0");
    PutText(wire, std::to_string(read.Rows.size()));
    for (const SheetRow& row : read.Rows) {
        for (const std::string& cell : row) {
            PutText(wire, cell);
        }
    }
    return wire;
}

std::optional<WorkbookRows> Decode(std::string_view wire) {
    WorkbookRows read;
    const std::optional<std::string> error = TakeText(wire);
    const std::optional<std::string> more = TakeText(wire);
    const std::optional<std::string> count = TakeText(wire);
    if (!error || !more || !count) {
        return std::nullopt;
    }
    read.Error = *error;
    read.MoreThanRows = *more == "1";
    for (unsigned long row = std::strtoul(count->c_str(), nullptr, 10); row > 0; --row) {
        SheetRow& cells = read.Rows.emplace_back();
        for (std::string& cell : cells) {
            std::optional<std::string> text = TakeText(wire);
            if (!text) {
                return std::nullopt;
            }
            cell = std::move(*text);
        }
    }
    return read;
}

// FreeXL trips over some damaged files (out-of-bounds accesses), so it reads in a child process
// of its own: a workbook that brings it down, or keeps it busy, ends that process and comes back
// as a message, while the program, its table and its light barrier carry on.
WorkbookRows ReadXlsApart(const std::string& path, char decimalSeparator) {
    // The texts of the largest start list the reader passes, with their length prefixes.
    constexpr std::size_t MaxWireBytes =
        MaxSheetTextBytes + (MaxSheetRows + 1) * ResultTable::ColCount * 4 + 4096;
    const WorkbookRows broken{{}, "Die Arbeitsmappe ist beschädigt und kann nicht gelesen werden"};
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) {
        return broken;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipe[0]);
        ::close(pipe[1]);
        return broken;
    }
    if (child == 0) {
        ::close(pipe[0]);
        const std::string wire = Encode(ReadXls(path, decimalSeparator));
        for (std::string_view left = wire; !left.empty();) {
            const ssize_t written = ::write(pipe[1], left.data(), left.size());
            if (written <= 0 && errno != EINTR) {
                ::_exit(1);
            }
            left.remove_prefix(written > 0 ? static_cast<std::size_t>(written) : 0);
        }
        ::_exit(0);
    }
    ::close(pipe[1]);
    // A full sheet of 65536 rows reads in about a second; a reader still busy after ten is stuck.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::string wire;
    bool finished = false;
    while (!finished) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{pipe[0], POLLIN, 0};
        const int polled = left.count() > 0 ? ::poll(&ready, 1, static_cast<int>(left.count())) : 0;
        if (polled < 0 && errno == EINTR) {
            continue;
        }
        if (polled <= 0) {
            ::kill(child, SIGKILL);  // stuck: no result
            break;
        }
        char buffer[65536];
        const ssize_t count = ::read(pipe[0], buffer, sizeof buffer);
        if (count > 0 && wire.size() > MaxWireBytes) {
            ::kill(child, SIGKILL);  // more than the reader would ever send for a start list
            break;
        }
        if (count > 0) {
            wire.append(buffer, static_cast<std::size_t>(count));
        } else if (count == 0 || errno != EINTR) {
            finished = count == 0;
            break;
        }
    }
    ::close(pipe[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    const bool exited = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    std::optional<WorkbookRows> read = finished && exited ? Decode(wire) : std::nullopt;
    return read ? std::move(*read) : broken;
}

}  // namespace

CellFill WorkbookCellFill(const Standing& standing, int col, int row) {
    if (row <= 0) {
        return CellFill::None;
    }
    const StandingRow& at = standing.At(row);
    if (!at.HasResult()) {
        return col == ColGrund ? CellFill::White : CellFill::None;
    }
    if (col != ColDq) {
        return CellFill::None;
    }
    return at.State == Validity::Disqualified ? CellFill::LightRed : CellFill::LightGreen;
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

std::string WorkbookBytes(const ResultTable& table, const Standing& standing,
                          WorkbookFormat format) {
    return format == WorkbookFormat::Xlsx ? XlsxBytes(table, standing, {})
                                          : XlsBytes(table, standing);
}

FileWriteResult WriteReportWorkbook(const Report& report, const std::string& path) {
    std::string bytes;
    try {
        bytes = ReportXlsxBytes(report);
    } catch (const std::exception& failure) {
        return {FileWriteStatus::NotCreated, failure.what()};
    }
    return ReplaceFileBytes(path, bytes);
}

FileWriteResult WriteWorkbookFile(const ResultTable& table, const Standing& standing,
                                  const std::string& path, const std::vector<KeptCell>& kept) {
    const bool xlsx = FileExtension(path) == ".xlsx";
    std::string bytes;
    try {
        bytes = xlsx ? XlsxBytes(table, standing, kept) : XlsBytes(table, standing);
    } catch (const std::exception& error) {
        return {FileWriteStatus::NotCreated, error.what()};
    }
    return ReplaceFileBytes(path, bytes);
}

WorkbookOverwrite ExistingWorkbook(const ResultTable& table, const std::string& path,
                                   char decimalSeparator) {
    WorkbookOverwrite result;
    const std::optional<std::string> bytes = ReadFileBytes(path);
    if (!bytes || !IsWorkbookContent(*bytes)) {
        return result;  // nothing there, or no workbook to keep anything of
    }
    const WorkbookRows old = ReadWorkbook(path, *bytes, decimalSeparator);
    const std::optional<std::vector<KeptCell>> cells =
        FileExtension(path) == ".xlsx" && old.Error.empty() && bytes->starts_with(ZipMagic)
            ? ReadXlsxCells(*bytes, decimalSeparator)
            : std::nullopt;
    if (!cells) {
        // Written anew whole: only a workbook that is more than a table loses something.
        result.LosesCells = !old.Error.empty() || old.MoreThanRows;
        return result;
    }
    result.LosesCells = old.MoreThanRows;  // its other sheets
    const auto oldRows = static_cast<int>(old.Rows.size());
    for (const KeptCell& cell : *cells) {
        const bool oldTable = cell.Row < oldRows && cell.Col < ResultTable::ColCount;
        const bool newBlock = cell.Row < table.RowCount() && cell.Col < WorkbookColumns;
        if (!oldTable && !newBlock && cell.Row <= MaxSheetRowIndex &&
            cell.Col <= MaxSheetColIndex) {
            result.Kept.push_back(cell);
        }
    }
    return result;
}

std::string WorkbookTooLarge(std::string_view limit) {
    return "Die Arbeitsmappe ist zu groß für eine Starterliste (" + std::string(limit) + ")";
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
        read = ReadXlsApart(path, decimalSeparator);
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
