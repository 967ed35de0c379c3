#include "app/FirstPaint.h"

#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWindow>

namespace FirstPaint {
namespace {

// Watches the window (for its show) and then its native window (for the
// expose); deletes itself once the work is on its way.
class TWatcher : public QObject
{
public:
    TWatcher(QWidget &window, std::function<void()> work)
        : QObject(&window), fWindow(&window), fWork(std::move(work))
    {
        window.installEventFilter(this);
        if (window.isVisible())
            watchNative();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == fWindow && event->type() == QEvent::Show)
            watchNative();
        else if (watched == fNative && event->type() == QEvent::Expose && fNative->isExposed())
            run();  // the work is queued: the window paints first
        return false;
    }

private:
    void watchNative()
    {
        if (fNative)
            return;
        fNative = fWindow->windowHandle();
        if (fNative)
            fNative->installEventFilter(this);
        QTimer::singleShot(kExposeWaitMs, this, [this] { run(); });
    }

    void run()
    {
        if (fStarted)
            return;
        fStarted = true;
        fWindow->removeEventFilter(this);
        if (fNative)
            fNative->removeEventFilter(this);
        QTimer::singleShot(0, fWindow, std::move(fWork));
        deleteLater();
    }

    QPointer<QWidget> fWindow;
    QPointer<QWindow> fNative;
    std::function<void()> fWork;
    bool fStarted = false;
};

} // namespace

void After(QWidget &window, std::function<void()> work)
{
    new TWatcher(window, std::move(work));
}

} // namespace FirstPaint
