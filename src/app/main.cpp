// Parlune: sets two texts side by side and marks, line by line, where they differ.
#include "AboutBox.h"
#include "MainForm.h"
#include "ParluneApp.h"
#include "VersionInfo.h"

int main(int argc, char **argv)
{
    TParluneApp app(argc, argv);
    TMainForm form;          // its creation may already load and compare
    AppInfo::InitAppInfo();  // version information, then the user-files folder
    TAboutBox about(&form);  // reads what InitAppInfo kept; shown on request
    form.AboutBox = &about;
    form.show();
    return app.exec();
}
