#include "files/Export.h"

#include <sys/stat.h>

#include "files/FileKind.h"
#include "files/HtmlReport.h"
#include "files/Loading.h"
#include "files/Workbook.h"
#include "results/Ranking.h"
#include "results/ResultTable.h"
#include "results/StartList.h"

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
    const ByteCountMeasure measure;
    Ranking ranking(table, decimalSeparator);
    ranking.SetTimeResolution(resolution);
    StartList starters(table, ranking, measure);
    std::string error = LoadChosenFile(path, table, starters, ranking, measure);
    if (error.empty() && !AnyTeam(table)) {
        table.SetColWidth(ColTeam, ResultTable::HiddenWidth);
    }
    return error;
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
