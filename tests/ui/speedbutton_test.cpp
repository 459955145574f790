#include "ui/TLbSpeedButton.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QTest>

#include "QtTestApp.h"

namespace {

// Whatever the button leaves unpainted keeps this colour.
constexpr QRgb Ground = 0xFF0000FF;

// bSTART while the run clock runs, with a white caption.
ButtonLook StopLook() {
    return {"STOP", 0xFF0000, 0xFFFFFF, 0xFF8000, 0xC00000, 0xFFC0C0, 0x000000, true};
}

QImage Grab(TLbSpeedButton& button) {
    QImage image(button.size(), QImage::Format_ARGB32);
    image.fill(Ground);
    button.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

QRgb At(const QImage& image, int x, int y) {
    return image.pixel(x, y) & 0xFFFFFF;
}

void Enter(TLbSpeedButton& button) {
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&button, &enter);
}

// Bounding box of the pixels of exactly one colour.
QRect PixelsOf(const QImage& image, QRgb colour) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (At(image, x, y) == colour) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

struct ColourButton : testing::Test {
    ColourButton() {
        button.resize(132, 44);
        button.SetLook(StopLook());
        parent.show();  // the mouse is seen only over a button that shows
    }
    QWidget parent;
    TLbSpeedButton& button = *NewColourButton(&parent);
};

}  // namespace

TEST_F(ColourButton, FaceRunsFromLightOverFaceColourBackToLightInsideARoundedOutline) {
    const QImage image = Grab(button);
    const int mid = 66;
    // Row 2 carries the last of the light bands that start on it; a quarter down the face colour.
    EXPECT_EQ(At(image, mid, 2), 0xFFADADu);
    EXPECT_EQ(At(image, mid, 44 / 4), 0xFF0000u);
    EXPECT_EQ(At(image, mid, 0), 0x000000u);
    EXPECT_EQ(At(image, mid, 43), 0x000000u);
    EXPECT_EQ(image.pixel(0, 0), Ground);  // rounded corner shows the parent
    // Beside the caption the bottom half brightens towards the light colour again.
    EXPECT_GT(qGreen(image.pixel(5, 40)), qGreen(image.pixel(5, 20)));
    EXPECT_FALSE(PixelsOf(image, 0xFFFFFF).isEmpty());
}

TEST_F(ColourButton, HoverAndPressTakeTheirFaceColoursAndPressMovesTheCaption) {
    const QImage rest = Grab(button);
    Enter(button);
    ASSERT_TRUE(button.Hover());
    EXPECT_EQ(At(Grab(button), 66, 11), 0xC00000u);

    button.setDown(true);
    const QImage pressed = Grab(button);
    EXPECT_EQ(At(pressed, 66, 12), 0xFF8000u);
    EXPECT_EQ(At(pressed, 66, 1), 0x000000u);  // inner outline in the shadow colour
    const QRect caption = PixelsOf(rest, 0xFFFFFF);
    EXPECT_EQ(PixelsOf(pressed, 0xFFFFFF), caption.translated(1, 1));
}

TEST_F(ColourButton, DisabledButtonIsNeverDownNorHotAndWritesGrey) {
    ButtonLook look = StopLook();
    look.Enabled = false;
    button.SetLook(look);
    Enter(button);
    button.setDown(true);
    const QImage image = Grab(button);
    EXPECT_EQ(At(image, 66, 11), 0xFF0000u);
    EXPECT_TRUE(PixelsOf(image, 0xFFFFFF).isEmpty());
    EXPECT_FALSE(PixelsOf(image, 0x808080).isEmpty());
}

TEST(FlatGlyphButton, ShowsOnlyItsGlyphUntilTheMouseIsOverOrItIsHeld) {
    QPixmap glyph(16, 16);
    glyph.fill(QColor(0x00, 0xFF, 0x00));
    QWidget parent;
    TLbSpeedButton& button = *NewGlyphButton(&parent, glyph);
    button.resize(40, 36);
    parent.show();

    QImage image = Grab(button);
    EXPECT_EQ(image.pixel(0, 0), Ground);
    EXPECT_EQ(image.pixel(39, 35), Ground);
    EXPECT_EQ(PixelsOf(image, 0x00FF00), QRect(12, 10, 16, 16));

    Enter(button);
    image = Grab(button);
    EXPECT_EQ(At(image, 0, 0), 0xFFFFFFu);    // light edge top left
    EXPECT_EQ(At(image, 39, 35), 0x000000u);  // shadow edge bottom right
    EXPECT_EQ(At(image, 20, 5), qRgb(0, 0, 255) & 0xFFFFFF);

    button.setDown(true);
    image = Grab(button);
    EXPECT_EQ(At(image, 0, 0), 0x000000u);
    EXPECT_EQ(PixelsOf(image, 0x00FF00), QRect(13, 11, 16, 16));
}

TEST(CutCaption, LosesCharactersFromTheEndUntilItFits) {
    const auto tenEach = [](const QString& text) { return 10 * static_cast<int>(text.size()); };
    EXPECT_EQ(CutCaption("EINTRAGEN", 90, tenEach), "EINTRAGEN");
    EXPECT_EQ(CutCaption("EINTRAGEN", 55, tenEach), "EINTR");
    EXPECT_EQ(CutCaption("EINTRAGEN", 0, tenEach), "");
    // A character outside the basic plane is never split into half a pair.
    const QString horse = QString("A") + QString::fromUcs4(U"\U0001F40E");
    EXPECT_EQ(CutCaption(horse, 15, tenEach), "A");
}

namespace {

class CountingButton : public TLbSpeedButton {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        TLbSpeedButton::paintEvent(event);
    }
};

}  // namespace

TEST(TLbSpeedButton, AnUnchangedLookCostsNoPaintButStillSetsTheEnabledState) {
    CountingButton button;
    button.SetLook(StopLook());
    button.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    QApplication::processEvents();
    const int before = button.paints;
    ASSERT_GT(before, 0);
    button.SetLook(StopLook());
    QApplication::processEvents();
    EXPECT_EQ(button.paints, before);
    button.setEnabled(false);
    button.SetLook(StopLook());
    EXPECT_TRUE(button.isEnabled());
    ButtonLook hot = StopLook();
    hot.Caption = "TIMER";
    button.SetLook(hot);
    QApplication::processEvents();
    EXPECT_GT(button.paints, before);
}

TEST(SpeedButtonGroup, OneDownPutsTheOthersUpAndOnlyAllowAllUpLetsTheDownOneUp) {
    QWidget parent;
    TLbSpeedButton a(&parent);
    TLbSpeedButton b(&parent);
    TLbSpeedButton plain(&parent);
    b.move(0, 30);
    plain.move(0, 60);
    a.SetGroupIndex(1);
    b.SetGroupIndex(1);
    parent.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));

    QTest::mouseClick(&a, Qt::LeftButton);
    EXPECT_TRUE(a.Down());
    QTest::mouseClick(&b, Qt::LeftButton);
    EXPECT_TRUE(b.Down());
    EXPECT_FALSE(a.Down());
    QTest::mouseClick(&b, Qt::LeftButton);
    EXPECT_TRUE(b.Down()) << "without AllowAllUp the down button stays down";
    b.SetAllowAllUp(true);
    QTest::mouseClick(&b, Qt::LeftButton);
    EXPECT_FALSE(b.Down());
    a.SetDown(true);
    b.SetDown(true);
    EXPECT_FALSE(a.Down()) << "also when set by code";

    QTest::mousePress(&plain, Qt::LeftButton);
    EXPECT_TRUE(plain.Down());
    QTest::mouseRelease(&plain, Qt::LeftButton);
    EXPECT_FALSE(plain.Down()) << "a plain button is down only while held";
    EXPECT_TRUE(b.Down()) << "group 0 is no group";
}

// A strip of four 10 x 10 pictures: normal, disabled, down, under the mouse.
struct GlyphStrip : testing::Test {
    static constexpr QRgb Normal = 0x00FF00, Disabled = 0x0000FE, Held = 0xFF8000, Hot = 0xFF00FF;
    GlyphStrip() {
        QPixmap strip(40, 10);
        strip.fill(Qt::transparent);
        QPainter painter(&strip);
        const QRgb pictures[] = {Normal, Disabled, Held, Hot};
        for (int i = 0; i < 4; ++i) {
            painter.fillRect(i * 10, 0, 10, 10, QColor::fromRgb(pictures[i]));
        }
        painter.end();
        button.resize(100, 40);
        button.SetTransparent(true);
        button.SetFlat(true);
        button.SetGlyph(strip);
        button.SetNumGlyphs(4);
        button.SetAlignment(Qt::AlignHCenter);
        parent.show();
    }
    // Caption height and width as the button measures them.
    QRect Measured(const QString& caption) const {
        return QFontMetrics(button.font())
            .boundingRect(QRect(0, 0, 100 - 10 - 12, 40), Qt::TextWordWrap | Qt::AlignHCenter,
                          caption);
    }
    QWidget parent;
    TLbSpeedButton button{&parent};
};

TEST_F(GlyphStrip, EachStateDrawsItsPictureWhereTheLayoutPutsIt) {
    EXPECT_EQ(PixelsOf(Grab(button), Normal), QRect(45, 15, 10, 10));
    button.setEnabled(false);
    EXPECT_EQ(PixelsOf(Grab(button), Disabled), QRect(45, 15, 10, 10));
    button.setEnabled(true);
    button.SetDown(true);
    EXPECT_EQ(PixelsOf(Grab(button), Held), QRect(46, 16, 10, 10));
    button.SetDown(false);
    Enter(button);
    EXPECT_EQ(PixelsOf(Grab(button), Hot), QRect(45, 15, 10, 10));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);

    button.setText("Ab");
    const QRect text = Measured("Ab");
    const int j = (40 - (text.height() + 10 + 4)) / 2;
    button.SetLayout(TLbSpeedButton::blGlyphTop);
    EXPECT_EQ(PixelsOf(Grab(button), Normal), QRect(45, j, 10, 10));
    button.SetLayout(TLbSpeedButton::blGlyphBottom);
    EXPECT_EQ(PixelsOf(Grab(button), Normal), QRect(45, j + text.height(), 10, 10));
    button.SetLayout(TLbSpeedButton::blGlyphRight);
    EXPECT_EQ(PixelsOf(Grab(button), Normal), QRect(45 + (text.width() + 4) / 2, 15, 10, 10));
    button.SetAlignment(Qt::AlignRight);
    EXPECT_EQ(PixelsOf(Grab(button), Normal), QRect(86, 15, 10, 10));
}

TEST(SpeedButtonColours, WithoutDownAndHoverColoursTheFaceStaysAndSlowDeceaseFadesOut) {
    QWidget parent;
    TLbSpeedButton button(&parent);
    // Away from where the pointer rests, which would bring the mouse back in.
    parent.resize(300, 100);
    button.move(150, 50);
    parent.show();
    button.SetColor(0x123456);
    Enter(button);
    button.SetDown(true);
    EXPECT_EQ(At(Grab(button), 50, 10), 0x123456u) << "none is the default";
    button.SetDown(false);

    button.SetHotTrackColor(0xC00000);
    button.SetSlowDecease(true);
    EXPECT_EQ(At(Grab(button), 50, 10), 0xC00000u);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    QTest::qWait(100);
    const int level = button.HoverLevel();
    EXPECT_GT(level, 0);
    EXPECT_LT(level, TLbSpeedButton::HoverFull);
    EXPECT_EQ(At(Grab(button), 50, 10), HoverBlend(0x123456, 0xC00000, button.HoverLevel()));
    QTest::qWait(400);
    EXPECT_EQ(button.HoverLevel(), 0);
    EXPECT_EQ(At(Grab(button), 50, 10), 0x123456u);
}

TEST(SpeedButtonPopup, AnArrowMarksTheMenuWhichOpensBeforeTheClickHandlers) {
    QWidget parent;
    TLbSpeedButton button(&parent);
    parent.show();
    QMenu menu;
    menu.addAction("Eins");
    button.SetPopupMenu(&menu);
    EXPECT_EQ(At(Grab(button), 100 - 8, 23 / 2 + 1), 0x000000u);
    bool menuOpenInHandler = false;
    QObject::connect(&button, &QAbstractButton::clicked,
                     [&] { menuOpenInHandler = menu.isVisible(); });
    button.setEnabled(false);
    button.Click();
    EXPECT_TRUE(menuOpenInHandler) << "a click by code runs also on a disabled button";
    menu.hide();
}
