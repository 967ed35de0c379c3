#include "ParluneApp.h"

#include "MessageDialog.h"

#include <exception>

TParluneApp::TParluneApp(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Parlune"));
    setOrganizationName(QStringLiteral("Menthak Software"));
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

void ReportError(const QString &message)
{
    if (auto *app = qobject_cast<TParluneApp *>(QCoreApplication::instance()))
        app->ShowError(message);
    else
        ShowStyledMessage(QStringLiteral("Something Went Wrong"), message, 0);
}
