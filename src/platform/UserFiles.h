#pragma once
// The folder of the user files (the help pages): settled once at start-up.
//
// Looked for under the all-users documents folder (here: the first absolute
// folder of XDG_DATA_DIRS, /usr/local/share when it is not set), in
// <documents>/<maker short>/<product>/, and then in the same place under
// each further data folder (XDG_DATA_DIRS in turn, or /usr/local/share and
// /usr/share when it is not set); when no documents folder can be
// named, under the base folder of the system setting "UserFilesPath"
// (group = version prefix, in the system-scope settings of the maker and
// product, found under XDG_CONFIG_DIRS); last, the program's own folder.
// Every result ends with a separator. The folder is never created.

#include <QString>
#include <QStringList>

namespace UserFiles {

inline const QString kMaker = QStringLiteral("Menthak Software");
inline const QString kProduct = QStringLiteral("Parlune");
inline const QString kMakerShort = QStringLiteral("Menthak");

extern QString UserFilesDir;

// The all-users documents folder, or "" when none can be named.
QString AllUsersDocumentsFolder();
// Every absolute folder of XDG_DATA_DIRS in order; /usr/local/share and
// /usr/share when it is not set.
QStringList DataFolders();
// The system setting "UserFilesPath" for this maker, product and version
// prefix; "" when missing or unreadable.
QString ReadUserFilesPath(const QString &maker, const QString &product, const QString &versionPrefix);
// The running program's folder, with a separator at the end.
QString ProgramFolder();

QString FindUserFilesDir(const QString &maker, const QString &product, const QString &makerShort);
void InitUserFilesDir();

} // namespace UserFiles
