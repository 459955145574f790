#include "files/Export.h"

#include <sys/stat.h>

#include "files/FileKind.h"
#include "files/HtmlReport.h"
#include "files/Loading.h"
#include "files/Workbook.h"
#include "results/Ranking.h"
#include "results/ResultTable.h"
#include "results/Standing.h"

namespace {

// Without a window there is no font: a column is as wide as its widest text in bytes, which
// keeps every column with a text visible.
class ByteCountMeasure : public ITextMeasure {
public:
    int TextWidth(std::string_view text, int /*col*/, int /*row*/) const override {
        return static_cast<int>(text.size());
    }
};

bool AnyTeam(const ResultTable& table) {
    for (int row = 1; row < table.RowCount(); ++row) {
        if (!TrimText(table.Cell(ColTeam, row)).empty()) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string ReadTableForExport(const std::string& path, ResultTable& table, char decimalSeparator,
                               Resolution resolution) {
    LoadedTable loaded = ReadChosenFile(path, table, decimalSeparator);
    if (!loaded.Error.empty()) {
        return loaded.Error;
    }
    table = std::move(loaded.Table);
    table.FitColumnWidths(ByteCountMeasure(), true);
    table.SetColWidth(ColStartPos, ResultTable::HiddenWidth);
    if (!AnyTeam(table)) {
        table.SetColWidth(ColTeam, ResultTable::HiddenWidth);
    }
    // The places as the class's standing decides them, written into this copy for the workbook.
    ClassRules rules;
    rules.Thousandths = resolution == Resolution::Thousandths;
    const std::vector<std::string> places = PlaceColumn(MakeStanding(table, rules, {}));
    for (int row = 1; row < table.RowCount(); ++row) {
        table.SetCell(ColRang, row, places[static_cast<std::size_t>(row)]);
    }
    return {};
}

std::string CheckExportTarget(const std::string& input, const std::string& output) {
    struct stat in {};
    struct stat out {};
    if (::stat(input.c_str(), &in) == 0 && ::stat(output.c_str(), &out) == 0 &&
        in.st_dev == out.st_dev && in.st_ino == out.st_ino) {
        return "Die Ausgabe wäre die Eingabedatei selbst und würde sie überschreiben: " + output;
    }
    return {};
}

std::string ExportTable(const ResultTable& table, const Standing& standing, const Report& report,
                        const std::string& path, const PdfWriter& pdf) {
    if (SaveKind(path) == FileKind::HtmlReport) {
        return WriteHtmlReport(report, path);
    }
    if (FileExtension(path) == ".pdf") {
        return pdf(report, path);
    }
    if (SaveKind(path) == FileKind::Spreadsheet) {
        const FileWriteResult result = WriteWorkbookFile(table, standing, path);
        return result.Ok() ? std::string()
                           : "Der Schreibfehler der Datei: " + path + "\n" + result.Error;
    }
    return "Dateityp wird nicht unterstützt: " + path;
}

std::string ExportReport(const Report& report, const std::string& path, const PdfWriter& pdf) {
    const std::string extension = FileExtension(path);
    if (extension == ".html" || extension == ".htm")
        return WriteHtmlReport(report, path);
    if (extension == ".pdf")
        return pdf(report, path);
    if (extension == ".xlsx") {
        const FileWriteResult result = WriteReportWorkbook(report, path);
        return result.Ok() ? std::string()
                           : "Der Schreibfehler der Datei: " + path + "\n" + result.Error;
    }
    return "Die Liste wird als .html, .pdf oder .xlsx geschrieben: " + path;
}
