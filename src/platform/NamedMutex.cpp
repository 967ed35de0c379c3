#include "platform/NamedMutex.h"

#include <QDir>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace NamedMutex {

QString PathOf(const QString &name)
{
    // The user's runtime folder holds per-session objects like this one.
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::tempPath();
    return QDir(folder).filePath(name + QStringLiteral(".lock"));
}

bool Create(const QString &name)
{
    const QByteArray path = QFile::encodeName(PathOf(name));
    const int fd = ::open(path.constData(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    // The descriptor stays open until the process ends; so does the lock.
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    return true;
}

bool Exists(const QString &name)
{
    const QByteArray path = QFile::encodeName(PathOf(name));
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

} // namespace NamedMutex
