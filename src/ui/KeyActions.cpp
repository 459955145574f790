#include "ui/KeyActions.h"

#include <QAction>
#include <QEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QWidget>

#include "core/Competition.h"

QList<QAction*> InstallKeyCommands(QWidget* window, Competition& competition) {
    QList<QAction*> actions;
    for (const KeyCommand& command : KeyCommands) {
        auto* action =
            new QAction(QString::fromUtf8(command.Caption.data(),
                                          static_cast<qsizetype>(command.Caption.size())),
                        window);
        action->setObjectName(
            QString::fromLatin1(command.Name.data(), static_cast<qsizetype>(command.Name.size())));
        action->setShortcut(QKeySequence::fromString(
            QString::fromLatin1(command.Key.data(), static_cast<qsizetype>(command.Key.size())),
            QKeySequence::PortableText));
        action->setShortcutContext(Qt::WindowShortcut);
        const Command id = command.Id;
        QObject::connect(action, &QAction::triggered, window,
                         [&competition, id] { competition.Run(id); });
        window->addAction(action);
        actions << action;
    }
    return actions;
}

namespace {

class CommandKeyFilter : public QObject {
public:
    CommandKeyFilter(QObject* parent, QList<QAction*> actions)
        : QObject(parent), actions_(std::move(actions)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride) {
            return QObject::eventFilter(watched, event);
        }
        const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
        for (const QAction* action : actions_) {
            if (action->shortcut() == pressed && pressed != SelectAll) {
                // Left unaccepted, the key goes on to the window's shortcut.
                event->ignore();
                return true;
            }
        }
        return false;
    }

private:
    const QKeySequence SelectAll{Qt::CTRL | Qt::Key_A};
    QList<QAction*> actions_;
};

}  // namespace

void LeaveCommandKeysToCommands(QWidget* field, const QList<QAction*>& actions) {
    field->installEventFilter(new CommandKeyFilter(field, actions));
}
