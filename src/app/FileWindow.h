#pragma once
// Opens a file window of its own on two files, as `parlune LEFT RIGHT`
// does, for callers that need no more of the window than that (the folder
// window). It deletes itself when closed.

#include "session/Side.h"

#include <QString>

class QObject;
class QWidget;

// A label that is not empty replaces that side's file label (the name to
// show when the path is a stand-in, such as an open file under /proc).
// `owned` objects become the window's children and live as long as it does.
QWidget *OpenFileWindow(const TPerSide<QString> &paths, const TPerSide<QString> &labels,
                        const TPerSide<QObject *> &owned);
