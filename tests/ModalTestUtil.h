#pragma once
// Answering modal dialogs in tests: the action runs once the dialog is up.

#include <QApplication>
#include <QTimer>
#include <QtTest>
#include <functional>

inline void whenModal(std::function<void(QWidget *)> act)
{
    QTimer::singleShot(0, [act] {
        QWidget *modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        act(modal);
    });
}
