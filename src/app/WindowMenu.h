#pragma once
// The window's own menu (the stand-in for the system menu of a window).
// Desktops take Alt+Space for their own window menu, so it opens also with
// Shift+F10 or the Menu key while the focus is outside the text panes
// (there those keys belong to the pane), and with a right click on a
// header, at the pointer. Choosing the item
// with command n (1025..1038) delivers a key press with code n + 9999 to
// the window, which turns it back into the command.

#include <QObject>
#include <QString>

class QKeyEvent;
class QMenu;
class QPoint;
class QWidget;

class TWindowMenu : public QObject
{
    Q_OBJECT
public:
    static constexpr int kFirstCommand = 1025;
    static constexpr int kLastCommand = 1038;
    static constexpr int kAboutCommand = kFirstCommand;
    static constexpr int kHelpCommand = kFirstCommand + 1;
    // Commands kFirstCommand .. kFirstCommand + kOwnCommands - 1 belong to the
    // window: it takes them and passes none of them on.
    static constexpr int kOwnCommands = 10;
    static constexpr int kKeyOffset = 9999;

    explicit TWindowMenu(QWidget *window);
    QMenu *Menu() const { return fMenu; }

    // Appends a separator, then "About..." (1025) if keywords contains
    // "about" and "Help\tF1" (1026) if it contains "helpfile".
    void AddSystemMenuItems(const QString &keywords);
    // Runs command n as choosing its item does.
    void Choose(int command);
    // Opens the menu at the window's top-left corner.
    void Popup();
    // Opens the menu at a point on the screen.
    void PopupAt(const QPoint &globalPos);
    // True for the keys that open the menu from the keyboard.
    static bool IsMenuKey(const QKeyEvent *event);

private:
    QWidget *fWindow;
    QMenu *fMenu;
};
