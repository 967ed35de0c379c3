#include "app/WindowMenu.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QShortcut>

TWindowMenu::TWindowMenu(QWidget *window) : QObject(window), fWindow(window), fMenu(new QMenu(window))
{
    auto *shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), window);
    connect(shortcut, &QShortcut::activated, this, &TWindowMenu::Popup);
}

void TWindowMenu::AddSystemMenuItems(const QString &keywords)
{
    struct TItem
    {
        const char *keyword;
        const char *caption;
        int command;
    };
    static const TItem items[] = {{"about", "About...", kAboutCommand}, {"helpfile", "Help\tF1", kHelpCommand}};
    fMenu->addSeparator();
    for (const TItem &item : items) {
        if (!keywords.contains(QLatin1String(item.keyword)))
            continue;
        QAction *action = fMenu->addAction(QString::fromLatin1(item.caption));
        const int command = item.command;
        connect(action, &QAction::triggered, this, [this, command] { Choose(command); });
    }
}

void TWindowMenu::Choose(int command)
{
    if (command < kFirstCommand || command > kLastCommand)
        return;
    QKeyEvent press(QEvent::KeyPress, command + kKeyOffset, Qt::NoModifier);
    QCoreApplication::sendEvent(fWindow, &press);
}

void TWindowMenu::Popup()
{
    PopupAt(fWindow->mapToGlobal(QPoint(0, 0)));
}

void TWindowMenu::PopupAt(const QPoint &globalPos)
{
    fMenu->popup(globalPos);
}

bool TWindowMenu::IsMenuKey(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    return (event->key() == Qt::Key_Menu && mods == Qt::NoModifier)
        || (event->key() == Qt::Key_F10 && mods == Qt::ShiftModifier);
}
