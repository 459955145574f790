#pragma once

#include <QPixmap>
#include <QRectF>

struct QrCode;
class QPainter;

// Draws the code into the square, quiet zone included: white behind, the dark modules black.
void DrawQrCode(QPainter& painter, const QrCode& code, const QRectF& square);

// The code as a picture of whole pixels per module, no larger than side × side.
QPixmap QrPixmap(const QrCode& code, int side);
