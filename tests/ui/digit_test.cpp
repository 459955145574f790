#include "ui/TDigit.h"

#include "ui/Pictures.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPaintEvent>
#include <QTest>
#include <memory>
#include "QtTestApp.h"

namespace {

// Counts the paints a digit receives.
class CountingDigit : public TDigit {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        TDigit::paintEvent(event);
    }
};

QImage Render(TDigit& digit) {
    QImage image(digit.size(), QImage::Format_RGB32);
    digit.render(&image);
    return image;
}

const QColor kBackground(0x10, 0x20, 0xC0);
const QColor kOn(0xFF, 0xFF, 0x00);
const QColor kOff(0x40, 0x40, 0x40);

// 45 x 72 with 5-pixel half-bars, in three telling colours.
void MakeLargeDigit(TDigit& digit) {
    digit.resize(45, 72);
    digit.SetThickness(5);
    digit.SetSeparation(1);
    digit.SetColor(kBackground);
    digit.SetColorOn(kOn);
    digit.SetColorOff(kOff);
}

// An interior pixel of each segment of that digit, in mask order.
constexpr QPoint kInterior[8] = {{22, 5},  {22, 35}, {22, 66}, {5, 20},
                                 {39, 20}, {5, 50},  {39, 50}, {42, 69}};

}  // namespace

TEST(TDigit, NewControlShowsYellowZeroOnBlackAtDefaultSize) {
    TDigit digit;
    EXPECT_EQ(digit.Value(), 0);
    EXPECT_EQ(digit.ValueBinary(), 0x7D);
    EXPECT_EQ(digit.ColorOn(), QColor(0xFF, 0xFF, 0x00));
    EXPECT_EQ(digit.ColorOff(), QColor(0x00, 0x00, 0x00));
    EXPECT_EQ(digit.Color(), QColor(0x00, 0x00, 0x00));
    EXPECT_EQ(digit.size(), QSize(16, 32));
    EXPECT_EQ(digit.Thickness(), 2);
    EXPECT_EQ(digit.Separation(), 1);
    EXPECT_FALSE(digit.OnOverflow());
    EXPECT_TRUE(digit.testAttribute(Qt::WA_OpaquePaintEvent));
}

TEST(TDigit, EachValueLightsItsSegments) {
    using D = TDigit;
    const int top = D::SegTop, mid = D::SegMiddle, bot = D::SegBottom, ul = D::SegUpperLeft,
              ur = D::SegUpperRight, ll = D::SegLowerLeft, lr = D::SegLowerRight;
    const int expected[10] = {top | bot | ul | ur | ll | lr,
                              ur | lr,
                              top | mid | bot | ur | ll,
                              top | mid | bot | ur | lr,
                              mid | ul | ur | lr,
                              top | mid | bot | ul | lr,
                              top | mid | bot | ul | ll | lr,
                              top | ur | lr,
                              top | mid | bot | ul | ur | ll | lr,
                              top | mid | bot | ul | ur | lr};
    TDigit digit;
    for (int v : {1, 2, 3, 4, 5, 6, 7, 8, 9, 0}) {
        digit.SetValue(v);
        EXPECT_EQ(digit.Value(), v);
        EXPECT_EQ(digit.ValueBinary(), expected[v]) << "digit " << v;
    }
}

TEST(TDigit, OutOfRangeValueShowsZeroAndReportsOverflowOnceBeforeThePattern) {
    for (int bad : {10, -1}) {
        TDigit digit;
        digit.SetValue(5);
        int calls = 0;
        digit.SetOnOverflow([&](TDigit& sender) {
            ++calls;
            EXPECT_EQ(&sender, &digit);
            EXPECT_EQ(sender.Value(), 0);
            EXPECT_EQ(sender.ValueBinary(), TDigit::Patterns[5]);
        });
        digit.SetValue(bad);
        EXPECT_EQ(calls, 1) << bad;
        EXPECT_EQ(digit.Value(), 0);
        EXPECT_EQ(digit.ValueBinary(), 0x7D);
    }
}

TEST(TDigit, OutOfRangeValueWithoutHandlerIsSilent) {
    TDigit digit;
    digit.SetValue(3);
    digit.SetValue(12);
    EXPECT_EQ(digit.Value(), 0);
    EXPECT_EQ(digit.ValueBinary(), 0x7D);
}

TEST(TDigit, EqualValueDoesNotReapplyThePattern) {
    TDigit digit;
    digit.SetValueBinary(0);
    digit.SetValue(0);
    EXPECT_EQ(digit.ValueBinary(), 0) << "a blanked digit stays blank";
    EXPECT_EQ(digit.Value(), 0);
    digit.SetValue(7);
    EXPECT_EQ(digit.ValueBinary(), 0x51);
    digit.SetValueBinary(TDigit::SegMiddle);
    EXPECT_EQ(digit.Value(), 7) << "the number survives a raw pattern";
}

TEST(TDigit, ThicknessMustFitHalfTheCurrentSize) {
    TDigit digit;  // 16 x 32
    digit.SetThickness(8);
    EXPECT_EQ(digit.Thickness(), 8);
    digit.SetThickness(9);
    EXPECT_EQ(digit.Thickness(), 8) << "one more than width/2 is ignored";

    digit.resize(45, 9);
    digit.SetThickness(5);
    EXPECT_EQ(digit.Thickness(), 8) << "height/2 = 4 refuses 5";
    digit.SetThickness(4);
    EXPECT_EQ(digit.Thickness(), 4);
    digit.SetThickness(-3);
    EXPECT_EQ(digit.Thickness(), -3) << "no lower bound";
}

TEST(TDigit, ThicknessRefusedBeforeGrowingIsAcceptedAfter) {
    TDigit digit;
    digit.SetThickness(20);
    EXPECT_EQ(digit.Thickness(), 2);
    digit.resize(300, 600);
    digit.SetThickness(20);
    EXPECT_EQ(digit.Thickness(), 20);
}

TEST(TDigit, SeparationIsStoredWithoutBounds) {
    TDigit digit;
    digit.SetSeparation(-4);
    EXPECT_EQ(digit.Separation(), -4);
    digit.SetSeparation(100);
    EXPECT_EQ(digit.Separation(), 100);
}

TEST(TDigitGeometry, LargeDigitMatchesHandComputedPoints) {
    const auto p = TDigit::SegmentPolygons(45, 72, 5, 1);
    const QPolygon top({{6, 5}, {11, 0}, {33, 0}, {38, 5}, {33, 10}, {11, 10}});
    const QPolygon upperLeft({{0, 11}, {5, 6}, {10, 11}, {10, 29}, {5, 34}, {0, 29}});
    EXPECT_EQ(p[0], top);
    EXPECT_EQ(p[1], top.translated(0, 30));
    EXPECT_EQ(p[2], top.translated(0, 61));
    EXPECT_EQ(p[3], upperLeft);
    EXPECT_EQ(p[4], upperLeft.translated(34, 0));
    EXPECT_EQ(p[5], upperLeft.translated(0, 30));
    EXPECT_EQ(p[6], upperLeft.translated(34, 30));
    EXPECT_EQ(p[7], QPolygon({{44, 71}, {35, 71}, {44, 62}}));
}

TEST(TDigitPaint, LitUnlitAndBackgroundPixels) {
    TDigit digit;
    MakeLargeDigit(digit);
    digit.SetValue(1);
    const QImage image = Render(digit);
    for (int seg = 0; seg < 8; ++seg) {
        const bool lit = seg == 4 || seg == 6;
        EXPECT_EQ(image.pixelColor(kInterior[seg].x(), kInterior[seg].y()), lit ? kOn : kOff)
            << "segment " << seg;
    }
    EXPECT_EQ(image.pixelColor(0, 0), kBackground);
    EXPECT_EQ(image.pixelColor(22, 12), kBackground) << "gap between top bar and upper-left bar";
    EXPECT_EQ(image.pixelColor(44, 35), kBackground) << "right edge beside the middle bar";
    EXPECT_EQ(image.pixelColor(11, 0), kBackground) << "outline drawn in the background colour";
    EXPECT_EQ(image.pixelColor(34, 20), kBackground) << "outline of the lit upper-right bar";
    EXPECT_EQ(image.pixelColor(44, 20), kBackground);
}

TEST(TDigitPaint, AllBitsLightTheCornerTriangle) {
    TDigit digit;
    MakeLargeDigit(digit);
    digit.SetValueBinary(255);
    const QImage image = Render(digit);
    for (const QPoint& p : kInterior) {
        EXPECT_EQ(image.pixelColor(p.x(), p.y()), kOn) << p.x() << "," << p.y();
    }
}

TEST(TDigitPaint, UnlitBarsVanishWhenColorOffIsTheBackground) {
    TDigit digit;
    MakeLargeDigit(digit);
    digit.SetColorOff(kBackground);
    digit.SetValue(7);
    const QImage image = Render(digit);
    EXPECT_EQ(image.pixelColor(22, 35), kBackground);
    EXPECT_EQ(image.pixelColor(22, 5), kOn);
}

TEST(TDigitPaint, ValueAndColoursRepaintAtOnceOnlyWhenChanged) {
    CountingDigit digit;
    digit.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&digit));
    QApplication::processEvents();
    digit.paints = 0;

    digit.SetValue(3);
    EXPECT_EQ(digit.paints, 1) << "synchronous, no event loop needed";
    digit.SetValue(3);
    digit.SetValueBinary(digit.ValueBinary());
    digit.SetColorOn(digit.ColorOn());
    digit.SetColorOff(digit.ColorOff());
    EXPECT_EQ(digit.paints, 1);
    digit.SetColorOn(Qt::green);
    digit.SetColorOff(Qt::darkGray);
    digit.SetValueBinary(0);
    EXPECT_EQ(digit.paints, 4);
    QApplication::processEvents();
    EXPECT_EQ(digit.paints, 4) << "nothing left pending";
}

TEST(TDigitPaint, ThicknessAndSeparationRepaintsCoalesce) {
    CountingDigit digit;
    digit.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&digit));
    QApplication::processEvents();
    digit.paints = 0;

    digit.SetThickness(3);
    digit.SetThickness(4);
    digit.SetSeparation(2);
    EXPECT_EQ(digit.paints, 0) << "deferred";
    QApplication::processEvents();
    EXPECT_EQ(digit.paints, 1);
}

namespace {

bool IsRed(const QColor& c) {
    return c.red() > 150 && c.green() < 100 && c.blue() < 100;
}
bool IsGreen(const QColor& c) {
    return c.green() > 120 && c.red() < 100 && c.blue() < 100;
}
bool IsWhite(const QColor& c) {
    return c.red() > 230 && c.green() > 230 && c.blue() > 230;
}
bool IsGrey(const QColor& c) {
    return c.red() == c.green() && c.green() == c.blue() && c.red() > 60 && c.red() < 200;
}

}  // namespace

TEST(Pictures, LightBarrierIndicatorsShowTheirStateInColourAndBar) {
    const QImage locked = ImageListPort(PortLocked).toImage();
    const QImage armed = ImageListPort(PortArmed).toImage();
    const QImage idle = ImageListPort(PortIdle).toImage();
    for (const QImage* image : {&locked, &armed, &idle}) {
        EXPECT_EQ(image->size(), QSize(32, 32));
        EXPECT_EQ(image->pixelColor(0, 0).alpha(), 0) << "round, on a transparent square";
    }
    EXPECT_TRUE(IsWhite(locked.pixelColor(16, 16)));
    EXPECT_TRUE(IsWhite(locked.pixelColor(9, 16))) << "bar lies horizontally";
    EXPECT_TRUE(IsRed(locked.pixelColor(16, 6)));
    EXPECT_TRUE(IsWhite(armed.pixelColor(16, 16)));
    EXPECT_TRUE(IsWhite(armed.pixelColor(16, 9))) << "bar stands vertically";
    EXPECT_TRUE(IsGreen(armed.pixelColor(6, 16)));
    EXPECT_TRUE(IsGrey(idle.pixelColor(16, 16)));
}

TEST(Pictures, AbortPictureIsAWhiteCrossOnRed) {
    const QImage image = AbortPicture().toImage();
    EXPECT_EQ(image.size(), QSize(33, 33));
    EXPECT_TRUE(IsWhite(image.pixelColor(16, 16)));
    EXPECT_TRUE(IsRed(image.pixelColor(16, 5)));
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
}
