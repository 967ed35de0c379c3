#include "platform/UserFiles.h"

#include "platform/VersionInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace UserFiles {

QString UserFilesDir;

QString AllUsersDocumentsFolder()
{
    const QByteArray dirs = qgetenv("XDG_DATA_DIRS");
    if (dirs.isNull())
        return QStringLiteral("/usr/local/share");
    for (const QString &dir : QString::fromLocal8Bit(dirs).split(u':', Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(dir))
            return QDir::cleanPath(dir);
    return {};
}

QStringList DataFolders()
{
    const QByteArray dirs = qgetenv("XDG_DATA_DIRS");
    if (dirs.isNull())
        return {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    QStringList out;
    for (const QString &dir : QString::fromLocal8Bit(dirs).split(u':', Qt::SkipEmptyParts))
        if (QDir::isAbsolutePath(dir))
            out << QDir::cleanPath(dir);
    return out;
}

QString ReadUserFilesPath(const QString &maker, const QString &product, const QString &versionPrefix)
{
    const QSettings settings(QSettings::IniFormat, QSettings::SystemScope, maker, product);
    return settings.value(versionPrefix + QStringLiteral("/UserFilesPath")).toString();
}

QString ProgramFolder()
{
    return QCoreApplication::applicationDirPath() + u'/';
}

QString FindUserFilesDir(const QString &maker, const QString &product, const QString &makerShort)
{
    const QString tail = makerShort + u'/' + product + u'/';
    QString candidate;
    const QString documents = AllUsersDocumentsFolder();
    if (!documents.isEmpty()) {
        // The first data folder that holds the user files: a package puts
        // them under /usr/share, which need not come first.
        for (const QString &folder : DataFolders())
            if (QFileInfo(folder + u'/' + tail).isDir())
                return folder + u'/' + tail;
        candidate = documents + u'/' + tail;
    } else {
        const QString base = ReadUserFilesPath(maker, product, AppInfo::AppVersionPrefix);
        // A value that ends with a separator still gets one: the path then
        // holds a double separator, which names the same folder.
        candidate = base.isEmpty() ? ProgramFolder() : base + u'/' + tail;
    }
    return QFileInfo(candidate).isDir() ? candidate : ProgramFolder();
}

void InitUserFilesDir()
{
    UserFilesDir = FindUserFilesDir(kMaker, kProduct, kMakerShort);
}

} // namespace UserFiles
