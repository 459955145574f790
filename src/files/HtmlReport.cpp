#include "files/HtmlReport.h"

#include <filesystem>

#include "files/FileIo.h"
#include "results/ResultTable.h"

namespace {

constexpr int ReportColumns = ColRang + 1;  // the start position column is never shown

constexpr std::string_view Head =
    "<HTML>\r\n"
    "<HEAD>\r\n"
    "<!--https://brindlewerk.example software -->\r\n"
    "<TITLE>Zeitenprotokoll Corralix</TITLE>\r\n"
    "<META name=keywords content=\"2 Phasen Springprüfung\">\r\n"
    "<META name=description content=\"Brindlewerk professional software development for all\">\r\n"
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">\r\n"
    "<script type=\"text/javascript\">\r\n"
    "\tfunction PA3MEP()\r\n"
    "\t{\r\n"
    "\t for(i = 0; i < document.getElementsByTagName(\"table\").length; i++)\r\n"
    "\t   document.getElementsByTagName(\"table\")[i].width = \"\";\r\n"
    "\t}\r\n"
    "\tfunction CBET_CTPOKI()\r\n"
    "\t{\r\n"
    "\t}\r\n"
    "</script>\r\n"
    "<STYLE>\r\n"
    "<!--\r\n"
    ".KPACKA {background-color: #ceb589}\r\n"
    "  body  {background-color: #404040; font-family: Arial, Helvetica; color: #FFFFFF}\r\n"
    "  th    {background-color: #91B5FF; border: solid; border-color: #F4F4F4 #FFFFFF #CCCCCC "
    "#F4F4F4; padding-right: 2px; padding-left: 2px; border-width: 1px 0px 0px 1px}\r\n"
    "  td    {border: solid; border-width: 1px 0px 0px 1px; padding-right: 4px; padding-top: 2px; "
    "padding-bottom: 2px; padding-left: 4px; border-color: #F4F4F4 black black #F4F4F4}\r\n"
    "  table {background-color: #ead2b0; font-size: 12px; border-color: black #F4F4F4 #F4F4F4 "
    "black; color: #333333; border-style: solid; border-top-width: 0px; border-right-width: 1px; "
    "border-bottom-width: 1px; border-left-width: 0px}\r\n"
    "h1 {  text-align: center; margin-top: 0px; margin-bottom: 0px; font-size: 24px}\r\n"
    ".Fehler {  font-weight: bold; color: #FF0000}\r\n"
    "-->\r\n"
    "</STYLE>\r\n"
    "</HEAD>\r\n"
    "<BODY  onLoad=\"javascript:PA3MEP(); CBET_CTPOKI()\">\r\n"
    // The heading's trophy, drawn by the page itself so that every browser shows it.
    "<H1><svg width=\"48\" height=\"48\" viewBox=\"0 0 48 48\" role=\"img\" "
    "aria-label=\"Pokal\"><g fill=\"#F1DF61\"><path d=\"M12 4h24v14a12 12 0 0 1-24 0z\"/>"
    "<path d=\"M12 8H4v5a9 9 0 0 0 9 9v-4a5 5 0 0 1-5-5V12h4zM36 8h8v5a9 9 0 0 1-9 9v-4a5 5 0 0 "
    "0 5-5V12h-4z\"/><rect x=\"21\" y=\"29\" width=\"6\" height=\"9\"/><rect x=\"13\" "
    "y=\"38\" width=\"22\" height=\"6\" rx=\"1\"/></g></svg>\r\n";

constexpr std::string_view TableStart =
    "</H1><br>\r\n"
    "<table style=\"BORDER-COLLAPSE: collapse\" align=\"center\">\r\n"
    "<thead>\r\n"
    "<tr>\r\n";

constexpr std::string_view Footer =
    "</table>\r\n"
    "<p align=right><font color=#a5a5a5 size=2><br>\r\n"
    "Erstellt mit dem Programm &quot;Corralix&quot; von "
    "<a href=\"https://brindlewerk.example\"><font color=#FF0000>Brin</font>\r\n"
    "<font color=#00CC00>dle</font>\r\n"
    "<font color=#0099CC>werk</font></a><br>\r\n"
    "Zeitmessung und Auswertung für den Westernreitsport</font>\r\n"
    "</body></html>\r\n";

// Columns without width are hidden in the window and left out of the page.
bool Shown(const ResultTable& table, int col) {
    return table.ColWidth(col) > 0;
}

}  // namespace

std::string EscapeHtml(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                escaped += "&amp;";
                break;
            case '<':
                escaped += "&lt;";
                break;
            case '>':
                escaped += "&gt;";
                break;
            case '"':
                escaped += "&quot;";
                break;
            case '\'':
                escaped += "&#39;";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string HtmlReportText(const ResultTable& table, std::string_view race) {
    std::string page(Head);
    page += EscapeHtml(race);
    page += "<br>\r\n";
    page += TableStart;
    for (int col = 0; col < ReportColumns; ++col) {
        if (Shown(table, col)) {
            page += col <= ColPferd ? "<th>" : "<th nowrap>";
            page += EscapeHtml(table.Cell(col, 0));
            page += "\r\n";
        }
    }
    page += "</tr></thead>\r\n";
    for (int row = 1; row < table.RowCount(); ++row) {
        page += "<tr>";
        for (int col = 0; col < ReportColumns; ++col) {
            if (Shown(table, col)) {
                page += "<td>";
                page += EscapeHtml(table.Cell(col, row));
            }
        }
        page += "</tr>\r\n";
    }
    page += Footer;
    return page;
}

std::string ReplaceReportFile(const std::string& path, std::string_view bytes) {
    const FileWriteResult result = ReplaceFileBytes(path, bytes);
    return result.Ok() ? std::string()
                       : "Der Schreibfehler der Datei: " + path + "\n" + result.Error;
}

std::string WriteHtmlReport(const ResultTable& table, std::string_view race,
                            const std::string& path) {
    return ReplaceReportFile(path, HtmlReportText(table, race));
}

std::string WebPageReportPath(std::string_view programName, const std::string& dataFolder) {
    return (std::filesystem::path(dataFolder) / (std::string(programName) + "-p.html")).string();
}

std::string PrintReportPath(std::string_view programName, const std::string& dataFolder) {
    return (std::filesystem::path(dataFolder) / (std::string(programName) + ".html")).string();
}
