#pragma once

#include <string>
#include <string_view>

class QWidget;

// Printing the report page with Qt's print support. UI thread only.

// Shows the print dialog (a printer, or a PDF file as one of its choices) and prints the page.
// Returns empty when printed or cancelled, else the message for the operator.
std::string PrintHtmlReport(std::string_view html, QWidget* parent);

// Writes the printed form of the page to path as a PDF, without a dialog; the file is replaced
// atomically. Returns empty on success, else the message. Needs a QGuiApplication.
std::string WritePdfReport(std::string_view html, const std::string& path);
