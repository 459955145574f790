#include "ui/TDigit.h"

#include <QPaintEvent>
#include <QPainter>

TDigit::TDigit(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted, so nothing behind the digit needs drawing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(16, 32);
    SetSeparation(1);
    SetThickness(2);
}

void TDigit::SetValue(int v) {
    if (v == value_) {
        return;
    }
    if (v < 0 || v > 9) {
        value_ = 0;
        if (onOverflow_) {
            onOverflow_(*this);
        }
    } else {
        value_ = v;
    }
    valueBinary_ = Patterns[value_];
    repaint();
}

void TDigit::SetValueBinary(std::uint8_t b) {
    ChangeAndRepaint(valueBinary_, b);
}

void TDigit::SetColorOn(const QColor& c) {
    ChangeAndRepaint(colorOn_, c);
}

void TDigit::SetColorOff(const QColor& c) {
    ChangeAndRepaint(colorOff_, c);
}

void TDigit::SetColor(const QColor& c) {
    if (c != color_) {
        color_ = c;
        update();
    }
}

void TDigit::SetThickness(int t) {
    if (t <= width() / 2 && t <= height() / 2) {
        thickness_ = t;
        update();
    }
}

void TDigit::SetSeparation(int s) {
    separation_ = s;
    update();
}

std::array<QPolygon, 8> TDigit::SegmentPolygons(int w, int h, int t, int s) {
    const int wr = w - 1;  // right-most column
    const int hb = h - 1;  // bottom row
    const int m = hb / 2;  // centre row of the middle bar
    const auto bar = [&](int y0) {
        return QPolygon({QPoint(s + t, y0 + t), QPoint(2 * t + s, y0), QPoint(wr - 2 * t - s, y0),
                         QPoint(wr - t - s, y0 + t), QPoint(wr - 2 * t - s, y0 + 2 * t),
                         QPoint(2 * t + s, y0 + 2 * t)});
    };
    const auto post = [&](int x0, int y0) {
        return QPolygon({QPoint(x0, y0 + 2 * t + s), QPoint(x0 + t, y0 + t + s),
                         QPoint(x0 + 2 * t, y0 + 2 * t + s), QPoint(x0 + 2 * t, y0 + m - t - s),
                         QPoint(x0 + t, y0 + m - s), QPoint(x0, y0 + m - t - s)});
    };
    return {bar(0),
            bar(m - t),
            bar(hb - 2 * t),
            post(0, 0),
            post(wr - 2 * t, 0),
            post(0, m - t),
            post(wr - 2 * t, m - t),
            QPolygon({QPoint(wr, hb), QPoint(wr - 2 * t + s, hb), QPoint(wr, hb - 2 * t + s)})};
}

void TDigit::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.fillRect(event->rect(), color_);
    painter.setPen(QPen(color_, 0));
    const auto polygons = SegmentPolygons(width(), height(), thickness_, separation_);
    for (int bit = 0; bit < 8; ++bit) {
        const int mask = 1 << bit;
        painter.setBrush((valueBinary_ & mask) == mask ? colorOn_ : colorOff_);
        painter.drawPolygon(polygons[bit]);
    }
}
