#include "ui/Pictures.h"

#include <QFont>
#include <QPainter>
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
    // The lamp lies under the display number label, 64 pixels from the left.
    const QPointF lamp(69.5, 15);
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
