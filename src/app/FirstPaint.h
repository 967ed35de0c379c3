#pragma once
// Work that waits for a window to be on screen: start-up shows both texts
// first and compares them after, so that a long pass never leaves the user
// without a window.

#include <QWidget>
#include <functional>

namespace FirstPaint {

// Runs work once, from the event loop, after the window's first paint: the
// first expose of its native window, which Qt answers by painting at once.
// A window that is shown but never exposed (started minimised, or on a
// platform without expose events) runs the work after kExposeWaitMs.
void After(QWidget &window, std::function<void()> work);

inline constexpr int kExposeWaitMs = 300;

} // namespace FirstPaint
