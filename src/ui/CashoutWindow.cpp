#include "ui/CashoutWindow.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/Competition.h"
#include "office/CashoutReport.h"
#include "results/Jackpot.h"
#include "ui/KeyActions.h"

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

enum Column { Who, Member, Fees, Won, Net, Paid, ColumnCount };
constexpr int AccountRole = Qt::UserRole;

}  // namespace

CashoutWindow::CashoutWindow() {
    setWindowTitle(QStringLiteral("Kasse"));
    setObjectName(QStringLiteral("Kasse"));
    // Closing the main window ends the program, also while the office's window is open.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(900, 600);
    auto* layout = new QVBoxLayout(this);
    Riders = new QTreeWidget(this);
    Riders->setColumnCount(ColumnCount);
    Riders->setHeaderLabels({QStringLiteral("Reiter / Klasse"), QStringLiteral("Mitglied"),
                             QStringLiteral("Gebühr €"), QStringLiteral("Gewinn €"),
                             QStringLiteral("Netto €"), QStringLiteral("Bezahlt")});
    Riders->setAlternatingRowColors(true);
    Riders->header()->setSectionResizeMode(Who, QHeaderView::Stretch);
    for (int col = Member; col < ColumnCount; ++col) {
        Riders->header()->setSectionResizeMode(col, QHeaderView::ResizeToContents);
    }
    layout->addWidget(Riders, 1);
    Totals = new QLabel(this);
    Totals->setWordWrap(true);
    Totals->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(Totals);
    auto* buttons = new QHBoxLayout;
    PayCash = new QPushButton(QStringLiteral("Bar bezahlt"), this);
    PayCheck = new QPushButton(QStringLiteral("Mit Scheck bezahlt"), this);
    VoidCheck = new QPushButton(QStringLiteral("Scheck stornieren …"), this);
    Print = new QPushButton(QStringLiteral("Drucken …"), this);
    for (QPushButton* button : {PayCash, PayCheck, VoidCheck}) {
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    buttons->addWidget(Print);
    layout->addLayout(buttons);
}

void CashoutWindow::Follow(Competition& competition) {
    competition_ = &competition;
    InstallKeyCommands(this, competition);
    connect(PayCash, &QPushButton::clicked, this, [this] { Pay(PayMethod::Cash); });
    connect(PayCheck, &QPushButton::clicked, this, [this] { Pay(PayMethod::Check); });
    connect(VoidCheck, &QPushButton::clicked, this, [this] {
        bool ok = false;
        const int number =
            QInputDialog::getInt(this, QStringLiteral("Scheck stornieren"),
                                 QStringLiteral("Nummer des Schecks:"), 1, 1, 1000000, 1, &ok);
        if (ok) {
            competition_->VoidCheck(number);
        }
    });
    connect(Print, &QPushButton::clicked, this, [this] { competition_->PrintCashout(); });
    competition.AddChangeListener([this](Change change) {
        if (!competition_->CashoutShown()) {
            if (isVisible()) {
                hide();
            }
            return;
        }
        if (change == Change::Clock) {
            return;
        }
        // Built again only when the money changed: a run entered, a key typed at the arena table
        // leave the office's place in the list (scrolled, chosen, folded) as it was.
        if (Cashout cash = competition_->CurrentCashout(); cash != shown_ || !isVisible()) {
            Render(cash);
            shown_ = std::move(cash);
        }
        if (!isVisible()) {
            show();
            raise();
        }
    });
}

void CashoutWindow::Render(const Cashout& cash) {
    const char decimalSeparator = cash.DecimalSeparator;
    const auto money = [&](std::int64_t cents) { return Q(MoneyText(cents, decimalSeparator)); };
    const QString chosen = ChosenAccount();
    Riders->clear();
    for (const RiderAccount& account : cash.Riders) {
        auto* rider = new QTreeWidgetItem(Riders);
        rider->setData(Who, AccountRole, Q(account.Key));
        rider->setText(Who, Q(account.Rider));
        rider->setText(Member, Q(account.Member));
        rider->setText(Fees, money(account.FeesCents));
        rider->setText(Won, money(account.WonCents));
        rider->setText(Net, Q(NetText(account.NetCents(), decimalSeparator)));
        rider->setText(Paid, Q(PaidText(account, decimalSeparator)));
        QFont bold = rider->font(Who);
        bold.setBold(true);
        rider->setFont(Who, bold);
        rider->setFont(Net, bold);
        for (const CashoutEntry& entry : account.Entries) {
            auto* line = new QTreeWidgetItem(rider);
            line->setData(Who, AccountRole, Q(account.Key));
            line->setText(Who,
                          Q(entry.ClassName + " · Nr. " + entry.StartNumber + " · " + entry.Horse));
            line->setText(Fees,
                          entry.Refunded ? QStringLiteral("erstattet") : money(entry.FeeCents));
            line->setText(Won, entry.WonCents > 0 ? money(entry.WonCents) : QString());
        }
        if (account.RiderFeeCents > 0) {
            auto* line = new QTreeWidgetItem(rider);
            line->setData(Who, AccountRole, Q(account.Key));
            line->setText(Who, QStringLiteral("Reitergebühr"));
            line->setText(Fees, money(account.RiderFeeCents));
        }
        if (account.HorseFeeCents > 0) {
            QStringList horses;
            for (const std::string& horse : account.HorsesCharged) {
                horses << Q(horse);
            }
            auto* line = new QTreeWidgetItem(rider);
            line->setData(Who, AccountRole, Q(account.Key));
            line->setText(Who,
                          QStringLiteral("Pferdegebühr · ") + horses.join(QStringLiteral(", ")));
            line->setText(Fees, money(account.HorseFeeCents));
        }
        for (int col = Fees; col <= Net; ++col) {
            rider->setTextAlignment(col, Qt::AlignRight | Qt::AlignVCenter);
            for (int child = 0; child < rider->childCount(); ++child) {
                rider->child(child)->setTextAlignment(col, Qt::AlignRight | Qt::AlignVCenter);
            }
        }
        if (Q(account.Key) == chosen) {
            Riders->setCurrentItem(rider);
        }
    }
    Riders->expandAll();
    if (!cash.Problem.empty()) {
        Totals->setStyleSheet(QStringLiteral("color: red;"));
        Totals->setText(Q(cash.Problem));
        return;
    }
    Totals->setStyleSheet(QString());
    Totals->setText(QStringLiteral("Gebühren eingenommen: %1 · Ausgezahlt: %2 · Beim "
                                   "Veranstalter: %3\nNoch offen: zu kassieren %4 · auszuzahlen %5")
                        .arg(money(cash.FeesCents), money(cash.PaidOutCents),
                             money(cash.HeldCents()), money(cash.OpenCollectCents),
                             money(cash.OpenPayOutCents)));
}

QString CashoutWindow::ChosenAccount() const {
    const QTreeWidgetItem* item = Riders->currentItem();
    return item ? item->data(Who, AccountRole).toString() : QString();
}

void CashoutWindow::Pay(PayMethod method) {
    const QString account = ChosenAccount();
    if (account.isEmpty()) {
        return;
    }
    competition_->MarkPaid(account.toStdString(), method);
}

void CashoutWindow::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (competition_ != nullptr) {
        competition_->CloseCashoutWindow();
    }
}
