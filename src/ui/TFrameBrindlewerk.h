#pragma once

#include <QLabel>
#include <QWidget>

// A label whose text carries a black shadow two pixels to the right and below (cut off where
// it leaves the label).
class TLabel3D : public QLabel {
public:
    static constexpr int ShadowOffset = 2;

    TLabel3D(const QString& text, const QColor& colour, Qt::Alignment alignment, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_;
};

// The maker's name in three coloured parts, packed against the right edge; its text scales with
// the frame's height. Embedded at the bottom of the spectator window.
class TFrameBrindlewerk : public QWidget {
public:
    explicit TFrameBrindlewerk(QWidget* parent = nullptr);

    TLabel3D* LabelPart1 = nullptr;
    TLabel3D* LabelPart2 = nullptr;
    TLabel3D* LabelPart3 = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Text at half the frame's height in points; each part exactly as wide as its text.
    void FrameResize();
};
