#pragma once

#include <QDialog>

class BarrierTest;
class Competition;
class QLabel;
class QListWidget;
class QPushButton;

// The light-barrier test as the operator watches it beside the main window: every edge and
// crossing the test describes, newest at the bottom. Shown while the test runs; closing it (or
// F7) ends the test.
class BarrierTestWindow : public QDialog {
public:
    BarrierTestWindow(Competition& competition, QWidget* parent);
    // Shows the test's lines, or hides the window when no test runs.
    void Render();

    QLabel* LabelSummary = nullptr;
    QListWidget* ListEdges = nullptr;
    QPushButton* bEnd = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Competition& competition_;
    const BarrierTest* shown_ = nullptr;
    std::size_t shownLines_ = 0;
};
