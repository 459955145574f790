#include "ui/TStNrBox.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QListView>
#include <QStyledItemDelegate>
#include <algorithm>

namespace {

constexpr int NameRole = Qt::UserRole + 1;
// The open list is at most this wide; longer names end in an ellipsis.
constexpr int ListMaxWidth = 420;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QString Entry(const QString& number, const QString& name) {
    return name.isEmpty() ? number : number + QStringLiteral("  ") + name;
}

// The open list draws each number with its name.
class EntryDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->text = Entry(option->text, index.data(NameRole).toString());
        option->textElideMode = Qt::ElideRight;
    }
};

// Typing in the open list goes through the box's own search.
class EntryList : public QListView {
public:
    explicit EntryList(TStNrBox& box) : box_(box) {}

    // Only the highlight moves; Enter or a click picks the starter.
    void keyboardSearch(const QString& search) override {
        const int index = box_.Search(search);
        if (index >= 0) {
            setCurrentIndex(model()->index(index, 0));
        }
    }

private:
    TStNrBox& box_;
};

}  // namespace

TStNrBox::TStNrBox(QWidget* parent) : QComboBox(parent) {
    setView(new EntryList(*this));
    view()->setItemDelegate(new EntryDelegate(view()));
    view()->setTextElideMode(Qt::ElideRight);
}

void TStNrBox::SetEntries(const std::vector<std::string>& numbers,
                          const std::vector<std::string>& names) {
    if (numbers == numbers_ && names == names_) {
        return;
    }
    numbers_ = numbers;
    names_ = names;
    const QSignalBlocker quiet(this);
    clear();
    const QFontMetrics metrics(view()->font());
    int widest = 0;
    for (std::size_t i = 0; i < numbers_.size(); ++i) {
        const QString name = i < names_.size() ? Q(names_[i]) : QString();
        addItem(Q(numbers_[i]));
        setItemData(static_cast<int>(i), name, NameRole);
        // The whole entry as a tool tip, for names longer than the list is wide.
        setItemData(static_cast<int>(i), Entry(Q(numbers_[i]), name), Qt::ToolTipRole);
        widest = std::max(widest, metrics.horizontalAdvance(EntryText(static_cast<int>(i))));
    }
    view()->setMinimumWidth(std::min(widest + 40, ListMaxWidth));
}

QString TStNrBox::EntryText(int index) const {
    return Entry(itemText(index), itemData(index, NameRole).toString());
}

int TStNrBox::Search(const QString& text) {
    if (!lastKey_.isValid() || lastKey_.elapsed() > QApplication::keyboardInputInterval()) {
        typed_.clear();
    }
    lastKey_.start();
    typed_ += text;
    const int index = Find ? Find(typed_.toStdString()) : -1;
    return index < count() ? index : -1;
}

void TStNrBox::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const bool command =
        (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0;
    if (!text.isEmpty() && text.at(0).isPrint() && !command) {
        const int index = Search(text);
        if (index >= 0) {
            setCurrentIndex(index);
            emit activated(index);
        }
        return;
    }
    QComboBox::keyPressEvent(event);
}
