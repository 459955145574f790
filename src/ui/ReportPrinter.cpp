#include "ui/ReportPrinter.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScreen>
#include <QTextDocument>

#include "files/HtmlReport.h"
#include "ui/QtHost.h"

namespace {

// Paper gets dark text on white with ruled cells; the page's own screen colours are not used.
constexpr const char* PaperStyle =
    "h1 { text-align: center; font-size: 18pt }"
    "table { border-collapse: collapse; font-size: 9pt }"
    "th { background-color: #91B5FF; border: 1px solid #808080; padding: 2px 4px }"
    "td { border: 1px solid #808080; padding: 2px 4px }";

// A4 with margins that every printer can print.
void SetUpPaper(QPagedPaintDevice& device) {
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
}

void PrintPage(std::string_view html, QPagedPaintDevice& device) {
    QTextDocument document;
    document.setDefaultStyleSheet(QString::fromLatin1(PaperStyle));
    document.setHtml(QString::fromUtf8(html.data(), static_cast<qsizetype>(html.size())));
    // Laid out in pages of screen pixels, which print scales onto the paper: three times faster
    // for a long list than letting print lay the table out again at the printer's resolution.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal dpi = screen != nullptr ? qRound(screen->logicalDotsPerInchX()) : 96;
    document.setPageSize(device.pageLayout().paintRect(QPageLayout::Inch).size() * dpi);
    document.print(&device);
}

}  // namespace

std::string PrintHtmlReport(std::string_view html, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    SetUpPaper(printer);
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Ergebnisliste drucken"));
    KeepAboveSpectators(dialog);
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
        SetUpPaper(writer);
        PrintPage(html, writer);
    }  // the writer finishes the file when it goes
    return ReplaceReportFile(path, std::string_view(bytes.constData(), bytes.size()));
}
