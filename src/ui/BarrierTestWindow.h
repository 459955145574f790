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
    // The backup light barrier's edges, tested beside the first; shown while it is open.
    QLabel* LabelBackup = nullptr;
    QListWidget* ListBackupEdges = nullptr;
    QPushButton* bEnd = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // What one list shows of one test.
    struct Shown {
        const BarrierTest* test = nullptr;
        std::size_t lines = 0;
    };
    static void RenderList(QListWidget* list, const BarrierTest& test, Shown& shown);

    Competition& competition_;
    Shown shown_;
    Shown shownBackup_;
};
