#include "ShellOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace Shell {

namespace {
TOpener gOpener;
}

void SetOpener(TOpener opener)
{
    gOpener = std::move(opener);
}

void ShellOpen(const QString &path)
{
    if (gOpener)
        gOpener(path);
    else
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace Shell
