#pragma once

#include <QByteArray>
#include <string>

class QPagedPaintDevice;
class QWidget;
struct Report;

// Reports on paper and as PDF, drawn line by line with QPainter: A4, portrait while the columns
// fit and landscape when they need it; a text too wide for its column is shortened with an
// ellipsis, never broken; the head on the first page, the column titles and a running head on
// every page, and in each page's foot the time of printing and "Seite N von M". UI thread only.

// How the report goes onto paper.
struct ReportPaper {
    bool landscape = false;
    int pages = 0;
};

// Chooses the orientation for the report and sets it on the device, and tells how many pages it
// will take there.
ReportPaper PlanReportPaper(const Report& report, QPagedPaintDevice& device);

// Draws the report onto the device, as planned by PlanReportPaper. False when the device could
// not be painted on.
bool DrawReport(const Report& report, QPagedPaintDevice& device);

// Shows the print dialog (a printer, or a PDF file as one of its choices) and prints the report.
// Returns empty when printed or cancelled, else the message for the operator.
std::string PrintReport(const Report& report, QWidget* parent);

// The report as the bytes of a PDF file. Needs a QGuiApplication.
QByteArray ReportPdf(const Report& report);

// Writes the report to path as a PDF, without a dialog; the file is replaced atomically.
// Returns empty on success, else the message. Needs a QGuiApplication.
std::string WritePdfReport(const Report& report, const std::string& path);
