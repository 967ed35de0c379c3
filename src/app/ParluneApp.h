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
    bool notify(QObject *receiver, QEvent *event) override;

    // How a caught error is shown; by default a modal message box.
    void SetErrorPresenter(TErrorPresenter presenter) { fPresenter = std::move(presenter); }
    void ShowError(const QString &message);

private:
    TErrorPresenter fPresenter;
};

// Shows an error as the application object does (also before its event
// loop runs, and when the application object is a plain one).
void ReportError(const QString &message);
