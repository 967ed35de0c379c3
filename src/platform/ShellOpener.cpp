#include "platform/ShellOpener.h"

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

bool ShellOpen(const QString &path)
{
    if (gOpener)
        return gOpener(path);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace Shell
