#include "files/XlsxReader.h"

#include <expat.h>
#include <unzip.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "results/TimeText.h"

namespace {

// The last row number a sheet can have.
constexpr long LastRowNumber = 1048576;

// What one workbook has taken so far while it is read, against the limits of a start list, so
// that a zip bomb or a flood of empty texts is stopped while it is read, not after.
class ReadBudget {
public:
    bool Exhausted() const { return !reached.empty(); }
    // Each returns false once a limit is passed; the first one passed is kept in reached.
    bool Unpacked(std::size_t bytes) {
        unpacked_ += bytes;
        return Check(unpacked_ <= MaxUnpackedBytes,
                     "mehr als " + std::to_string(MaxUnpackedBytes >> 20) + " MB entpackt");
    }
    bool Text(std::size_t bytes) {
        text_ += bytes;
        return Check(text_ <= MaxSheetTextBytes,
                     "mehr als " + std::to_string(MaxSheetTextBytes >> 20) + " MB Text");
    }
    bool Strings(std::size_t count) {
        return Check(count <= MaxSheetStrings,
                     "mehr als " + std::to_string(MaxSheetStrings) + " Texte");
    }
    bool Rows(std::size_t count) {
        return Check(count <= MaxSheetRows, "mehr als " + std::to_string(MaxSheetRows) + " Zeilen");
    }

    std::string reached;

private:
    bool Check(bool within, const std::string& limit) {
        if (!within && reached.empty()) {
            reached = limit;
        }
        return reached.empty();
    }

    std::size_t unpacked_ = 0;
    std::size_t text_ = 0;
};

// minizip reads the zip straight from the bytes in memory.
struct MemoryFile {
    std::string_view bytes;
    std::size_t pos = 0;
};

voidpf ZCALLBACK OpenMemory(voidpf opaque, const char*, int) {
    return opaque;
}
uLong ZCALLBACK ReadMemory(voidpf, voidpf stream, void* buffer, uLong size) {
    auto& file = *static_cast<MemoryFile*>(stream);
    const std::size_t count = std::min<std::size_t>(size, file.bytes.size() - file.pos);
    std::memcpy(buffer, file.bytes.data() + file.pos, count);
    file.pos += count;
    return static_cast<uLong>(count);
}
uLong ZCALLBACK WriteMemory(voidpf, voidpf, const void*, uLong) {
    return 0;
}
long ZCALLBACK TellMemory(voidpf, voidpf stream) {
    return static_cast<long>(static_cast<MemoryFile*>(stream)->pos);
}
long ZCALLBACK SeekMemory(voidpf, voidpf stream, uLong offset, int origin) {
    auto& file = *static_cast<MemoryFile*>(stream);
    const std::size_t base = origin == ZLIB_FILEFUNC_SEEK_SET   ? 0
                             : origin == ZLIB_FILEFUNC_SEEK_CUR ? file.pos
                                                                : file.bytes.size();
    if (offset > file.bytes.size() - base) {
        return -1;
    }
    file.pos = base + offset;
    return 0;
}
int ZCALLBACK CloseMemory(voidpf, voidpf) {
    return 0;
}
int ZCALLBACK ErrorMemory(voidpf, voidpf) {
    return 0;
}

class Zip {
public:
    explicit Zip(std::string_view bytes) : file_{bytes} {
        zlib_filefunc_def io{OpenMemory, ReadMemory,  WriteMemory, TellMemory,
                             SeekMemory, CloseMemory, ErrorMemory, &file_};
        handle_ = unzOpen2("", &io);
    }
    Zip(const Zip&) = delete;
    Zip& operator=(const Zip&) = delete;
    ~Zip() {
        if (handle_ != nullptr) {
            unzClose(handle_);
        }
    }
    bool Open() const { return handle_ != nullptr; }
    unzFile Handle() const { return handle_; }

private:
    MemoryFile file_;
    unzFile handle_ = nullptr;
};

// Element and attribute names arrive as "namespace|local"; the parts are matched by local name
// so that prefixed documents from other writers read the same.
std::string_view LocalName(const char* name) {
    const std::string_view full(name);
    const std::size_t bar = full.rfind('|');
    return bar == std::string_view::npos ? full : full.substr(bar + 1);
}

std::string_view Attribute(const char** attributes, std::string_view local) {
    for (; attributes[0] != nullptr; attributes += 2) {
        if (LocalName(attributes[0]) == local) {
            return attributes[1];
        }
    }
    return {};
}

class XmlHandler {
public:
    virtual ~XmlHandler() = default;
    virtual void Start(std::string_view name, const char** attributes) = 0;
    virtual void End(std::string_view) {}
    virtual void Text(std::string_view) {}
    // Set by a handler that has what it needs, or that reached a limit; parsing stops there.
    bool done = false;
};

// Feeds a part to expat piece by piece as it is unpacked. Each element costs the budget a
// little, which bounds what any handler can keep per element.
class XmlParser {
public:
    XmlParser(XmlHandler& handler, ReadBudget& budget)
        : parser_(XML_ParserCreateNS(nullptr, '|')), handler_(handler), budget_(budget) {
        if (parser_ == nullptr) {
            return;
        }
        XML_SetUserData(parser_, this);
        XML_SetElementHandler(
            parser_,
            [](void* data, const XML_Char* name, const XML_Char** attributes) {
                auto& self = *static_cast<XmlParser*>(data);
                self.handler_.done = self.handler_.done || !self.budget_.Text(ElementCost);
                if (!self.handler_.done) {
                    self.handler_.Start(LocalName(name), attributes);
                }
                self.StopWhenDone();
            },
            [](void* data, const XML_Char* name) {
                auto& self = *static_cast<XmlParser*>(data);
                if (!self.handler_.done) {
                    self.handler_.End(LocalName(name));
                }
                self.StopWhenDone();
            });
        XML_SetCharacterDataHandler(parser_, [](void* data, const XML_Char* text, int length) {
            auto& self = *static_cast<XmlParser*>(data);
            if (!self.handler_.done) {
                self.handler_.Text(std::string_view(text, static_cast<std::size_t>(length)));
            }
            self.StopWhenDone();
        });
    }
    XmlParser(const XmlParser&) = delete;
    XmlParser& operator=(const XmlParser&) = delete;
    ~XmlParser() {
        if (parser_ != nullptr) {
            XML_ParserFree(parser_);
        }
    }

    // False when the XML is not well-formed. A stop asked for by the handler is no error.
    bool Feed(const char* bytes, int size, bool last) {
        if (parser_ == nullptr) {
            return false;
        }
        return XML_Parse(parser_, bytes, size, last) == XML_STATUS_OK ||
               XML_GetErrorCode(parser_) == XML_ERROR_ABORTED;
    }

private:
    void StopWhenDone() {
        if (handler_.done && !stopped_) {
            stopped_ = true;
            XML_StopParser(parser_, XML_FALSE);
        }
    }

    static constexpr std::size_t ElementCost = 16;

    XML_Parser parser_;
    XmlHandler& handler_;
    ReadBudget& budget_;
    bool stopped_ = false;
};

// Relationships of a part: id -> target, and the target of the first relation of each type.
class Relations : public XmlHandler {
public:
    void Start(std::string_view name, const char** attributes) override {
        if (name != "Relationship") {
            return;
        }
        const std::string target(Attribute(attributes, "Target"));
        targets[std::string(Attribute(attributes, "Id"))] = target;
        std::string_view type = Attribute(attributes, "Type");
        type.remove_prefix(std::min(type.size(), type.rfind('/') + 1));
        byType.emplace(type, target);
    }
    std::map<std::string, std::string> targets;
    std::map<std::string, std::string, std::less<>> byType;
};

// The relation id of the first sheet in tab order, and whether there are more.
class FirstSheet : public XmlHandler {
public:
    void Start(std::string_view name, const char** attributes) override {
        if (name == "sheet" && id.empty()) {
            id = Attribute(attributes, "id");
        } else if (name == "sheet") {
            more = true;
            done = true;
        }
    }
    std::string id;
    bool more = false;
};

class SharedStrings : public XmlHandler {
public:
    explicit SharedStrings(ReadBudget& budget) : budget_(budget) {}

    void Start(std::string_view name, const char**) override {
        if (name == "si") {
            // Every string costs its bookkeeping, however empty it is.
            done = !budget_.Strings(strings.size() + 1) || !budget_.Text(sizeof(std::string));
            if (!done) {
                strings.emplace_back();
            }
        } else if (name == "t") {
            inText_ = !inPhonetic_;
        } else if (name == "rPh") {
            inPhonetic_ = true;
        }
    }
    void End(std::string_view name) override {
        if (name == "t") {
            inText_ = false;
        } else if (name == "rPh") {
            inPhonetic_ = false;
        }
    }
    void Text(std::string_view text) override {
        if (inText_ && !strings.empty()) {
            done = !budget_.Text(text.size());
            strings.back() += text;
        }
    }
    std::vector<std::string> strings;

private:
    ReadBudget& budget_;
    bool inText_ = false;
    bool inPhonetic_ = false;
};

// RunTime: an elapsed time in minutes or seconds ("[m]:ss.00", "s.00", older files "[s].00"),
// as run times are written; it reads as a time text.
enum class DateKind { None, Date, Time, DateTime, RunTime, RunTimeMs };

// Which cell formats show a date or time, so that such numbers come out as dates as the
// ".xls" reader gives them.
class CellStyles : public XmlHandler {
public:
    void Start(std::string_view name, const char** attributes) override {
        if (name == "numFmt") {
            custom_[std::string(Attribute(attributes, "numFmtId"))] =
                KindOfCode(Attribute(attributes, "formatCode"));
        } else if (name == "cellXfs") {
            inCellFormats_ = true;
        } else if (name == "xf" && inCellFormats_) {
            const std::string id(Attribute(attributes, "numFmtId"));
            const auto found = custom_.find(id);
            kinds.push_back(found != custom_.end() ? found->second : KindOfBuiltIn(id));
        }
    }
    void End(std::string_view name) override {
        if (name == "cellXfs") {
            inCellFormats_ = false;
        }
    }
    std::vector<DateKind> kinds;

private:
    static DateKind KindOfBuiltIn(const std::string& id) {
        const int number = std::atoi(id.c_str());
        if (number >= 14 && number <= 17) {
            return DateKind::Date;
        }
        if ((number >= 18 && number <= 21) || (number >= 45 && number <= 47)) {
            return DateKind::Time;
        }
        return number == 22 ? DateKind::DateTime : DateKind::None;
    }
    // Date letters outside quoted text, escapes and [colour] sections; "m" alone is not
    // telling (minutes or months), so only y, d, h and s decide.
    static DateKind KindOfCode(std::string_view code) {
        std::string lower(code);
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        const DateKind runTime =
            lower.find(".000") != std::string::npos ? DateKind::RunTimeMs : DateKind::RunTime;
        for (const char* elapsed : {"[m]", "[mm]", "[s]", "[ss]"}) {
            if (lower.find(elapsed) != std::string::npos) {
                return runTime;
            }
        }
        // Seconds with their fraction and nothing else: a run time under a minute.
        if (lower.rfind("s.0", 0) == 0 || lower.rfind("ss.0", 0) == 0) {
            return runTime;
        }
        bool date = false;
        bool time = false;
        for (std::size_t i = 0; i < code.size(); ++i) {
            const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(code[i])));
            if (c == '"') {
                i = std::min(code.find('"', i + 1), code.size());
            } else if (c == '[') {
                i = std::min(code.find(']', i + 1), code.size());
            } else if (c == '\\' || c == '_' || c == '*') {
                ++i;
            } else if (c == 'y' || c == 'd') {
                date = true;
            } else if (c == 'h' || c == 's') {
                time = true;
            }
        }
        return date && time ? DateKind::DateTime
               : date       ? DateKind::Date
               : time       ? DateKind::Time
                            : DateKind::None;
    }

    std::map<std::string, DateKind> custom_;
    bool inCellFormats_ = false;
};

// Serial day numbers a date can have (years 1900 to 9999).
constexpr double LastSerialDay = 2958466.0;

// A serial day number (days since 1899-12-30) as "YYYY-MM-DD", "HH:MM:SS" or both.
std::string DateText(double serial, DateKind kind) {
    const long long total = std::llround(serial * 86400.0);
    const long long daySeconds = total % 86400;
    // Civil date from days since 1970-01-01 (25569 days after the serial day 0).
    const long long z = total / 86400 - 25569 + 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long dayOfEra = z - era * 146097;
    const long long yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long long shifted = (5 * dayOfYear + 2) / 153;
    const long long day = dayOfYear - (153 * shifted + 2) / 5 + 1;
    const long long month = shifted < 10 ? shifted + 3 : shifted - 9;
    const long long year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    char date[64];
    std::snprintf(date, sizeof date, "%04lld-%02lld-%02lld", year, month, day);
    char time[64];
    std::snprintf(time, sizeof time, "%02lld:%02lld:%02lld", daySeconds / 3600,
                  daySeconds / 60 % 60, daySeconds % 60);
    return kind == DateKind::Date   ? std::string(date)
           : kind == DateKind::Time ? std::string(time)
                                    : std::string(date) + " " + time;
}

// Column index of a cell reference such as "B12" (0 for A); -1 when it names none.
int ColumnOf(std::string_view reference) {
    int col = 0;
    std::size_t i = 0;
    for (; i < reference.size() && reference[i] >= 'A' && reference[i] <= 'Z' && col <= 16384;
         ++i) {
        col = col * 26 + (reference[i] - 'A' + 1);
    }
    return i == 0 ? -1 : col - 1;
}

std::optional<long> NumberOf(std::string_view text) {
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() ? std::optional(value)
                                                                    : std::nullopt;
}

// The rows of the sheet part until the data ends; rows come in ascending order, so a missing
// row is an empty one and ends the data too. With everything, every cell of the sheet instead,
// wherever it is.
class SheetCells : public XmlHandler {
public:
    SheetCells(const std::vector<std::string>& strings, const std::vector<DateKind>& styles,
               char decimalSeparator, ReadBudget& budget, bool everything)
        : strings_(strings),
          styles_(styles),
          decimalSeparator_(decimalSeparator),
          budget_(budget),
          everything_(everything) {}

    void Start(std::string_view name, const char** attributes) override {
        if (name == "row" && everything_) {
            const std::optional<long> number = NumberOf(Attribute(attributes, "r"));
            row_ = number && *number >= 1 && *number <= LastRowNumber
                       ? static_cast<int>(*number - 1)
                       : row_ + 1;
            nextCol_ = 0;
            done = !budget_.Rows(static_cast<std::size_t>(++rowCount_));
        } else if (name == "c" && everything_) {
            const std::string_view reference = Attribute(attributes, "r");
            col_ = reference.empty() ? nextCol_ : ColumnOf(reference);
            type_ = Attribute(attributes, "t");
            style_ = NumberOf(Attribute(attributes, "s")).value_or(0);
            value_.clear();
        } else if (name == "row") {
            // Row numbers are checked before they are counted with: a number out of the
            // sheet's range is not the next row either.
            const std::optional<long> number = NumberOf(Attribute(attributes, "r"));
            const bool next = !number || (*number >= 1 && *number <= LastRowNumber &&
                                          static_cast<std::size_t>(*number - 1) == rows.size());
            if (!next) {
                done = true;
                return;
            }
            if (!budget_.Rows(rows.size() + 1) || !budget_.Text(sizeof(SheetRow))) {
                done = true;
                return;
            }
            rows.emplace_back();
            nextCol_ = 0;
        } else if (name == "c" && !rows.empty()) {
            const std::string_view reference = Attribute(attributes, "r");
            col_ = reference.empty() ? nextCol_ : ColumnOf(reference);
            type_ = Attribute(attributes, "t");
            style_ = NumberOf(Attribute(attributes, "s")).value_or(0);
            value_.clear();
        } else if (name == "v" || name == "t") {
            inValue_ = true;
        }
    }
    void End(std::string_view name) override {
        if (name == "v" || name == "t") {
            inValue_ = false;
        } else if (name == "c" && everything_) {
            if (col_ >= 0 && row_ >= 0 && !value_.empty()) {
                KeptCell cell{row_, col_, PlainNumber(), {}};
                if (!cell.Number) {
                    cell.Text = CellText();
                }
                done = !budget_.Text(sizeof cell + cell.Text.size());
                cells.push_back(std::move(cell));
            }
            nextCol_ = col_ + 1;
        } else if (everything_) {
            return;
        } else if (name == "c" && !rows.empty()) {
            if (col_ >= 0 && col_ < ResultTable::ColCount) {
                std::string& cell = rows.back()[static_cast<std::size_t>(col_)];
                cell = CellText();
                done = !budget_.Text(cell.size());
            }
            nextCol_ = col_ + 1;
        } else if (name == "row" && EndsSheetData(rows.back())) {
            rows.pop_back();
            done = true;
        }
    }
    void Text(std::string_view text) override {
        if (inValue_) {
            done = !budget_.Text(text.size());
            value_ += text;
        }
    }

    std::vector<SheetRow> rows;
    std::vector<KeptCell> cells;
    bool badString = false;

private:
    // The value of a number cell as stored, whatever its format shows.
    std::optional<double> PlainNumber() const {
        double number = 0;
        const auto [end, error] =
            std::from_chars(value_.data(), value_.data() + value_.size(), number);
        return (type_.empty() || type_ == "n") && error == std::errc() &&
                       end == value_.data() + value_.size()
                   ? std::optional(number)
                   : std::nullopt;
    }

    std::string CellText() {
        if (type_ == "s") {
            const std::optional<long> index = NumberOf(value_);
            if (!index || *index < 0 || static_cast<std::size_t>(*index) >= strings_.size()) {
                badString = true;
                return {};
            }
            return strings_[static_cast<std::size_t>(*index)];
        }
        if (type_ == "b") {
            return value_ == "1" ? "WAHR" : "FALSCH";
        }
        if ((!type_.empty() && type_ != "n") || value_.empty()) {
            return value_;  // inline and formula strings, errors, ISO dates
        }
        double number = 0;
        const auto [end, error] =
            std::from_chars(value_.data(), value_.data() + value_.size(), number);
        if (error != std::errc() || end != value_.data() + value_.size()) {
            return value_;
        }
        const DateKind kind = style_ >= 0 && static_cast<std::size_t>(style_) < styles_.size()
                                  ? styles_[static_cast<std::size_t>(style_)]
                                  : DateKind::None;
        if ((kind == DateKind::RunTime || kind == DateKind::RunTimeMs) && number >= 0 &&
            number < 1) {
            return FormatTimeText(
                std::llround(number * 86'400'000.0), decimalSeparator_,
                kind == DateKind::RunTimeMs ? Resolution::Thousandths : Resolution::Hundredths);
        }
        if (kind != DateKind::None && number >= 0 && number < LastSerialDay) {
            return DateText(number, kind);
        }
        return WorkbookNumberText(number, decimalSeparator_);
    }

    const std::vector<std::string>& strings_;
    const std::vector<DateKind>& styles_;
    char decimalSeparator_;
    ReadBudget& budget_;
    const bool everything_;
    int row_ = -1;
    int rowCount_ = 0;
    int nextCol_ = 0;
    int col_ = -1;
    std::string type_;
    long style_ = 0;
    std::string value_;
    bool inValue_ = false;
};

// Where a relation's target lies in the zip: relative to the folder of the part that names it,
// or from the root when it starts with "/".
std::string ResolvePart(const std::string& from, const std::string& target) {
    std::string path =
        target.starts_with('/') ? std::string() : from.substr(0, from.rfind('/') + 1);
    std::string_view rest(target);
    while (!rest.empty()) {
        const std::size_t slash = std::min(rest.find('/'), rest.size());
        const std::string_view segment = rest.substr(0, slash);
        rest.remove_prefix(std::min(slash + 1, rest.size()));
        if (segment == "..") {
            path.erase(path.empty() ? 0 : path.rfind('/', path.size() - 2) + 1);
        } else if (!segment.empty() && segment != ".") {
            path += std::string(segment) + (rest.empty() ? "" : "/");
        }
    }
    return path;
}

// The relations part that belongs to a part: "xl/workbook.xml" -> "xl/_rels/workbook.xml.rels".
std::string RelationsOf(const std::string& part) {
    const std::size_t slash = part.rfind('/') + 1;  // npos + 1 == 0
    return part.substr(0, slash) + "_rels/" + part.substr(slash) + ".rels";
}

// Unpacks the part piece by piece into the handler, counting what it unpacks against the
// budget. False when the part is missing or damaged, or a limit was reached.
bool ParsePart(Zip& zip, const std::string& name, XmlHandler& handler, ReadBudget& budget) {
    if (budget.Exhausted() || unzLocateFile(zip.Handle(), name.c_str(), 1) != UNZ_OK ||
        unzOpenCurrentFile(zip.Handle()) != UNZ_OK) {
        return false;
    }
    XmlParser parser(handler, budget);
    char buffer[65536];
    int count = 0;
    bool ok = true;
    while (ok && !handler.done &&
           (count = unzReadCurrentFile(zip.Handle(), buffer, sizeof buffer)) > 0) {
        ok = budget.Unpacked(static_cast<std::size_t>(count)) && parser.Feed(buffer, count, false);
    }
    if (ok && !handler.done && count == 0) {
        ok = parser.Feed(buffer, 0, true);
    }
    // Closing checks the CRC of a part read to its end.
    const int closed = unzCloseCurrentFile(zip.Handle());
    return ok && count >= 0 && closed == UNZ_OK && !budget.Exhausted();
}

}  // namespace

namespace {

WorkbookRows ReadFirstSheet(std::string_view bytes, char decimalSeparator,
                            std::vector<KeptCell>* everyCell) {
    Zip zip(bytes);
    if (!zip.Open()) {
        return {{}, "Die Arbeitsmappe ist beschädigt (kein lesbares Zip-Archiv)"};
    }
    ReadBudget budget;
    const auto tooLarge = [&] { return WorkbookRows{{}, WorkbookTooLarge(budget.reached)}; };
    Relations package;
    ParsePart(zip, "_rels/.rels", package, budget);
    const auto document = package.byType.find("officeDocument");
    const std::string workbook =
        document != package.byType.end() ? ResolvePart("", document->second) : "xl/workbook.xml";
    FirstSheet first;
    Relations relations;
    if (!ParsePart(zip, workbook, first, budget) ||
        !ParsePart(zip, RelationsOf(workbook), relations, budget) ||
        !relations.targets.contains(first.id)) {
        return budget.Exhausted() ? tooLarge()
                                  : WorkbookRows{{},
                                                 "Die Arbeitsmappe enthält kein lesbares "
                                                 "Tabellenblatt"};
    }
    SharedStrings shared(budget);
    const auto strings = relations.byType.find("sharedStrings");
    if (strings != relations.byType.end() &&
        !ParsePart(zip, ResolvePart(workbook, strings->second), shared, budget)) {
        return budget.Exhausted() ? tooLarge()
                                  : WorkbookRows{{}, "Die Texte der Arbeitsmappe sind beschädigt"};
    }
    CellStyles styles;
    const auto stylePart = relations.byType.find("styles");
    if (stylePart != relations.byType.end()) {
        // Plain numbers if the styles are damaged.
        ParsePart(zip, ResolvePart(workbook, stylePart->second), styles, budget);
    }
    SheetCells cells(shared.strings, styles.kinds, decimalSeparator, budget, everyCell != nullptr);
    if (!ParsePart(zip, ResolvePart(workbook, relations.targets[first.id]), cells, budget) ||
        cells.badString) {
        return budget.Exhausted()
                   ? tooLarge()
                   : WorkbookRows{{}, "Das erste Tabellenblatt der Arbeitsmappe ist beschädigt"};
    }
    if (everyCell != nullptr) {
        *everyCell = std::move(cells.cells);
    }
    return {std::move(cells.rows), {}, first.more};
}

}  // namespace

WorkbookRows ReadXlsx(std::string_view bytes, char decimalSeparator) {
    return ReadFirstSheet(bytes, decimalSeparator, nullptr);
}

std::optional<std::vector<KeptCell>> ReadXlsxCells(std::string_view bytes, char decimalSeparator) {
    std::vector<KeptCell> cells;
    if (!ReadFirstSheet(bytes, decimalSeparator, &cells).Error.empty()) {
        return std::nullopt;
    }
    return cells;
}
