#pragma once

#include <QWidget>

#include "office/Cashout.h"

class Competition;
class QLabel;
class QPushButton;
class QTreeWidget;

// The show office's window ("Kasse", Ctrl+K): per rider the classes entered with each fee and the
// money won, the net to collect or to pay out and whether it is paid; under it the show's
// totals. The buttons mark the chosen rider paid in cash or by check, void a check, and print.
// It renders the competition's cash-out, which takes every amount from the classes' standings.
// Closing it never keeps the program alive. UI thread only.
class CashoutWindow : public QWidget {
public:
    CashoutWindow();

    // Renders the competition's cash-out from now on, shown while its switch (Ctrl+K) is on. The
    // competition must outlive the window.
    void Follow(Competition& competition);
    void Render(const Cashout& cash);

    QTreeWidget* Riders = nullptr;
    QLabel* Totals = nullptr;
    QPushButton* PayCash = nullptr;
    QPushButton* PayCheck = nullptr;
    QPushButton* VoidCheck = nullptr;
    QPushButton* Print = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // The account of the rider chosen (a rider's line or one of its classes); empty when none.
    QString ChosenAccount() const;
    void Pay(PayMethod method);

    Competition* competition_ = nullptr;
    Cashout shown_;  // what the list shows
};
