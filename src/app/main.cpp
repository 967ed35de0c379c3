// Parlune: sets two texts side by side and marks, line by line, where they differ.
#include "dialogs/AboutBox.h"
#include "app/CommandLine.h"
#include "app/FolderStart.h"
#include "app/MainForm.h"
#include "app/PaneReport.h"
#include "app/ParluneApp.h"
#include "panes/TextPane.h"
#include "platform/VersionInfo.h"
#include "folderview/FolderWindow.h"

#include <QFile>
#include <cstdio>
#include <memory>

namespace {

void print(std::FILE *stream, const QString &text)
{
    std::fputs(qPrintable(text.endsWith(u'\n') ? text : text + u'\n'), stream);
}

} // namespace

int main(int argc, char **argv)
{
    // Help, version and errors of the command line are answered before the
    // application object exists, so they need no display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QFile::decodeName(argv[i]);
    const TStartRequest request = ParseCommandLine(arguments);
    switch (request.Action) {
    case TStartRequest::TAction::Help:
        print(stdout, request.Text);
        return request.ExitCode();
    case TStartRequest::TAction::Version:
        print(stdout, VersionText(QStringLiteral("/proc/self/exe")));
        return request.ExitCode();
    case TStartRequest::TAction::Error:
        print(stderr, request.Text);
        return request.ExitCode();
    case TStartRequest::TAction::Start:
        if (!request.Text.isEmpty())
            print(stderr, request.Text);
        break;
    }

    TParluneApp app(argc, argv);
    if (request.HasFiles() && FolderStart::AreFolders(request.Left, request.Right)) {
        // Two folders: the folder window alone; its pairs open file windows.
        std::unique_ptr<FolderView::TFolderWindow> folders(FolderStart::MakeFolderWindow(request.Left, request.Right));
        AppInfo::InitAppInfo();
        folders->show();
        return app.exec();
    }
    const bool report = PaneReport::Requested();
    if (report)
        PaneReport::CollectMessages(app);
    TMainForm form;          // its creation may already load; it compares once shown
    AppInfo::InitAppInfo();  // version information, then the user-files folder
    TAboutBox about(&form);  // reads what InitAppInfo kept; shown on request
    form.SetAboutBox(&about);
    form.show();
    if (report)
        QObject::connect(&form, &TMainForm::StartUpDone, &form, [&form] {
            TPerSide<PaneReport::TPaneView> panes;
            for (TSide side : kSides)
                panes[side] = {form.FileLabel(side), &form.Memo(side)->Lines()};
            PaneReport::ReportAndQuit(form, panes, form.StatusLabel());
        });
    return app.exec();
}
