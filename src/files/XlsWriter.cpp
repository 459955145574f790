#include "files/XlsWriter.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "files/Workbook.h"
#include "results/ResultTable.h"

namespace {

// Little-endian bytes of one record body or of the compound file.
class Bytes {
public:
    Bytes& U8(unsigned value) {
        bytes_ += static_cast<char>(value & 0xFFU);
        return *this;
    }
    Bytes& U16(unsigned value) { return U8(value).U8(value >> 8); }
    Bytes& U32(std::uint32_t value) { return U16(value & 0xFFFFU).U16(value >> 16); }
    Bytes& F64(double value) {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        return U32(static_cast<std::uint32_t>(bits)).U32(static_cast<std::uint32_t>(bits >> 32));
    }
    Bytes& Raw(std::string_view bytes) {
        bytes_ += bytes;
        return *this;
    }
    Bytes& Zeros(std::size_t count) {
        bytes_.append(count, '\0');
        return *this;
    }
    std::size_t Size() const { return bytes_.size(); }
    const std::string& Str() const { return bytes_; }
    std::string& Str() { return bytes_; }

private:
    std::string bytes_;
};

void Record(Bytes& stream, unsigned type, const Bytes& body = {}) {
    stream.U16(type).U16(static_cast<unsigned>(body.Size())).Raw(body.Str());
}

constexpr std::size_t MaxRecordBody = 8224;
constexpr int MaxRows = 65536;
constexpr std::string_view SheetName = "Tabelle1";

// Record types of the workbook stream.
enum : unsigned {
    RecBof = 0x0809,
    RecEof = 0x000A,
    RecCodepage = 0x0042,
    RecWindow1 = 0x003D,
    RecFont = 0x0031,
    RecXf = 0x00E0,
    RecStyle = 0x0293,
    RecPalette = 0x0092,
    RecBoundSheet = 0x0085,
    RecSst = 0x00FC,
    RecContinue = 0x003C,
    RecExtSst = 0x00FF,
    RecSetup = 0x00A1,
    RecColInfo = 0x007D,
    RecDimensions = 0x0200,
    RecRow = 0x0208,
    RecLabelSst = 0x00FD,
    RecBlank = 0x0201,
    RecWindow2 = 0x023E,
};

// Palette slots given our two marks (they held similar pale tones) and the default white.
constexpr unsigned GreenSlot = 0x2A;
constexpr unsigned RedSlot = 0x2D;
constexpr unsigned WhiteSlot = 0x09;
constexpr std::array<std::uint32_t, 56> DefaultPalette = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
    0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080,
    0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF,
    0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF,
    0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
    0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696,
    0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333};

// Cell formats: 15 style formats, the default cell format, then ours (bordered, per fill).
constexpr unsigned FirstCellXf = 16;
unsigned XfOf(CellFill fill) {
    return FirstCellXf + static_cast<unsigned>(fill);
}

Bytes Xf(bool style, bool border, unsigned fillSlot) {
    constexpr unsigned Automatic = 0x40;
    constexpr unsigned AutomaticBack = 0x41;
    const unsigned lines = border ? Automatic | Automatic << 7 : 0;
    Bytes xf;
    xf.U16(0).U16(0);                                // font, number format
    xf.U16(style ? 0xFFF5 : 0x0001);                 // locked; style formats have no parent
    xf.U8(0x20).U8(0).U8(0);                         // bottom aligned, no rotation or indent
    xf.U8(style ? 0x00 : 0x60);                      // cell formats set borders and pattern
    xf.U16(border ? 0x1111 : 0);                     // thin lines left, right, top, bottom
    xf.U16(lines);                                   // left and right line colour
    xf.U32(lines | (fillSlot != 0 ? 1U << 26 : 0));  // top and bottom colour, solid pattern
    xf.U16((fillSlot != 0 ? fillSlot : Automatic) | AutomaticBack << 7);
    return xf;
}

// UTF-16 code units of valid UTF-8.
std::u16string Utf16(std::string_view utf8) {
    std::u16string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        const int length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
        std::uint32_t code = length == 1 ? byte : byte & (0xFFU >> (length + 1));
        for (int k = 1; k < length && i + k < utf8.size(); ++k) {
            code = code << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3FU);
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (code >> 10));
            out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
        i += static_cast<std::size_t>(length);
    }
    return out;
}

// The shared string table and its index, split into CONTINUE records where a record is full.
// base is the stream offset the table starts at, for the index of every bucket's first string.
Bytes SharedStrings(const std::vector<std::u16string>& strings, std::uint32_t uses,
                    std::size_t base) {
    Bytes out;
    Bytes body;
    unsigned type = RecSst;
    body.U32(uses).U32(static_cast<std::uint32_t>(strings.size()));
    const auto flush = [&] {
        Record(out, type, body);
        body = {};
        type = RecContinue;
    };
    const std::size_t perBucket = std::max<std::size_t>(8, (strings.size() + 127) / 128);
    Bytes index;
    index.U16(static_cast<unsigned>(perBucket));
    for (std::size_t i = 0; i < strings.size(); ++i) {
        const std::u16string& text = strings[i];
        if (body.Size() + 5 > MaxRecordBody) {  // a string's header and first character stay
            flush();                            // together
        }
        if (i % perBucket == 0) {
            index.U32(static_cast<std::uint32_t>(base + out.Size() + 4 + body.Size()))
                .U16(static_cast<unsigned>(4 + body.Size()))
                .U16(0);
        }
        body.U16(static_cast<unsigned>(text.size())).U8(1);  // UTF-16 characters follow
        for (std::size_t at = 0; at < text.size();) {
            if (body.Size() + 2 > MaxRecordBody) {
                flush();
                body.U8(1);  // a continued string restates its character width
            }
            const std::size_t count = std::min(text.size() - at, (MaxRecordBody - body.Size()) / 2);
            for (std::size_t k = 0; k < count; ++k) {
                body.U16(text[at + k]);
            }
            at += count;
        }
    }
    flush();
    Record(out, RecExtSst, index);
    return out;
}

Bytes Bof(unsigned kind) {
    return Bytes().U16(0x0600).U16(kind).U16(0x0DBB).U16(0x07CC).U32(0).U32(0x00000006);
}

// Workbook globals up to the sheet list: fonts, formats, palette.
Bytes GlobalsHead() {
    Bytes out;
    Record(out, RecBof, Bof(0x0005));
    Record(out, RecCodepage, Bytes().U16(0x04B0));  // UTF-16
    Record(
        out, RecWindow1,
        Bytes().U16(0).U16(0).U16(0x4000).U16(0x2000).U16(0x0038).U16(0).U16(0).U16(1).U16(0x0258));
    for (int font = 0; font < 5; ++font) {  // the format skips font index 4; five are expected
        Record(out, RecFont,
               Bytes()
                   .U16(200)
                   .U16(0)
                   .U16(0x7FFF)
                   .U16(400)
                   .U16(0)
                   .U8(0)
                   .U8(0)
                   .U8(0)
                   .U8(0)
                   .U8(5)
                   .U8(0)
                   .Raw("Arial"));
    }
    for (int style = 0; style < 15; ++style) {
        Record(out, RecXf, Xf(true, false, 0));
    }
    Record(out, RecXf, Xf(false, false, 0));
    Record(out, RecXf, Xf(false, true, 0));
    Record(out, RecXf, Xf(false, true, WhiteSlot));
    Record(out, RecXf, Xf(false, true, GreenSlot));
    Record(out, RecXf, Xf(false, true, RedSlot));
    Record(out, RecStyle, Bytes().U16(0x8000).U8(0).U8(0xFF));  // "Normal" on format 0
    Bytes palette;
    palette.U16(DefaultPalette.size());
    for (std::size_t i = 0; i < DefaultPalette.size(); ++i) {
        const std::size_t slot = i + 8;
        const std::uint32_t rgb = slot == GreenSlot ? 0xE0FFE0
                                  : slot == RedSlot ? 0xFFE0E0
                                                    : DefaultPalette[i];
        palette.U8(rgb >> 16).U8(rgb >> 8).U8(rgb).U8(0);
    }
    Record(out, RecPalette, palette);
    return out;
}

Bytes BoundSheet(std::uint32_t sheetOffset) {
    return Bytes()
        .U32(sheetOffset)
        .U8(0)
        .U8(0)
        .U8(static_cast<unsigned>(SheetName.size()))
        .U8(0)
        .Raw(SheetName);
}

struct Cells {
    Bytes sheet;
    std::vector<std::u16string> strings;
    std::uint32_t uses = 0;
};

// The worksheet substream; its text cells refer to the shared strings collected on the way.
Cells Sheet(const ResultTable& table, const Standing& standing) {
    Cells cells;
    std::unordered_map<std::string, std::uint32_t> known;
    Bytes& out = cells.sheet;
    const int rows = table.RowCount();
    const auto extraCount = static_cast<int>(DivisionCells(standing, 0).size());
    // One past the last column written.
    const int columnEnd = extraCount > 0 ? WorkbookExtraColumn + extraCount : WorkbookColumns;
    Record(out, RecBof, Bof(0x0010));
    Record(out, 0x000D, Bytes().U16(1));                       // CALCMODE automatic
    Record(out, 0x000C, Bytes().U16(100));                     // CALCCOUNT
    Record(out, 0x000F, Bytes().U16(1));                       // REFMODE A1
    Record(out, 0x0011, Bytes().U16(0));                       // ITERATION off
    Record(out, 0x0010, Bytes().F64(0.001));                   // DELTA
    Record(out, 0x005F, Bytes().U16(1));                       // SAVERECALC
    Record(out, 0x002A, Bytes().U16(0));                       // PRINTHEADERS
    Record(out, 0x002B, Bytes().U16(0));                       // PRINTGRIDLINES
    Record(out, 0x0082, Bytes().U16(1));                       // GRIDSET
    Record(out, 0x0080, Bytes().U16(0).U16(0).U16(0).U16(0));  // GUTS
    Record(out, 0x0225, Bytes().U16(0).U16(0x00FF));           // DEFAULTROWHEIGHT
    Record(out, 0x0081, Bytes().U16(0x04C1));                  // WSBOOL
    Record(out, 0x0083, Bytes().U16(0));                       // HCENTER
    Record(out, 0x0084, Bytes().U16(0));                       // VCENTER
    // A4, 100 %, landscape (portrait bit clear, settings valid), 600 dpi, margins 0.5".
    Record(
        out, RecSetup,
        Bytes().U16(9).U16(100).U16(1).U16(1).U16(1).U16(0).U16(600).U16(600).F64(0.5).F64(0.5).U16(
            1));
    Record(out, 0x0055, Bytes().U16(8));  // DEFCOLWIDTH
    for (int col = 0; col < WorkbookColumns; ++col) {
        Record(out, RecColInfo,
               Bytes()
                   .U16(col)
                   .U16(col)
                   .U16(static_cast<unsigned>(WorkbookColumnWidth(table, col) * 256))
                   .U16(15)
                   .U16(0)
                   .U16(0));
    }
    for (int col = WorkbookExtraColumn; col < WorkbookExtraColumn + extraCount; ++col) {
        Record(out, RecColInfo, Bytes().U16(col).U16(col).U16(9 * 256).U16(15).U16(0).U16(0));
    }
    Record(out, RecDimensions,
           Bytes()
               .U32(0)
               .U32(static_cast<std::uint32_t>(rows))
               .U16(0)
               .U16(static_cast<unsigned>(columnEnd))
               .U16(0));
    constexpr int RowBlock = 32;  // row records lead each block of rows, as readers expect
    for (int first = 0; first < rows; first += RowBlock) {
        const int last = std::min(rows, first + RowBlock);
        for (int row = first; row < last; ++row) {
            Record(out, RecRow,
                   Bytes()
                       .U16(row)
                       .U16(0)
                       .U16(static_cast<unsigned>(columnEnd))
                       .U16(0x00FF)
                       .U16(0)
                       .U16(0)
                       .U32(0x000F0100));
        }
        for (int row = first; row < last; ++row) {
            const std::vector<std::string> extraCells = DivisionCells(standing, row);
            for (int col = 0; col < columnEnd; ++col) {
                if (col >= WorkbookColumns && col < WorkbookExtraColumn) {
                    continue;
                }
                const std::string text = WorkbookCellText(
                    col < WorkbookColumns
                        ? table.Cell(col, row)
                        : extraCells[static_cast<std::size_t>(col - WorkbookExtraColumn)]);
                const unsigned xf = XfOf(
                    col < WorkbookColumns ? WorkbookCellFill(standing, col, row) : CellFill::None);
                if (text.empty()) {
                    Record(out, RecBlank, Bytes().U16(row).U16(col).U16(xf));
                    continue;
                }
                const auto [entry, added] =
                    known.try_emplace(text, static_cast<std::uint32_t>(cells.strings.size()));
                if (added) {
                    cells.strings.push_back(Utf16(text));
                }
                ++cells.uses;
                Record(out, RecLabelSst, Bytes().U16(row).U16(col).U16(xf).U32(entry->second));
            }
        }
    }
    Record(out, RecWindow2,
           Bytes().U16(0x06B6).U16(0).U16(0).U16(0x40).U16(0).U16(0).U16(0).U16(0).U16(0));
    Record(out, RecEof);
    return cells;
}

// The compound file around one stream named "Workbook": 512-byte sectors, a stream below
// 4096 bytes in 64-byte mini sectors, FAT sectors beyond 109 listed in DIFAT sectors.
std::string CompoundFile(const std::string& stream) {
    constexpr std::uint32_t Free = 0xFFFFFFFF;
    constexpr std::uint32_t EndOfChain = 0xFFFFFFFE;
    constexpr std::uint32_t FatSector = 0xFFFFFFFD;
    constexpr std::uint32_t DifatSector = 0xFFFFFFFC;
    constexpr std::size_t SectorSize = 512;
    constexpr std::size_t MiniSize = 64;
    constexpr std::size_t MiniCutoff = 4096;
    const auto sectorsFor = [](std::size_t bytes, std::size_t unit) {
        return static_cast<std::uint32_t>((bytes + unit - 1) / unit);
    };

    const bool mini = stream.size() < MiniCutoff;
    // Sectors in file order: stream (or mini stream) data, mini FAT, directory, FAT, DIFAT.
    const std::uint32_t miniSectors = mini ? sectorsFor(stream.size(), MiniSize) : 0;
    const std::uint32_t dataSectors = mini ? sectorsFor(miniSectors * MiniSize, SectorSize)
                                           : sectorsFor(stream.size(), SectorSize);
    const std::uint32_t miniFatSectors = mini ? 1 : 0;  // at most 63 entries
    const std::uint32_t directory = dataSectors + miniFatSectors;
    const std::uint32_t fixedSectors = directory + 1;
    std::uint32_t fatSectors = 1;
    std::uint32_t difatSectors = 0;
    for (;;) {
        difatSectors = fatSectors > 109 ? sectorsFor(fatSectors - 109, 127) : 0;
        if (fatSectors * 128 >= fixedSectors + fatSectors + difatSectors) {
            break;
        }
        ++fatSectors;
    }
    std::vector<std::uint32_t> fat(fatSectors * 128, Free);
    const auto chain = [&fat](std::uint32_t first, std::uint32_t count) {
        for (std::uint32_t i = 0; i < count; ++i) {
            fat[first + i] = i + 1 < count ? first + i + 1 : EndOfChain;
        }
    };
    chain(0, dataSectors);
    chain(dataSectors, miniFatSectors);
    chain(directory, 1);
    std::fill_n(fat.begin() + fixedSectors, fatSectors, FatSector);
    std::fill_n(fat.begin() + fixedSectors + fatSectors, difatSectors, DifatSector);

    Bytes file;
    file.Raw(std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)).Zeros(16);
    file.U16(0x003E).U16(0x0003).U16(0xFFFE).U16(9).U16(6).Zeros(6);
    file.U32(0).U32(fatSectors).U32(directory).U32(0).U32(MiniCutoff);
    file.U32(mini ? dataSectors : EndOfChain).U32(miniFatSectors);
    const std::uint32_t firstDifat = fixedSectors + fatSectors;
    file.U32(difatSectors > 0 ? firstDifat : EndOfChain).U32(difatSectors);
    for (std::uint32_t i = 0; i < 109; ++i) {
        file.U32(i < fatSectors ? fixedSectors + i : Free);
    }

    file.Raw(stream).Zeros(dataSectors * SectorSize - stream.size());
    if (mini) {
        Bytes miniFat;
        for (std::uint32_t i = 0; i < miniSectors; ++i) {
            miniFat.U32(i + 1 < miniSectors ? i + 1 : EndOfChain);
        }
        file.Raw(miniFat.Str()).Zeros(SectorSize - miniFat.Size());
    }
    const auto entry = [&file](std::u16string_view name, unsigned type, std::uint32_t child,
                               std::uint32_t start, std::uint32_t size) {
        for (const char16_t unit : name) {
            file.U16(unit);
        }
        file.Zeros(64 - name.size() * 2);
        file.U16(name.empty() ? 0 : static_cast<unsigned>(name.size() * 2 + 2));
        file.U8(type).U8(1).U32(Free).U32(Free).U32(child).Zeros(16 + 4 + 16);
        file.U32(start).U32(size).U32(0);
    };
    entry(u"Root Entry", 5, 1, mini ? 0 : EndOfChain, mini ? miniSectors * MiniSize : 0);
    entry(u"Workbook", 2, Free, 0, static_cast<std::uint32_t>(stream.size()));
    entry(u"", 0, Free, 0, 0);
    entry(u"", 0, Free, 0, 0);
    for (const std::uint32_t next : fat) {
        file.U32(next);
    }
    for (std::uint32_t d = 0; d < difatSectors; ++d) {
        for (std::uint32_t i = 0; i < 127; ++i) {
            const std::uint32_t listed = 109 + d * 127 + i;
            file.U32(listed < fatSectors ? fixedSectors + listed : Free);
        }
        file.U32(d + 1 < difatSectors ? firstDifat + d + 1 : EndOfChain);
    }
    return std::move(file.Str());
}

}  // namespace

std::string XlsBytes(const ResultTable& table, const Standing& standing) {
    if (table.RowCount() > MaxRows) {
        throw std::runtime_error("Zu viele Zeilen für eine .xls-Arbeitsmappe (höchstens 65536)");
    }
    Cells cells = Sheet(table, standing);
    Bytes globals = GlobalsHead();
    const std::size_t sheetListSize = 4 + BoundSheet(0).Size();
    const Bytes strings = SharedStrings(cells.strings, cells.uses, globals.Size() + sheetListSize);
    const std::size_t sheetOffset = globals.Size() + sheetListSize + strings.Size() + 4;
    Record(globals, RecBoundSheet, BoundSheet(static_cast<std::uint32_t>(sheetOffset)));
    globals.Raw(strings.Str());
    Record(globals, RecEof);
    globals.Raw(cells.sheet.Str());
    return CompoundFile(globals.Str());
}
