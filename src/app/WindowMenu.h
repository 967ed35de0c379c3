#pragma once
// The window's own menu (the stand-in for the system menu of a window):
// opened with Alt+Space or a right click on a header. Choosing the item
// with command n (1025..1038) delivers a key press with code n + 9999 to
// the window, which turns it back into the command.

#include <QObject>
#include <QString>

class QMenu;
class QWidget;

class TWindowMenu : public QObject
{
    Q_OBJECT
public:
    static constexpr int kFirstCommand = 1025;
    static constexpr int kLastCommand = 1038;
    static constexpr int kKeyOffset = 9999;

    explicit TWindowMenu(QWidget *window);
    QMenu *Menu() const { return fMenu; }

    // Appends a separator, then "About..." (1025) if keywords contains
    // "about" and "Help\tF1" (1026) if it contains "helpfile".
    void AddSystemMenuItems(const QString &keywords);
    // Runs command n as choosing its item does.
    void Choose(int command);
    void Popup();

private:
    QWidget *fWindow;
    QMenu *fMenu;
};
