#include "app/ParluneApp.h"

#include "dialogs/MessageDialog.h"

#include <QIcon>
#include <exception>

TParluneApp::TParluneApp(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Parlune"));
    setOrganizationName(QStringLiteral("Menthak Software"));
    // Ties the windows to the installed desktop entry and its icon; the
    // scalable icon needs Qt's SVG plugin, without it the platform's default
    // stands in.
    setDesktopFileName(QStringLiteral("com.menthak.Parlune"));
    setWindowIcon(QIcon::fromTheme(QStringLiteral("com.menthak.Parlune")));
    SetErrorReporter([this](const QString &message) { ShowError(message); });
}

TParluneApp::~TParluneApp()
{
    SetErrorReporter({});
}

bool TParluneApp::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        ShowError(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowError(QStringLiteral("An unknown error ended the operation."));
    }
    return false;
}

void TParluneApp::ShowError(const QString &message)
{
    if (fPresenter) {
        fPresenter(message);
        return;
    }
    ShowStyledMessage(QStringLiteral("Something Went Wrong"), message, 0);
}
