#include "ui/TLbSpeedButton.h"

#include <QEnterEvent>
#include <QPainter>
#include <QStyleOption>
#include <algorithm>

namespace {

constexpr int Bands = 32;
constexpr int HoverFull = 8;
constexpr Rgb DisabledText = 0x808080;

int Channel(Rgb colour, int shift) {
    return static_cast<int>((colour >> shift) & 0xFF);
}

QColor Q(Rgb colour) {
    return QColor::fromRgb(colour);
}

// One-pixel line between two pixels, both included, without anti-aliasing.
void Line(QPainter& painter, Rgb colour, QPoint from, QPoint to) {
    painter.setPen(QPen(Q(colour), 1));
    painter.drawLine(from, to);
}

void FillBands(QPainter& painter, int left, int right, const std::array<GradientBand, 32>& bands) {
    for (const GradientBand& band : bands) {
        if (band.Bottom > band.Top) {
            painter.fillRect(left, band.Top, right - left, band.Bottom - band.Top, Q(band.Colour));
        }
    }
}

}  // namespace

std::array<GradientBand, 32> GradientBands(Rgb a, Rgb b, int top, int bottom) {
    std::array<GradientBand, Bands> bands;
    const int h = bottom - top;
    for (int i = 0; i < Bands; ++i) {
        Rgb colour = 0;
        for (int shift : {16, 8, 0}) {
            const double from = Channel(a, shift);
            const double value = from + i * (Channel(b, shift) - from) / (Bands - 1);
            colour |= static_cast<Rgb>(static_cast<int>(value)) << shift;
        }
        const int start = top + i * h / (Bands - 1);
        bands[i] = {start, std::min(bottom, start + h / (Bands - 1) + 1), colour};
    }
    return bands;
}

Rgb HoverBlend(Rgb color, Rgb hot, int level) {
    const double k = static_cast<double>(level) / HoverFull;
    Rgb blended = 0;
    for (int shift : {16, 8, 0}) {
        const double value = (1 - k) * Channel(color, shift) + k * Channel(hot, shift);
        blended |= static_cast<Rgb>(static_cast<int>(value)) << shift;
    }
    return blended;
}

QString CutCaption(QString caption, int available,
                   const std::function<int(const QString&)>& width) {
    while (!caption.isEmpty() && width(caption) > available) {
        const bool pair = caption.size() > 1 && caption.back().isLowSurrogate() &&
                          caption[caption.size() - 2].isHighSurrogate();
        caption.chop(pair ? 2 : 1);
    }
    return caption;
}

TLbSpeedButton::TLbSpeedButton(QWidget* parent) : QAbstractButton(parent) {
    look_.Color = 0xF0F0F0;
    look_.ColorWhenDown = look_.Color;
    look_.HotTrackColor = look_.Color;
    look_.LightColor = 0xFFFFFF;
    look_.ShadowColor = 0x000000;
    look_.Enabled = true;
    // Like every speed button it never takes the keyboard focus; keys reach the window's commands.
    setFocusPolicy(Qt::NoFocus);
    resize(sizeHint());
}

void TLbSpeedButton::SetLook(const ButtonLook& look) {
    // Also when the look is unchanged: the button may have been enabled or disabled directly.
    setEnabled(look.Enabled);
    if (look == look_) {
        return;
    }
    look_ = look;
    setText(QString::fromStdString(look.Caption));
    update();
}

void TLbSpeedButton::SetStyle(Style style) {
    ChangeAndUpdate(style_, style);
}

void TLbSpeedButton::SetFlat(bool flat) {
    ChangeAndUpdate(flat_, flat);
}

void TLbSpeedButton::SetTransparent(bool transparent) {
    ChangeAndUpdate(transparent_, transparent);
}

void TLbSpeedButton::SetGlyph(const QPixmap& glyph) {
    glyph_ = glyph;
    update();
}

void TLbSpeedButton::SetAlignment(Qt::Alignment alignment) {
    ChangeAndUpdate(alignment_, alignment);
}

void TLbSpeedButton::enterEvent(QEnterEvent* event) {
    if (isEnabled()) {
        hover_ = true;
        update();
    }
    QAbstractButton::enterEvent(event);
}

void TLbSpeedButton::leaveEvent(QEvent* event) {
    if (hover_) {
        hover_ = false;
        update();
    }
    QAbstractButton::leaveEvent(event);
}

void TLbSpeedButton::paintEvent(QPaintEvent*) {
    const int W = width();
    const int H = height();
    const bool enabled = isEnabled();
    const bool down = (isDown() || isChecked()) && enabled;
    const int p = down ? 1 : 0;

    Rgb face = look_.Color;
    if (enabled) {
        face = HoverBlend(look_.Color, look_.HotTrackColor, hover_ ? HoverFull : 0);
    }
    if (down) {
        face = look_.ColorWhenDown;
    }

    QPainter painter(this);
    if (!transparent_) {
        if (style_ == bsModern) {
            FillBands(painter, 2, W - 2, GradientBands(look_.LightColor, face, 2, H / 4 + p));
            FillBands(painter, 2, W - 2, GradientBands(face, look_.LightColor, H / 4 + p, H - 1));
        } else {
            painter.fillRect(rect(), Q(face));
        }
    }

    if (style_ == bsModern) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Q(down ? look_.ShadowColor : face), 1));
        painter.drawRect(1, 1, W - 3, H - 3);
        painter.setPen(QPen(Q(look_.ShadowColor), 1));
        painter.drawRoundedRect(0, 0, W - 1, H - 1, 3, 3);
    } else if ((enabled && (!flat_ || hover_ || down)) || (!enabled && !flat_)) {
        const Rgb topLeft = down ? look_.ShadowColor : look_.LightColor;
        const Rgb bottomRight = down ? look_.LightColor : look_.ShadowColor;
        Line(painter, topLeft, {0, H - 1}, {0, 0});
        Line(painter, topLeft, {0, 0}, {W - 2, 0});
        Line(painter, bottomRight, {W - 1, 0}, {W - 1, H - 1});
        Line(painter, bottomRight, {W - 1, H - 1}, {1, H - 1});
    }

    // Caption and glyph, the glyph left of the caption.
    const QFontMetrics metrics(font());
    // Glyph size in the widget's pixels, also for a high-resolution glyph.
    const QSize glyphSize = glyph_.isNull() ? QSize(0, 0) : glyph_.deviceIndependentSize().toSize();
    const int w = glyphSize.width();
    const int g = glyphSize.height();
    const int available = std::max(0, w > 0 ? W - w - 12 : W - 8);
    const QString caption = CutCaption(
        text(), available, [&](const QString& t) { return metrics.horizontalAdvance(t); });
    const QRect measured =
        metrics.boundingRect(QRect(0, 0, available, H), Qt::TextWordWrap | alignment_, caption);
    const int th = measured.height();
    const int tw = measured.width();
    const int captionTop = (H - th) / 2 + p;
    int captionLeft = p + 4;
    const int glyphTop = (H - g) / 2 + p;
    const int s = caption.isEmpty() ? 0 : tw + 4;
    int glyphLeft = p + 4;
    if (w > 0) {
        captionLeft += w + 4;
    }
    if (alignment_ & Qt::AlignRight) {
        glyphLeft = W + p - w - s - 4;
    } else if (alignment_ & Qt::AlignHCenter) {
        glyphLeft = (W - w) / 2 + p - s / 2;
    }
    if (!caption.isEmpty()) {
        painter.setPen(Q(enabled ? look_.TextColor : DisabledText));
        painter.drawText(QRect(captionLeft, captionTop, available, th),
                         Qt::TextWordWrap | alignment_ | Qt::AlignTop, caption);
    }
    if (w > 0) {
        QStyleOption option;
        option.initFrom(this);
        const QPixmap picture =
            enabled ? glyph_ : style()->generatedIconPixmap(QIcon::Disabled, glyph_, &option);
        painter.drawPixmap(glyphLeft, glyphTop, picture);
    }
}

TLbSpeedButton* NewColourButton(QWidget* parent) {
    auto* button = new TLbSpeedButton(parent);
    QFont font("Arial");
    font.setPixelSize(19);
    font.setBold(true);
    button->setFont(font);
    button->SetStyle(TLbSpeedButton::bsModern);
    button->SetAlignment(Qt::AlignHCenter);
    return button;
}

TLbSpeedButton* NewGlyphButton(QWidget* parent, const QPixmap& glyph) {
    auto* button = new TLbSpeedButton(parent);
    button->SetFlat(true);
    button->SetTransparent(true);
    button->SetAlignment(Qt::AlignHCenter);
    button->SetGlyph(glyph);
    return button;
}
