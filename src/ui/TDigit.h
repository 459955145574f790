#pragma once

#include <QColor>
#include <QPolygon>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>

// One seven-segment digit plus a corner mark, drawn as integer polygons that scale with the
// control's size. Six of them form a time board.
class TDigit : public QWidget {
public:
    using TOverflow = std::function<void(TDigit& sender)>;

    // Segment masks of ValueBinary, in drawing order.
    static constexpr std::uint8_t SegTop = 1;
    static constexpr std::uint8_t SegMiddle = 2;
    static constexpr std::uint8_t SegBottom = 4;
    static constexpr std::uint8_t SegUpperLeft = 8;
    static constexpr std::uint8_t SegUpperRight = 16;
    static constexpr std::uint8_t SegLowerLeft = 32;
    static constexpr std::uint8_t SegLowerRight = 64;
    static constexpr std::uint8_t SegCorner = 128;

    // Segment pattern of each digit 0 to 9.
    static constexpr std::array<std::uint8_t, 10> Patterns = {0x7D, 0x50, 0x37, 0x57, 0x5A,
                                                              0x4F, 0x6F, 0x51, 0x7F, 0x5F};

    explicit TDigit(QWidget* parent = nullptr);

    int Value() const { return value_; }
    // Shows digit v; outside 0 to 9 shows 0 and calls OnOverflow. Repaints at once.
    void SetValue(int v);

    std::uint8_t ValueBinary() const { return valueBinary_; }
    // Draws any segment pattern (0 blanks the digit); Value keeps its number.
    void SetValueBinary(std::uint8_t b);

    QColor ColorOn() const { return colorOn_; }
    void SetColorOn(const QColor& c);
    QColor ColorOff() const { return colorOff_; }
    void SetColorOff(const QColor& c);
    // Background of the control and outline of every segment.
    QColor Color() const { return color_; }
    void SetColor(const QColor& c);

    // Half the width of a bar. Refused silently unless t fits the current size (t <= width/2
    // and t <= height/2); a refused value can be set again after the control has grown.
    int Thickness() const { return thickness_; }
    void SetThickness(int t);
    // Gap between the tips of neighbouring bars.
    int Separation() const { return separation_; }
    void SetSeparation(int s);

    const TOverflow& OnOverflow() const { return onOverflow_; }
    void SetOnOverflow(TOverflow handler) { onOverflow_ = std::move(handler); }

    // The eight polygons of a w x h digit, in the order of the segment masks.
    static std::array<QPolygon, 8> SegmentPolygons(int w, int h, int t, int s);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    // Stores a changed look and shows it at once; an equal value costs nothing.
    template <typename T>
    void ChangeAndRepaint(T& field, const T& value) {
        if (field != value) {
            field = value;
            repaint();
        }
    }

    int value_ = 0;
    std::uint8_t valueBinary_ = Patterns[0];
    QColor colorOn_{0xFF, 0xFF, 0x00};
    QColor colorOff_{0x00, 0x00, 0x00};
    QColor color_{0x00, 0x00, 0x00};
    int thickness_ = 0;
    int separation_ = 0;
    TOverflow onOverflow_;
};
