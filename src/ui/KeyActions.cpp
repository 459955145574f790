#include "ui/KeyActions.h"

#include <QAction>
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
