#include "platform/VersionInfo.h"

#include "platform/UserFiles.h"

#include <QCoreApplication>
#include <QFile>

namespace {

// The markers are put together at run time, so that the reader's own code
// never holds the byte sequence it looks for.
QByteArray marker(char kind)
{
    QByteArray m;
    m += '\x01';
    m += "PVR";
    m += kind;
    m += '\x02';
    return m;
}

} // namespace

void TEPInfoExe::Execute()
{
    QFile file(ExeName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    const QByteArray begin = marker('S');
    const qsizetype start = bytes.indexOf(begin);
    if (start < 0)
        return;
    const qsizetype end = bytes.indexOf(marker('E'), start);
    if (end < 0)
        return;
    const QList<QByteArray> fields = bytes.mid(start + begin.size(), end - start - begin.size()).split('\0');

    const QString prefix = QStringLiteral("StringFileInfo\\") + LangId + QStringLiteral("04E4\\");
    auto lookup = [&](const char *key) {
        const QString wanted = prefix + QLatin1String(key);
        for (qsizetype i = 0; i + 1 < fields.size(); i += 2)
            if (QString::fromUtf8(fields[i]).compare(wanted, Qt::CaseInsensitive) == 0)
                return QString::fromUtf8(fields[i + 1]);
        return QString();
    };
    CompanyName = lookup("CompanyName");
    FileDescription = lookup("FileDescription");
    FileVersion = lookup("FileVersion");
    InternalName = lookup("InternalName");
    LegalCopyright = lookup("LegalCopyright");
    LegalTradeMarks = lookup("LegalTradeMarks");
    ProductName = lookup("ProductName");
    Comments = lookup("Comments");
    LastCompiledTime = lookup("LastCompiledTime");
}

namespace AppInfo {

QString AppFileVersion;
QString AppVersionPrefix;
QString AppComments;

void InitAppInfo(const QString &exeName)
{
    TEPInfoExe info;
    info.ExeName = exeName.isEmpty() ? QCoreApplication::applicationFilePath() : exeName;
    info.Execute();
    AppFileVersion = info.FileVersion;
    AppComments = info.Comments.isEmpty() ? kDefaultComments : info.Comments;
    AppVersionPrefix = AppFileVersion.left(3);
    UserFiles::InitUserFilesDir();
}

} // namespace AppInfo
