#include "ui/ReportPrinter.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextDocument>

#include "files/HtmlReport.h"

namespace {

// Paper gets dark text on white with ruled cells; the page's own screen colours are not used.
constexpr const char* PaperStyle =
    "h1 { text-align: center; font-size: 18pt }"
    "table { border-collapse: collapse; font-size: 9pt }"
    "th { background-color: #91B5FF; border: 1px solid #808080; padding: 2px 4px }"
    "td { border: 1px solid #808080; padding: 2px 4px }";

void PrintPage(std::string_view html, QPagedPaintDevice& device) {
    QTextDocument document;
    document.setDefaultStyleSheet(QString::fromLatin1(PaperStyle));
    document.setHtml(QString::fromUtf8(html.data(), static_cast<qsizetype>(html.size())));
    document.print(&device);
}

}  // namespace

std::string PrintHtmlReport(std::string_view html, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Ergebnisliste drucken"));
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    PrintPage(html, printer);
    if (printer.printerState() == QPrinter::Error) {
        return "Der Bericht konnte nicht gedruckt werden.";
    }
    return {};
}

std::string WritePdfReport(std::string_view html, const std::string& path) {
    QByteArray bytes;
    {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setTitle(QStringLiteral("Zeitenprotokoll Corralix"));
        writer.setCreator(QStringLiteral("Corralix"));
        writer.setPageSize(QPageSize(QPageSize::A4));
        PrintPage(html, writer);
    }  // the writer finishes the file when it goes
    return ReplaceReportFile(path, std::string_view(bytes.constData(), bytes.size()));
}
