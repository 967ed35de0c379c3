#pragma once
// Opening a document with the program the desktop associates with it (the
// stand-in for the shell's "Open"). The program is not waited for; whether
// the desktop took the document is returned. Tests put an opener of their own in place.

#include <QString>
#include <functional>

namespace Shell {

using TOpener = std::function<bool(const QString &path)>;

// Replaces the opener; an empty one puts the desktop's back.
void SetOpener(TOpener opener);
// True when the desktop (or the opener in place) took the document; false
// when no program opens it.
bool ShellOpen(const QString &path);

} // namespace Shell
