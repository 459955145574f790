#include "ui/TLbSpeedButton.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>
#include <algorithm>

namespace {

constexpr int Bands = 32;
constexpr int HoverFull = TLbSpeedButton::HoverFull;
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
    look_.Color = color_;
    look_.LightColor = lightColor_;
    look_.ShadowColor = shadowColor_;
    look_.Enabled = true;
    hotTrackFont_ = parent != nullptr ? parent->window()->font() : font();
    // Like every speed button it never takes the keyboard focus; keys reach the window's commands.
    setFocusPolicy(Qt::NoFocus);
    resize(sizeHint());
    // Connected first: the menu opens before the click's own handlers run.
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (popupMenu_) {
            popupMenu_->popup(mapToGlobal(QPoint(0, height())));
        }
    });
}

void TLbSpeedButton::SetLook(const ButtonLook& look) {
    // Also when the look is unchanged: the button may have been enabled or disabled directly.
    setEnabled(look.Enabled);
    if (look == look_) {
        return;
    }
    look_ = look;
    color_ = look.Color;
    colorWhenDown_ = look.ColorWhenDown;
    hotTrackColor_ = look.HotTrackColor;
    lightColor_ = look.LightColor;
    shadowColor_ = look.ShadowColor;
    setText(QString::fromStdString(look.Caption));
    update();
}

void TLbSpeedButton::SetColor(Rgb colour) {
    ChangeAndUpdate(color_, colour);
}

void TLbSpeedButton::SetColorWhenDown(std::optional<Rgb> colour) {
    ChangeAndUpdate(colorWhenDown_, colour);
}

void TLbSpeedButton::SetHotTrackColor(std::optional<Rgb> colour) {
    ChangeAndUpdate(hotTrackColor_, colour);
}

void TLbSpeedButton::SetLightColor(Rgb colour) {
    ChangeAndUpdate(lightColor_, colour);
}

void TLbSpeedButton::SetShadowColor(Rgb colour) {
    ChangeAndUpdate(shadowColor_, colour);
}

void TLbSpeedButton::SetColorStyle(ColorStyle colorStyle) {
    ChangeAndUpdate(colorStyle_, colorStyle);
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

void TLbSpeedButton::SetNumGlyphs(int count) {
    ChangeAndUpdate(numGlyphs_, std::max(count, 1));
}

void TLbSpeedButton::SetLayout(Layout layout) {
    ChangeAndUpdate(layout_, layout);
}

void TLbSpeedButton::SetAlignment(Qt::Alignment alignment) {
    ChangeAndUpdate(alignment_, alignment);
}

void TLbSpeedButton::SetWordWrap(bool wrap) {
    ChangeAndUpdate(wordWrap_, wrap);
}

void TLbSpeedButton::SetHotTrackFont(const QFont& font) {
    ChangeAndUpdate(hotTrackFont_, font);
}

void TLbSpeedButton::SetUseHotTrackFont(bool use) {
    ChangeAndUpdate(useHotTrackFont_, use);
}

void TLbSpeedButton::SetPopupMenu(QMenu* menu) {
    popupMenu_ = menu;
    update();
}

void TLbSpeedButton::SetSlowDecease(bool slow) {
    if (slow == slowDecease_) {
        return;
    }
    slowDecease_ = slow;
    if (slow) {
        fading_ = new QTimer(this);
        fading_->setInterval(30);
        connect(fading_, &QTimer::timeout, this, &TLbSpeedButton::Fade);
    } else {
        delete fading_;
        fading_ = nullptr;
        hoverLevel_ = 0;
        update();
    }
}

void TLbSpeedButton::Fade() {
    hoverLevel_ = std::max(hoverLevel_ - 1, 0);
    if (hoverLevel_ == 0) {
        fading_->stop();
    }
    update();
}

void TLbSpeedButton::SetDown(bool down) {
    if (down == down_) {
        return;
    }
    if (groupIndex_ != 0 && parentWidget() != nullptr) {
        for (TLbSpeedButton* other :
             parentWidget()->findChildren<TLbSpeedButton*>(Qt::FindDirectChildrenOnly)) {
            if (other != this && other->groupIndex_ == groupIndex_) {
                other->SetDown(false);
            }
        }
    }
    down_ = down;
    update();
}

void TLbSpeedButton::Click() {
    emit clicked(isChecked());
}

void TLbSpeedButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && isEnabled()) {
        if (groupIndex_ == 0 || !down_) {
            SetDown(true);
        } else if (allowAllUp_) {
            SetDown(false);
        }
    }
    QAbstractButton::mousePressEvent(event);
}

void TLbSpeedButton::mouseReleaseEvent(QMouseEvent* event) {
    const QPointer<TLbSpeedButton> alive(this);
    QAbstractButton::mouseReleaseEvent(event);  // the click's handlers run here
    if (alive && event->button() == Qt::LeftButton && groupIndex_ == 0) {
        SetDown(false);
    }
}

void TLbSpeedButton::enterEvent(QEnterEvent* event) {
    if (isEnabled() && isVisible() && (parentWidget() == nullptr || parentWidget()->isVisible())) {
        hover_ = true;
        hoverLevel_ = HoverFull;
        if (fading_ != nullptr) {
            fading_->stop();
        }
        update();
    }
    QAbstractButton::enterEvent(event);
}

void TLbSpeedButton::leaveEvent(QEvent* event) {
    hover_ = false;
    if (fading_ != nullptr) {
        if (hoverLevel_ > 0) {
            fading_->start();
        }
    } else if (hoverLevel_ != 0) {
        hoverLevel_ = 0;
        update();
    }
    QAbstractButton::leaveEvent(event);
}

QPixmap TLbSpeedButton::GlyphPicture(int index) const {
    if (glyph_.isNull() || index >= numGlyphs_) {
        return {};
    }
    const int w = glyph_.width() / numGlyphs_;
    QPixmap picture = glyph_.copy(index * w, 0, w, glyph_.height());
    picture.setDevicePixelRatio(glyph_.devicePixelRatio());
    return picture;
}

void TLbSpeedButton::paintEvent(QPaintEvent*) {
    const int W = width();
    const int H = height();
    const bool enabled = isEnabled();
    const bool down = (down_ || isDown() || isChecked()) && enabled;
    const int p = down && style_ != bsEncarta ? 1 : 0;

    Rgb face = color_;
    if (enabled && hotTrackColor_) {
        face = HoverBlend(color_, *hotTrackColor_, hoverLevel_);
    }
    if (down && colorWhenDown_) {
        face = *colorWhenDown_;
    }

    QPainter painter(this);
    if (!transparent_) {
        if (style_ == bsModern) {
            FillBands(painter, 2, W - 2, GradientBands(lightColor_, face, 2, H / 4 + p));
            FillBands(painter, 2, W - 2, GradientBands(face, lightColor_, H / 4 + p, H - 1));
        } else if (style_ == bsNormal || style_ == bsEncarta || style_ == bsOld) {
            painter.fillRect(rect(), Q(face));
        }
    }

    if (style_ == bsModern) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Q(down ? shadowColor_ : face), 1));
        painter.drawRect(1, 1, W - 3, H - 3);
        painter.setPen(QPen(Q(shadowColor_), 1));
        painter.drawRoundedRect(0, 0, W - 1, H - 1, 3, 3);
    } else if ((style_ == bsNormal || style_ == bsEncarta) &&
               ((enabled && (!flat_ || hover_ || down)) || (!enabled && !flat_))) {
        const Rgb topLeft = down ? shadowColor_ : lightColor_;
        const Rgb bottomRight = down ? lightColor_ : shadowColor_;
        Line(painter, topLeft, {0, H - 1}, {0, 0});
        Line(painter, topLeft, {0, 0}, {W - 2, 0});
        Line(painter, bottomRight, {W - 1, 0}, {W - 1, H - 1});
        Line(painter, bottomRight, {W - 1, H - 1}, {1, H - 1});
    }

    QFont captionFont = hover_ && useHotTrackFont_ ? hotTrackFont_ : font();
    if (style_ == bsEncarta && down) {
        captionFont.setBold(true);
    }
    painter.setFont(captionFont);

    // The glyph of the state: disabled, down, under the mouse, else the normal one.
    const int wanted = !enabled ? 1 : down && numGlyphs_ > 2 ? 2 : hover_ && numGlyphs_ > 3 ? 3 : 0;
    QPixmap picture = GlyphPicture(wanted);
    if (picture.isNull() && !glyph_.isNull()) {
        picture = GlyphPicture(0);
        if (!enabled) {
            QStyleOption option;
            option.initFrom(this);
            picture = style()->generatedIconPixmap(QIcon::Disabled, picture, &option);
        }
    }
    // Glyph size in the widget's pixels, also for a high-resolution glyph.
    const QSize glyphSize =
        picture.isNull() ? QSize(0, 0) : picture.deviceIndependentSize().toSize();
    const int w = glyphSize.width();
    const int g = glyphSize.height();

    const QFontMetrics metrics(captionFont);
    const int available = std::max(0, w > 0 ? W - w - 12 : W - 8);
    const QString caption =
        wordWrap_ ? text() : CutCaption(text(), available, [&](const QString& t) {
            return metrics.horizontalAdvance(t);
        });
    const QRect measured =
        metrics.boundingRect(QRect(0, 0, available, H), Qt::TextWordWrap | alignment_, caption);
    const int th = measured.height();
    const int tw = measured.width();
    const int s = caption.isEmpty() ? 0 : tw + 4;
    int captionLeft = p + 4;
    int captionTop = (H - th) / 2 + p;
    int glyphLeft = p + 4;
    int glyphTop = (H - g) / 2 + p;
    const bool right = (alignment_ & Qt::AlignRight) != 0;
    const bool centre = (alignment_ & Qt::AlignHCenter) != 0;
    switch (layout_) {
        case blGlyphLeft:
            if (w > 0) {
                captionLeft += w + 4;
            }
            if (!wordWrap_ && right) {
                glyphLeft = W + p - w - s - 4;
            } else if (!wordWrap_ && centre) {
                glyphLeft = (W - w) / 2 + p - s / 2;
            }
            break;
        case blGlyphRight:
            glyphLeft = captionLeft + s;
            if (!wordWrap_ && right) {
                glyphLeft = W + p - w - 4;
            } else if (!wordWrap_ && centre) {
                glyphLeft = (W - w) / 2 + p + s / 2;
            }
            break;
        case blGlyphTop:
        case blGlyphBottom: {
            const int total = g <= 0 ? th : th + g + 4;
            const int j = (H - total) / 2;
            captionTop = layout_ == blGlyphTop ? j + g + p : j + p;
            glyphTop = layout_ == blGlyphTop ? j + p : j + th + p;
            glyphLeft = right ? W + p - w - 4 : centre ? (W - w) / 2 + p : p + 4;
            break;
        }
    }
    const Rgb textColour = enabled ? look_.TextColor : DisabledText;
    if (!caption.isEmpty()) {
        painter.setPen(Q(textColour));
        painter.drawText(QRect(captionLeft, captionTop, available, th),
                         Qt::TextWordWrap | alignment_ | Qt::AlignTop, caption);
    }
    if (w > 0) {
        painter.drawPixmap(glyphLeft, glyphTop, picture);
    }
    if (popupMenu_) {
        // The popup marker: a small arrow pointing down.
        painter.setPen(Qt::NoPen);
        painter.setBrush(Q(textColour));
        const QPointF arrow[] = {{W - 11.0, H / 2.0}, {W - 4.0, H / 2.0}, {W - 7.5, H / 2.0 + 4}};
        painter.drawPolygon(arrow, 3);
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
