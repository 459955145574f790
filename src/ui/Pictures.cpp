#include "ui/Pictures.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>
#include <numbers>

namespace {

QPixmap TransparentPixmap(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

}  // namespace

QPixmap ImageListPort(int index) {
    constexpr int size = 32;
    QPixmap pixmap = TransparentPixmap(size);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor fill = index == PortLocked  ? QColor(0xD0, 0x20, 0x20)
                        : index == PortArmed ? QColor(0x20, 0xA8, 0x30)
                                             : QColor(0x90, 0x90, 0x90);
    painter.setPen(QPen(fill.darker(150), 1.5));
    painter.setBrush(fill);
    painter.drawEllipse(QRectF(1.5, 1.5, size - 3, size - 3));
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    const QRectF bar(7, 13, 18, 6);
    if (index == PortLocked) {
        painter.drawRoundedRect(bar, 2, 2);
    } else if (index == PortArmed) {
        painter.drawRoundedRect(bar.transposed().translated(6, -6), 2, 2);
    }
    return pixmap;
}

QPixmap AbortPicture() {
    constexpr int size = 33;
    QPixmap pixmap = TransparentPixmap(size);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // Regular octagon around the centre with flat top and bottom edges.
    constexpr double centre = size / 2.0;
    constexpr double radius = 15.5;
    QPolygonF octagon;
    for (int corner = 0; corner < 8; ++corner) {
        const double angle = std::numbers::pi / 8 + corner * std::numbers::pi / 4;
        octagon << QPointF(centre + radius * std::cos(angle), centre + radius * std::sin(angle));
    }
    painter.setPen(QPen(QColor(0x80, 0x10, 0x10), 1.5));
    painter.setBrush(QColor(0xE0, 0x30, 0x20));
    painter.drawPolygon(octagon);
    painter.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(10.5, 10.5), QPointF(22.5, 22.5));
    painter.drawLine(QPointF(22.5, 10.5), QPointF(10.5, 22.5));
    return pixmap;
}

QPixmap BrindlewerkPicture(int tvMode) {
    QPixmap pixmap(154, 28);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool on = tvMode == 1;
    // The lamp lies under the display number label.
    const QPointF lamp = QPointF(BrindlewerkLamp) + QPointF(0.5, 0);
    QRadialGradient glow(lamp - QPointF(3, 3), 11);
    const QColor lit = on ? QColor(0x30, 0xE0, 0x30) : QColor(0xE0, 0x20, 0x20);
    glow.setColorAt(0, lit.lighter(160));
    glow.setColorAt(1, lit.darker(130));
    painter.setPen(QPen(QColor(0x20, 0x20, 0x20), 1.5));
    painter.setBrush(glow);
    painter.drawEllipse(lamp, 10.5, 10.5);

    QFont font("Arial");
    font.setPixelSize(17);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(on ? QColor(0x00, 0xA0, 0x00) : QColor(0x20, 0x20, 0x20));
    painter.drawText(QRectF(0, 0, 57, 28), Qt::AlignRight | Qt::AlignVCenter, "Brindle");
    painter.drawText(QRectF(82, 0, 72, 28), Qt::AlignLeft | Qt::AlignVCenter, "werk");
    return pixmap;
}

namespace {

constexpr int GlyphSize = 32;

void Disc(QPainter& painter, const QColor& fill) {
    painter.setPen(QPen(fill.darker(160), 1.5));
    painter.setBrush(fill);
    painter.drawEllipse(QRectF(2.5, 2.5, 27, 27));
}

void CentredText(QPainter& painter, const QString& text, int pixelSize, const QColor& colour) {
    QFont font("Arial");
    font.setPixelSize(pixelSize);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(QRect(0, 0, GlyphSize, GlyphSize), Qt::AlignCenter, text);
}

// A white sheet with a folded corner, the ground of the table glyphs.
void Sheet(QPainter& painter) {
    QPolygonF sheet;
    sheet << QPointF(6.5, 2.5) << QPointF(20.5, 2.5) << QPointF(26.5, 8.5) << QPointF(26.5, 29.5)
          << QPointF(6.5, 29.5);
    painter.setPen(QPen(QColor(0x50, 0x50, 0x50), 1));
    painter.setBrush(Qt::white);
    painter.drawPolygon(sheet);
    painter.setPen(QPen(QColor(0xA0, 0xA0, 0xA0), 1));
    for (int y = 12; y <= 24; y += 4) {
        painter.drawLine(QPointF(9.5, y + 0.5), QPointF(23.5, y + 0.5));
    }
}

void Gear(QPainter& painter) {
    constexpr double centre = GlyphSize / 2.0;
    QPolygonF wheel;
    constexpr int teeth = 8;
    for (int i = 0; i < teeth * 4; ++i) {
        const double angle = (i - 0.5) * std::numbers::pi / (teeth * 2);
        const double radius = (i % 4 < 2) ? 14.0 : 10.5;
        wheel << QPointF(centre + radius * std::cos(angle), centre + radius * std::sin(angle));
    }
    painter.setPen(QPen(QColor(0x40, 0x40, 0x48), 1.2));
    painter.setBrush(QColor(0x90, 0x98, 0xA8));
    QPainterPath path;
    path.addPolygon(wheel);
    path.closeSubpath();
    path.addEllipse(QPointF(centre, centre), 4.5, 4.5);
    painter.drawPath(path);
}

void Floppy(QPainter& painter) {
    painter.setPen(QPen(QColor(0x10, 0x20, 0x50), 1));
    painter.setBrush(QColor(0x30, 0x50, 0xA0));
    painter.drawRoundedRect(QRectF(3.5, 3.5, 25, 25), 2, 2);
    painter.setBrush(QColor(0xE0, 0xE0, 0xE0));
    painter.drawRect(QRectF(9.5, 3.5, 13, 9));
    painter.setBrush(QColor(0x30, 0x50, 0xA0));
    painter.drawRect(QRectF(17.5, 5.5, 3, 5));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(7.5, 16.5, 17, 12));
}

void Printer(QPainter& painter) {
    painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 1));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(9.5, 3.5, 13, 10));
    painter.setBrush(QColor(0x70, 0x70, 0x78));
    painter.drawRoundedRect(QRectF(3.5, 12.5, 25, 11), 2, 2);
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(8.5, 19.5, 15, 9));
    painter.setPen(QPen(QColor(0xA0, 0xA0, 0xA0), 1));
    painter.drawLine(QPointF(10.5, 23.5), QPointF(21.5, 23.5));
    painter.drawLine(QPointF(10.5, 26.5), QPointF(18.5, 26.5));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x40, 0xD0, 0x40));
    painter.drawEllipse(QRectF(23, 15, 3, 3));
}

void Spreadsheet(QPainter& painter) {
    painter.setPen(QPen(QColor(0x10, 0x60, 0x30), 1));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(3.5, 4.5, 25, 23));
    painter.setBrush(QColor(0x20, 0x80, 0x40));
    painter.drawRect(QRectF(3.5, 4.5, 25, 6));
    for (int x = 11; x <= 20; x += 9) {
        painter.drawLine(QPointF(x + 0.5, 10.5), QPointF(x + 0.5, 27.5));
    }
    for (int y = 16; y <= 22; y += 6) {
        painter.drawLine(QPointF(3.5, y + 0.5), QPointF(28.5, y + 0.5));
    }
}

void Globe(QPainter& painter) {
    painter.setPen(QPen(QColor(0x10, 0x40, 0x80), 1.3));
    painter.setBrush(QColor(0x60, 0xA8, 0xE8));
    const QRectF ball(3.5, 3.5, 25, 25);
    painter.drawEllipse(ball);
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRectF(10.5, 3.5, 11, 25));
    painter.drawLine(QPointF(16, 3.5), QPointF(16, 28.5));
    painter.drawLine(QPointF(3.5, 16), QPointF(28.5, 16));
    painter.drawLine(QPointF(6, 9.5), QPointF(26, 9.5));
    painter.drawLine(QPointF(6, 22.5), QPointF(26, 22.5));
}

void Sorted(QPainter& painter) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x30, 0x60, 0xB0));
    for (int i = 0; i < 4; ++i) {
        painter.drawRect(QRectF(4, 5 + i * 6, 6 + i * 4, 4));
    }
    painter.setBrush(QColor(0x20, 0x20, 0x20));
    painter.drawRect(QRectF(23, 4, 3, 17));
    QPolygonF arrow;
    arrow << QPointF(19, 20) << QPointF(30, 20) << QPointF(24.5, 28);
    painter.drawPolygon(arrow);
}

void Pencil(QPainter& painter) {
    painter.save();
    painter.translate(18, 15);
    painter.rotate(45);
    painter.setPen(QPen(QColor(0x40, 0x30, 0x10), 1));
    painter.setBrush(QColor(0xF0, 0xB0, 0x20));
    painter.drawRect(QRectF(-3, -12, 6, 18));
    painter.setBrush(QColor(0xE0, 0x70, 0x70));
    painter.drawRect(QRectF(-3, -15, 6, 3));
    QPolygonF tip;
    tip << QPointF(-3, 6) << QPointF(3, 6) << QPointF(0, 12);
    painter.setBrush(QColor(0xF0, 0xD0, 0xA0));
    painter.drawPolygon(tip);
    painter.restore();
}

void Cross(QPainter& painter) {
    painter.setPen(QPen(QColor(0xD0, 0x20, 0x20), 4, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(12, 12), QPointF(27, 27));
    painter.drawLine(QPointF(27, 12), QPointF(12, 27));
}

void Tick(QPainter& painter) {
    painter.setPen(QPen(QColor(0x10, 0x90, 0x20), 4.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPolygonF tick;
    tick << QPointF(6, 17) << QPointF(13, 24) << QPointF(26, 8);
    painter.drawPolyline(tick);
}

}  // namespace

QPixmap GlyphPicture(Glyph glyph) {
    QPixmap pixmap = TransparentPixmap(GlyphSize);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor blue(0x20, 0x60, 0xC0);
    switch (glyph) {
        case Glyph::Help:
            Disc(painter, blue);
            CentredText(painter, "?", 22, Qt::white);
            break;
        case Glyph::Info:
            Disc(painter, blue);
            CentredText(painter, "i", 22, Qt::white);
            break;
        case Glyph::Settings:
            Gear(painter);
            break;
        case Glyph::Clear:
            Sheet(painter);
            Cross(painter);
            break;
        case Glyph::Edit:
            Sheet(painter);
            Pencil(painter);
            break;
        case Glyph::Sort:
            Sorted(painter);
            break;
        case Glyph::Save:
            Floppy(painter);
            break;
        case Glyph::Print:
            Printer(painter);
            break;
        case Glyph::Excel:
            Spreadsheet(painter);
            break;
        case Glyph::Html:
            Globe(painter);
            break;
        case Glyph::Ok:
            Tick(painter);
            break;
    }
    return pixmap;
}

QPixmap TriggerPicture(int alg) {
    QPixmap pixmap(41, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    // The CTS level over time: low then high for the active edge, high then low for the other.
    const double low = 13.5;
    const double high = 2.5;
    const double before = alg == 0 ? low : high;
    const double after = alg == 0 ? high : low;
    QPolygonF line;
    line << QPointF(1, before) << QPointF(20.5, before) << QPointF(20.5, after)
         << QPointF(40, after);
    painter.setPen(QPen(QColor(0x00, 0x80, 0x00), 2));
    painter.drawPolyline(line);
    QPolygonF arrow;
    const double tipY = alg == 0 ? 5.0 : 11.0;
    const double baseY = alg == 0 ? 10.0 : 6.0;
    arrow << QPointF(20.5, tipY) << QPointF(17, baseY) << QPointF(24, baseY);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xC0, 0x00, 0x00));
    painter.drawPolygon(arrow);
    return pixmap;
}

QPixmap MakerLogo() {
    QPixmap pixmap(238, 65);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font("Arial");
    font.setPixelSize(30);
    font.setBold(true);
    painter.setFont(font);
    // The maker's name in its three colours, each part over a black shadow.
    const std::pair<const char*, QColor> parts[] = {{"Brind", QColor(0xFF, 0x00, 0x00)},
                                                    {"le", QColor(0x00, 0xFF, 0x00)},
                                                    {"werk", QColor(0x40, 0x80, 0xFF)}};
    const QFontMetrics metrics(font);
    int width = 0;
    for (const auto& part : parts) {
        width += metrics.horizontalAdvance(part.first);
    }
    int x = (pixmap.width() - width) / 2;
    const int baseline = 36;
    for (const auto& [text, colour] : parts) {
        painter.setPen(Qt::black);
        painter.drawText(x + 2, baseline + 2, text);
        painter.setPen(colour);
        painter.drawText(x, baseline, text);
        x += metrics.horizontalAdvance(text);
    }
    return pixmap;
}

QPixmap ButtonStripPicture() {
    QPixmap pixmap(16, 39);
    QPainter painter(&pixmap);
    QLinearGradient band(0, 0, 0, 39);
    band.setColorAt(0, QColor(0xF4, 0xF4, 0xF4));
    band.setColorAt(0.45, QColor(0xD0, 0xD0, 0xD0));
    band.setColorAt(0.55, QColor(0xC0, 0xC0, 0xC0));
    band.setColorAt(1, QColor(0x98, 0x98, 0x98));
    painter.fillRect(pixmap.rect(), band);
    painter.setPen(QColor(0x70, 0x70, 0x70));
    painter.drawLine(0, 38, 15, 38);
    return pixmap;
}

void FittedPicture::SetPicture(const QPixmap& picture) {
    picture_ = picture;
    update();
}

void FittedPicture::paintEvent(QPaintEvent*) {
    if (picture_.isNull() || width() <= 0 || height() <= 0) {
        return;
    }
    const QSize fitted = picture_.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2),
                       fitted);
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(target, picture_);
}
