#pragma once
// The application object. It is the one place where an error that ends an
// operation is caught: the operation stops, its message is shown, and the
// program goes on running.

#include <QApplication>
#include <functional>

class TParluneApp : public QApplication
{
    Q_OBJECT
public:
    using TErrorPresenter = std::function<void(const QString &message)>;

    TParluneApp(int &argc, char **argv);
    ~TParluneApp() override;
    bool notify(QObject *receiver, QEvent *event) override;

    // How a caught error is shown; by default a modal message box.
    void SetErrorPresenter(TErrorPresenter presenter) { fPresenter = std::move(presenter); }
    void ShowError(const QString &message);

private:
    TErrorPresenter fPresenter;
};

// Errors reported (platform/ErrorReport.h) are shown as the application
// object shows them, also before its event loop runs.
#include "platform/ErrorReport.h"
