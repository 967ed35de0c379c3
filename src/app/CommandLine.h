#pragma once
// What the command line asks of a start of the program.
//
// A first argument that is a file-server switch ("/L", "/R", "/B", "/M" in
// any letter case) decides alone; the arguments after it are not looked at.
// Otherwise the arguments are parsed as options and file names: --help and
// --version ask for text and an exit, an unknown option is an error, and
// exactly two file names (neither of them a switch) are compared. Other
// numbers of file names load nothing; a note says why.

#include <QString>
#include <QStringList>

struct TStartRequest
{
    enum class TAction { Start, Help, Version, Error };

    TAction Action = TAction::Start;
    int QuorvelMode = 0;  // 1..4 for /L, /R, /B, /M; 0 for none
    QString Left;         // the two files to compare, both set or both empty
    QString Right;
    QString Text;         // the help text, the error, or a note on what was ignored

    bool HasFiles() const { return !Left.isEmpty(); }
    // The exit status when the program ends without a window.
    int ExitCode() const { return Action == TAction::Error ? 2 : 0; }
};

// arguments[0] is the program's name, as in QCoreApplication::arguments().
TStartRequest ParseCommandLine(const QStringList &arguments);

// The text of --version, from the version table compiled into exePath.
QString VersionText(const QString &exePath);
