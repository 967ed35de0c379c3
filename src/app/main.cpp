// Parlune: sets two texts side by side and marks, line by line, where they differ.
#include "MainForm.h"
#include "ParluneApp.h"

int main(int argc, char **argv)
{
    TParluneApp app(argc, argv);
    TMainForm form;
    form.show();
    return app.exec();
}
