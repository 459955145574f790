#include "ui/ReportPrinter.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <algorithm>
#include <numeric>
#include <optional>

#include "files/HtmlReport.h"
#include "files/QrCode.h"
#include "files/Report.h"
#include "ui/QrDrawing.h"
#include "ui/QtHost.h"

namespace {

constexpr qreal MarginMm = 12;
constexpr qreal BodyPt = 9;
constexpr qreal ShowPt = 16;
constexpr qreal ListPt = 12;
constexpr qreal WhenPt = 10;
constexpr qreal SmallPt = 7.5;
constexpr qreal CellPadPt = 4;  // left and right inside every cell
// A cell's room is its column's width less the padding, which need not give back the measured
// width of the column's widest text exactly; this much more still counts as fitting, so that
// text is never shortened by a rounding.
constexpr qreal RoundingSlackPt = 0.1;
constexpr qreal RowSpacing = 1.5;  // a row's height in body lines
constexpr qreal PdfDpi = 600;
// The link's QR code at the head's right: an inch, a phone reads it from an arm's length.
constexpr qreal QrPt = 72;

QString Q(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont Font(qreal points, bool bold = false) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QPageLayout A4(bool landscape) {
    return QPageLayout(QPageSize(QPageSize::A4),
                       landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(MarginMm, MarginMm, MarginMm, MarginMm), QPageLayout::Millimeter);
}

// Everything measured in the device's units, once; drawing only places what is here.
struct Plan {
    qreal dpi = 72;
    std::vector<int> shown;                     // report columns on paper
    std::vector<qreal> natural;                 // each shown column's width without shortening
    std::vector<qreal> widths;                  // each shown column's width on paper
    std::vector<std::vector<qreal>> textWidth;  // per row and shown column
    QSizeF page;                                // the printable area
    qreal rowHeight = 0;
    qreal firstTop = 0;  // where the column titles start on the first page
    qreal otherTop = 0;  // and on every further page
    qreal bodyBottom = 0;
    std::vector<ReportPage> pages;  // the lines of each page; the foot lines count as rows
    bool landscape = false;
    std::optional<QrCode> qr;  // the report's link, at the first page's top right
    qreal qrSide = 0;

    qreal Pt(qreal points) const { return points * dpi / 72; }
    int Pages() const { return static_cast<int>(pages.size()); }
};

qreal LineHeight(qreal points, const QPaintDevice& device) {
    return QFontMetricsF(Font(points), const_cast<QPaintDevice*>(&device)).height();
}

void Measure(const Report& report, QPaintDevice& device, Plan& plan) {
    plan.dpi = device.logicalDpiX();
    plan.shown = ReportShownColumns(report);
    const QFontMetricsF body(Font(BodyPt), &device);
    const QFontMetricsF bold(Font(BodyPt, true), &device);
    const qreal pad = 2 * plan.Pt(CellPadPt);
    plan.natural.assign(plan.shown.size(), 0);
    for (std::size_t i = 0; i < plan.shown.size(); ++i) {
        plan.natural[i] = bold.horizontalAdvance(Q(report.columns[plan.shown[i]].title)) + pad;
    }
    plan.textWidth.assign(report.rows.size(), {});
    for (std::size_t r = 0; r < report.rows.size(); ++r) {
        const ReportRow& row = report.rows[r];
        if (row.kind == ReportRowKind::Note) {
            continue;
        }
        std::vector<qreal>& widths = plan.textWidth[r];
        widths.resize(plan.shown.size());
        for (std::size_t i = 0; i < plan.shown.size(); ++i) {
            const std::string& text = ReportCell(row, plan.shown[i]);
            widths[i] = text.empty() ? 0 : body.horizontalAdvance(Q(text));
            plan.natural[i] = std::max(plan.natural[i], widths[i] + pad);
        }
    }
}

// Numbers keep their width; text columns share what is left, the narrow ones whole and the
// wide ones alike, so a long name is shortened before a short one.
void FitWidths(const Report& report, qreal available, Plan& plan) {
    plan.widths = plan.natural;
    const qreal total = std::accumulate(plan.natural.begin(), plan.natural.end(), qreal(0));
    if (total <= available) {
        return;
    }
    std::vector<std::size_t> texts;
    qreal left = available;
    for (std::size_t i = 0; i < plan.shown.size(); ++i) {
        if (report.columns[plan.shown[i]].align == ReportAlign::Left) {
            texts.push_back(i);
        } else {
            left -= plan.natural[i];
        }
    }
    if (texts.empty() || left <= 0) {
        // Only numbers, or not even those fit: every column alike.
        for (qreal& width : plan.widths) {
            width *= available / total;
        }
        return;
    }
    std::sort(texts.begin(), texts.end(),
              [&](std::size_t a, std::size_t b) { return plan.natural[a] < plan.natural[b]; });
    for (std::size_t k = 0; k < texts.size(); ++k) {
        const qreal share = left / static_cast<qreal>(texts.size() - k);
        plan.widths[texts[k]] = std::min(plan.natural[texts[k]], share);
        left -= plan.widths[texts[k]];
    }
}

Plan MakePlan(const Report& report, QPagedPaintDevice& device) {
    Plan plan;
    device.setPageLayout(A4(false));
    Measure(report, device, plan);
    const qreal needed = std::accumulate(plan.natural.begin(), plan.natural.end(), qreal(0));
    const QRectF portrait = A4(false).paintRect(QPageLayout::Point);
    plan.landscape = needed > portrait.width() * plan.dpi / 72;
    device.setPageLayout(A4(plan.landscape));
    const QRectF area = device.pageLayout().paintRect(QPageLayout::Point);
    plan.page = QSizeF(area.width() * plan.dpi / 72, area.height() * plan.dpi / 72);
    FitWidths(report, plan.page.width(), plan);

    plan.rowHeight = LineHeight(BodyPt, device) * RowSpacing;
    const qreal small = LineHeight(SmallPt, device);
    const ReportHeadText head = ReportHeadLines(report);
    qreal top = 0;
    if (!head.show.empty()) {
        top += LineHeight(ShowPt, device) * 1.2;
    }
    top += LineHeight(ListPt, device) * 1.2;
    if (!head.when.empty()) {
        top += LineHeight(WhenPt, device) * 1.2;
    }
    plan.qr = MakeQrCode(report.link);
    if (plan.qr) {
        plan.qrSide = plan.Pt(QrPt);
        top = std::max(top, plan.qrSide + small * 1.2);
    }
    plan.firstTop = top + plan.Pt(6);
    plan.otherTop = small * 1.2 + plan.Pt(6);
    plan.bodyBottom = plan.page.height() - small * 1.8;

    // Rows per page after the column titles; the foot lines follow the last row.
    const auto fits = [&](qreal tableTop) {
        return std::max(
            1, static_cast<int>((plan.bodyBottom - tableTop - plan.rowHeight) / plan.rowHeight));
    };
    plan.pages = ReportPages(report, fits(plan.firstTop), fits(plan.otherTop));
    return plan;
}

class Drawer {
public:
    Drawer(const Report& report, const Plan& plan, QPainter& painter)
        : report_(report),
          plan_(plan),
          painter_(painter),
          body_(Font(BodyPt)),
          bold_(Font(BodyPt, true)),
          bodyMetrics_(body_, painter.device()) {}

    void Page(int page) {
        const qreal top = page == 0 ? DrawHead() : DrawRunningHead();
        qreal y = DrawTitles(top);
        const ReportPage& lines = plan_.pages[static_cast<std::size_t>(page)];
        if (lines.carried >= 0) {
            DrawNote(ContinuedHeading(report_.rows[lines.carried]), y);
            y += plan_.rowHeight;
        }
        painter_.setFont(body_);
        for (int line = lines.first; line < lines.end; ++line, y += plan_.rowHeight) {
            if (line < static_cast<int>(report_.rows.size())) {
                DrawRow(line, y);
            } else {
                painter_.setPen(Qt::black);
                painter_.drawText(QPointF(plan_.Pt(CellPadPt), Baseline(y)),
                                  Q(report_.foot[line - report_.rows.size()]));
            }
        }
        DrawPageFoot(page);
    }

private:
    qreal Baseline(qreal rowTop) const {
        return rowTop + (plan_.rowHeight + bodyMetrics_.ascent() - bodyMetrics_.descent()) / 2;
    }

    // The width a cell's text may take in the shown column i.
    qreal Room(std::size_t i) const {
        return plan_.widths[i] - 2 * plan_.Pt(CellPadPt) + plan_.Pt(RoundingSlackPt);
    }

    qreal TableWidth() const {
        return std::accumulate(plan_.widths.begin(), plan_.widths.end(), qreal(0));
    }

    qreal HeadLine(const std::string& text, qreal points, bool bold, qreal y) {
        const QFont font = Font(points, bold);
        const QFontMetricsF metrics(font, painter_.device());
        painter_.setFont(font);
        painter_.setPen(Qt::black);
        // Beside the QR code, the head keeps clear of it.
        const qreal room = plan_.page.width() - (plan_.qr ? plan_.qrSide + plan_.Pt(6) : 0);
        painter_.drawText(QPointF(0, y + metrics.ascent()),
                          metrics.elidedText(Q(text), Qt::ElideRight, room));
        return y + metrics.height() * 1.2;
    }

    qreal DrawHead() {
        const ReportHeadText head = ReportHeadLines(report_);
        if (plan_.qr) {
            const QRectF square(plan_.page.width() - plan_.qrSide, 0, plan_.qrSide, plan_.qrSide);
            DrawQrCode(painter_, *plan_.qr, square);
            const QFont font = Font(SmallPt);
            const QFontMetricsF metrics(font, painter_.device());
            painter_.setFont(font);
            painter_.setPen(Qt::black);
            const QString link = Q(report_.link);
            painter_.drawText(QPointF(plan_.page.width() - metrics.horizontalAdvance(link),
                                      plan_.qrSide + metrics.ascent()),
                              link);
        }
        qreal y = 0;
        if (!head.show.empty()) {
            y = HeadLine(head.show, ShowPt, true, y);
        }
        y = HeadLine(head.list, ListPt, head.show.empty(), y);
        if (!head.when.empty()) {
            HeadLine(head.when, WhenPt, false, y);
        }
        return plan_.firstTop;
    }

    qreal DrawRunningHead() {
        HeadLine(ReportRunningHead(report_), SmallPt, false, 0);
        return plan_.otherTop;
    }

    qreal DrawTitles(qreal y) {
        painter_.fillRect(QRectF(0, y, TableWidth(), plan_.rowHeight), QColor(0xe4, 0xe9, 0xf2));
        painter_.setFont(bold_);
        painter_.setPen(Qt::black);
        const QFontMetricsF metrics(bold_, painter_.device());
        qreal x = 0;
        for (std::size_t i = 0; i < plan_.shown.size(); ++i) {
            const ReportColumn& column = report_.columns[plan_.shown[i]];
            const QString text = metrics.elidedText(Q(column.title), Qt::ElideRight, Room(i));
            const qreal textX =
                column.align == ReportAlign::Right
                    ? x + plan_.widths[i] - plan_.Pt(CellPadPt) - metrics.horizontalAdvance(text)
                    : x + plan_.Pt(CellPadPt);
            painter_.drawText(QPointF(textX, Baseline(y)), text);
            x += plan_.widths[i];
        }
        painter_.setPen(QPen(QColor(0x44, 0x44, 0x55), plan_.Pt(1.2)));
        painter_.drawLine(QPointF(0, y + plan_.rowHeight), QPointF(x, y + plan_.rowHeight));
        return y + plan_.rowHeight;
    }

    // One text across the table's width: a drag, a division's heading.
    void DrawNote(const std::string& text, qreal y) {
        painter_.fillRect(QRectF(0, y, TableWidth(), plan_.rowHeight), QColor(0xf0, 0xf0, 0xf0));
        painter_.setFont(bold_);
        painter_.setPen(Qt::black);
        painter_.drawText(QPointF(plan_.Pt(CellPadPt), Baseline(y)), Q(text));
        painter_.setFont(body_);
    }

    void DrawRow(int index, qreal y) {
        const ReportRow& row = report_.rows[index];
        if (row.kind == ReportRowKind::Note) {
            DrawNote(ReportCell(row, 0), y);
            return;
        }
        painter_.setPen(row.kind == ReportRowKind::Muted ? QColor(0x88, 0x88, 0x88) : Qt::black);
        const qreal pad = plan_.Pt(CellPadPt);
        qreal x = 0;
        for (std::size_t i = 0; i < plan_.shown.size(); ++i) {
            const std::string& cell = ReportCell(row, plan_.shown[i]);
            if (!cell.empty()) {
                QString text = Q(cell);
                qreal width = plan_.textWidth[index][i];
                if (width > Room(i)) {
                    text = bodyMetrics_.elidedText(text, Qt::ElideRight, Room(i));
                    width = bodyMetrics_.horizontalAdvance(text);
                }
                const bool right = report_.columns[plan_.shown[i]].align == ReportAlign::Right;
                painter_.drawText(
                    QPointF(right ? x + plan_.widths[i] - pad - width : x + pad, Baseline(y)),
                    text);
            }
            x += plan_.widths[i];
        }
        painter_.setPen(QPen(QColor(0xcc, 0xcc, 0xcc), plan_.Pt(0.5)));
        painter_.drawLine(QPointF(0, y + plan_.rowHeight), QPointF(x, y + plan_.rowHeight));
    }

    void DrawPageFoot(int page) {
        const QFont font = Font(SmallPt);
        const QFontMetricsF metrics(font, painter_.device());
        painter_.setFont(font);
        painter_.setPen(QColor(0x44, 0x44, 0x44));
        const qreal baseline = plan_.page.height() - metrics.descent();
        painter_.drawText(QPointF(0, baseline), Q("Gedruckt: " + report_.printedAt));
        const QString pages = Q(ReportPageText(page + 1, plan_.Pages()));
        painter_.drawText(QPointF(plan_.page.width() - metrics.horizontalAdvance(pages), baseline),
                          pages);
    }

    const Report& report_;
    const Plan& plan_;
    QPainter& painter_;
    QFont body_;
    QFont bold_;
    QFontMetricsF bodyMetrics_;
};

bool Draw(const Report& report, const Plan& plan, QPagedPaintDevice& device) {
    QPainter painter;
    if (!painter.begin(&device)) {
        return false;
    }
    Drawer drawer(report, plan, painter);
    for (int page = 0; page < plan.Pages(); ++page) {
        if (page > 0) {
            device.newPage();
        }
        drawer.Page(page);
    }
    return painter.end();
}

}  // namespace

ReportPaper PlanReportPaper(const Report& report, QPagedPaintDevice& device) {
    const Plan plan = MakePlan(report, device);
    return {plan.landscape, plan.Pages()};
}

bool DrawReport(const Report& report, QPagedPaintDevice& device) {
    return Draw(report, MakePlan(report, device), device);
}

std::string PrintReport(const Report& report, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    const Plan plan = MakePlan(report, printer);  // the dialog starts with the chosen paper
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Liste drucken"));
    KeepAboveSpectators(dialog);
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    if (!DrawReport(report, printer) || printer.printerState() == QPrinter::Error) {
        return "Der Bericht konnte nicht gedruckt werden.";
    }
    return {};
}

QByteArray ReportPdf(const Report& report) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(static_cast<int>(PdfDpi));
        writer.setTitle(Q(ReportRunningHead(report)));
        writer.setCreator(QStringLiteral("Corralix"));
        DrawReport(report, writer);
    }  // the writer finishes the file when it goes
    return bytes;
}

std::string WritePdfReport(const Report& report, const std::string& path) {
    const QByteArray bytes = ReportPdf(report);
    return ReplaceReportFile(path, std::string_view(bytes.constData(), bytes.size()));
}
