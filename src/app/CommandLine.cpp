#include "app/CommandLine.h"

#include "quorvel/QuorvelLoader.h"
#include "platform/VersionInfo.h"

#include <QCommandLineParser>

namespace {

constexpr auto kUsage =
    "Usage: parlune [options] [LEFT RIGHT]\n"
    "       parlune /L | /R | /B | /M\n"
    "\n"
    "Sets two texts side by side and marks, line by line, where they differ.\n"
    "\n"
    "With two files, LEFT goes into the left pane and RIGHT into the right one,\n"
    "and both are compared before the window opens. /dev/null (or any empty\n"
    "file) stands for a text without lines: every line of the other side is\n"
    "then marked. A file that cannot be read is reported in the window.\n"
    "\n"
    "With two folders, a folder window shows both trees as one, marking what\n"
    "differs; Enter or a double click on a pair of files opens it compared.\n"
    "\n"
    "The switches load from the Quorvel file server and compare:\n"
    "  /L  the file selected in Quorvel into the left pane\n"
    "  /R  the text of Quorvel's editor into the right pane\n"
    "  /B  both, preferring a running Quorvel\n"
    "  /M  both, the right pane labelled \"Parlune\"\n";

QString programName(const QStringList &arguments)
{
    return arguments.isEmpty() ? QStringLiteral("parlune") : arguments.first().section(u'/', -1);
}

} // namespace

TStartRequest ParseCommandLine(const QStringList &arguments)
{
    TStartRequest request;
    if (const int mode = QuorvelLoader::ModeOfSwitch(arguments.value(1))) {
        request.QuorvelMode = mode;
        return request;
    }

    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(QStringLiteral("LEFT"), QStringLiteral("The reference text (left pane)."));
    parser.addPositionalArgument(QStringLiteral("RIGHT"), QStringLiteral("The text compared with it (right pane)."));

    const QString name = programName(arguments);
    if (!parser.parse(arguments)) {
        request.Action = TStartRequest::TAction::Error;
        request.Text = QStringLiteral("%1: %2\nTry '%1 --help'.").arg(name, parser.errorText());
        return request;
    }
    if (parser.isSet(help)) {
        // The parser's own usage line cannot show the switches; ours replaces it.
        const QString generated = parser.helpText();
        request.Action = TStartRequest::TAction::Help;
        request.Text = QString::fromLatin1(kUsage) + generated.mid(generated.indexOf(QStringLiteral("\nOptions:")));
        return request;
    }
    if (parser.isSet(version)) {
        request.Action = TStartRequest::TAction::Version;
        return request;
    }

    const QStringList files = parser.positionalArguments();
    const bool twoFiles = files.size() == 2 && !QuorvelLoader::ModeOfSwitch(files[1]);
    if (twoFiles) {
        request.Left = files[0];
        request.Right = files[1];
    } else if (!files.isEmpty()) {
        request.Text = QStringLiteral("%1: nothing loaded: name two files to compare, LEFT and RIGHT (see --help)")
                           .arg(name);
    }
    return request;
}

QString VersionText(const QString &exePath)
{
    TEPInfoExe info;
    info.ExeName = exePath;
    info.Execute();
    return QStringLiteral("Parlune %1").arg(info.FileVersion.isEmpty() ? QStringLiteral("(version unknown)")
                                                                      : info.FileVersion);
}
