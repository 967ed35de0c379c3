#pragma once
// Opening a document with the program the desktop associates with it (the
// stand-in for the shell's "Open"). The result is not examined and the
// program is not waited for. Tests put an opener of their own in place.

#include <QString>
#include <functional>

namespace Shell {

using TOpener = std::function<void(const QString &path)>;

// Replaces the opener; an empty one puts the desktop's back.
void SetOpener(TOpener opener);
void ShellOpen(const QString &path);

} // namespace Shell
