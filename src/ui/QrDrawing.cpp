#include "ui/QrDrawing.h"

#include <QPainter>
#include <algorithm>

#include "files/QrCode.h"

namespace {

constexpr int kQuietModules = 4;

}  // namespace

void DrawQrCode(QPainter& painter, const QrCode& code, const QRectF& square) {
    const qreal module = square.width() / (code.size + 2 * kQuietModules);
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.fillRect(square, Qt::white);
    painter.setBrush(Qt::black);
    for (int y = 0; y < code.size; ++y) {
        for (int x = 0; x < code.size; ++x) {
            if (code.Dark(x, y)) {
                painter.drawRect(QRectF(square.left() + (x + kQuietModules) * module,
                                        square.top() + (y + kQuietModules) * module, module,
                                        module));
            }
        }
    }
    painter.restore();
}

QPixmap QrPixmap(const QrCode& code, int side) {
    // Whole pixels per module keep every edge sharp for a camera.
    const int modules = code.size + 2 * kQuietModules;
    const int pixels = std::max(1, side / modules) * modules;
    QPixmap picture(pixels, pixels);
    QPainter painter(&picture);
    DrawQrCode(painter, code, QRectF(0, 0, pixels, pixels));
    return picture;
}
