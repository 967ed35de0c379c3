#pragma once
// The program's version information, and the application information kept
// from it at start-up.
//
// The program file carries a string table built from the project's version
// (see src/app/VersionResource.cpp.in): "StringFileInfo\<lang><codepage>\<key>"
// and value pairs between two markers. TEPInfoExe reads it back from a named
// file; a file without one yields nothing.

#include <QString>

class TEPInfoExe
{
public:
    QString LangId = QStringLiteral("0409");
    QString ExeName;
    QString CompanyName;
    QString FileDescription;
    QString FileVersion;
    QString InternalName;
    QString LegalCopyright;
    QString LegalTradeMarks;
    QString OriginalFilename;  // the table has no such key: stays empty
    QString ProductName;
    QString ProductVersion;  // the table has no such key: stays empty
    QString Comments;
    QString LastCompiledTime;  // empty for this program: it carries no build time

    // Fills the results from ExeName's table; keys match without regard to
    // case. Without a table (or a readable file) every result stays as it was.
    void Execute();
};

namespace AppInfo {

inline const QString kDefaultComments = QStringLiteral("https://menthak.example/parlune");

// Filled once by InitAppInfo; empty before.
extern QString AppFileVersion;
extern QString AppVersionPrefix;  // the first three characters of AppFileVersion
extern QString AppComments;       // Comments, or kDefaultComments when empty

// Reads the program file's version information (exeName defaults to the
// running program) and then settles the user-files folder.
void InitAppInfo(const QString &exeName = QString());

} // namespace AppInfo
