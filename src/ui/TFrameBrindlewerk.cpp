#include "ui/TFrameBrindlewerk.h"

#include <QFontMetrics>
#include <QPainter>

TLabel3D::TLabel3D(const QString& text, const QColor& colour, Qt::Alignment alignment,
                   QWidget* parent)
    : QLabel(text, parent), colour_(colour) {
    setAlignment(alignment | Qt::AlignVCenter);
}

void TLabel3D::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = contentsRect();
    painter.setPen(Qt::black);
    painter.drawText(area.translated(ShadowOffset, ShadowOffset), static_cast<int>(alignment()),
                     text());
    painter.setPen(colour_);
    painter.drawText(area, static_cast<int>(alignment()), text());
}

TFrameBrindlewerk::TFrameBrindlewerk(QWidget* parent) : QWidget(parent) {
    QFont font("Arial");
    font.setBold(true);
    setFont(font);
    resize(229, 31);
    LabelPart1 = new TLabel3D("Brind", QColor(0xFF, 0x00, 0x00), Qt::AlignRight, this);
    LabelPart2 = new TLabel3D("le", QColor(0x00, 0xFF, 0x00), Qt::AlignHCenter, this);
    LabelPart3 = new TLabel3D("werk", QColor(0x40, 0x80, 0xFF), Qt::AlignLeft, this);
    FrameResize();
}

void TFrameBrindlewerk::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FrameResize();
}

void TFrameBrindlewerk::FrameResize() {
    QFont font = this->font();
    font.setPointSize(std::max(height() / 2, 1));
    const QFontMetrics metrics(font);
    int right = width();
    for (TLabel3D* part : {LabelPart3, LabelPart2, LabelPart1}) {
        part->setFont(font);
        const int partWidth = metrics.horizontalAdvance(part->text());
        right -= partWidth;
        part->setGeometry(right, 0, partWidth, height());
    }
}
