#pragma once
// A system-wide named object that exists while any process holding it runs
// and disappears with the last one, also when a holder crashes: every
// holder keeps a shared lock on a file named after it in the user's runtime
// folder, and the kernel drops a process's locks when it ends. Taking it
// never blocks and never fails a caller: a second instance simply holds it too.

#include <QString>

namespace NamedMutex {

// Takes the named object for the rest of this process. False when it could
// not be taken (callers are free to ignore that).
bool Create(const QString &name);
// True when some running process holds the named object.
bool Exists(const QString &name);
// The file that stands for the named object.
QString PathOf(const QString &name);

} // namespace NamedMutex
