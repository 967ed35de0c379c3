// Starting the program: the command line, and Parlune as git's diff tool.
// Every case runs the real program; with PARLUNE_REPORT_PANES it prints
// what its panes hold once start-up is done and quits.

#include "app/FileDialogs.h"
#include "quorvel/QuorvelLoader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct TRun
{
    int code = -1;
    QByteArray out;
    QByteArray err;
};

// The program, started in dir. A window gets the offscreen platform and
// reports; without one, no display at all can be reached, so a program that
// tried to open a window would fail.
TRun runProgram(const QString &program, const QStringList &args, const QString &dir, bool window)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), window ? QStringLiteral("offscreen") : QStringLiteral("xcb"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/bus"));
    env.insert(QStringLiteral("PARLUNE_REPORT_PANES"), QStringLiteral("1"));
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir);
    p.start(program, args);
    TRun r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QJsonObject report(const QByteArray &line)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError)
        qWarning("not a report: %s", line.constData());
    return doc.object();
}

QString lines(const QJsonObject &pane)
{
    QStringList texts;
    for (const QJsonValue &v : pane.value(QStringLiteral("lines")).toArray())
        texts << v.toString();
    return texts.join(u'|');
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TstStartup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void commandLines_data();
    void commandLines();
    void withoutWindow_data();
    void withoutWindow();
    void gitDifftool();

private:
    QTemporaryDir fDir;
};

void TstStartup::initTestCase()
{
    QVERIFY(fDir.isValid());
    writeFile(fDir.filePath(QStringLiteral("a")), "alpha\nbeta\n");
    writeFile(fDir.filePath(QStringLiteral("b")), "Alpha\ngamma\n\nbeta\n");
    writeFile(fDir.filePath(QStringLiteral("breaks")), "\n\n\n");
    writeFile(fDir.filePath(QStringLiteral("spaces")), "  \n\nx\n");
}

// Arguments name the files a and b of the test folder (by relative path,
// as typed in a shell there), a missing file, and /dev/null. Left and
// right give "label:lines:marks" of each pane, lines separated by '|';
// the label is the path shown in it, or "-" for an untouched label.
void TstStartup::commandLines_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("message");  // a part of the one message shown, or empty for none
    QTest::addColumn<QString>("note");     // a part of what is written on standard error

    QTest::newRow("two files") << QStringList{"a", "b"} << "a:alpha||beta:|||"
                               << "b:Alpha|gamma|beta:|+|" << "Changes=1" << "" << "";
    QTest::newRow("a lower-case switch") << QStringList{"/r"} << "-::" << "-::" << QuorvelLoader::kMissingServer
                                         << "" << "";
    QTest::newRow("a switch, then a file") << QStringList{"/R", "a"} << "-::" << "-::"
                                           << QuorvelLoader::kMissingServer << "" << "";
    QTest::newRow("one file") << QStringList{"a"} << "-::" << "-::" << "---" << "" << "two files";
    QTest::newRow("three files") << QStringList{"a", "b", "a"} << "-::" << "-::" << "---" << "" << "two files";
    QTest::newRow("a switch second") << QStringList{"a", "/R"} << "-::" << "-::" << "---" << "" << "two files";
    QTest::newRow("a missing file") << QStringList{"a", "missing"} << "a:alpha|beta:||" << "-::"
                                    << "No Text in Right Editor" << "missing" << "";
    QTest::newRow("a missing file on the left") << QStringList{"missing", "b"} << "-::"
                                                << "b:Alpha|gamma||beta:||||" << "No Text in Left Window"
                                                << "missing" << "";
    QTest::newRow("nothing on the left") << QStringList{"/dev/null", "b"} << "/dev/null:||:|||"
                                         << "b:Alpha|gamma|beta:+++" << "Changes=3" << "" << "";
    QTest::newRow("nothing on the right") << QStringList{"a", "/dev/null"} << "a:alpha|beta:||"
                                          << "/dev/null:|:!!" << "Changes=2" << "" << "";
    QTest::newRow("nothing but line breaks") << QStringList{"breaks", "spaces"} << "breaks:|:||"
                                             << "spaces:  |x:++" << "Changes=2" << "" << "";
    QTest::newRow("both without text") << QStringList{"/dev/null", "breaks"} << "/dev/null::|"
                                       << "breaks::|" << "Changes=0" << "" << "";
    QTest::newRow("a file name after --") << QStringList{"--", "a", "b"} << "a:alpha||beta:|||"
                                          << "b:Alpha|gamma|beta:|+|" << "Changes=1" << "" << "";
}

void TstStartup::commandLines()
{
    QFETCH(QStringList, args);
    QFETCH(QString, left);
    QFETCH(QString, right);
    QFETCH(QString, status);
    QFETCH(QString, message);
    QFETCH(QString, note);

    const TRun r = runProgram(QStringLiteral(PARLUNE_EXE), args, fDir.path(), true);
    QCOMPARE(r.code, 0);
    QCOMPARE(r.out.count('\n'), 1);
    const QJsonObject rep = report(r.out);

    auto expectPane = [this](const QJsonObject &pane, const QString &expected) {
        const QStringList parts = expected.split(u':');
        const QString label = parts[0] == u'-' ? QStringLiteral("File:")
                              : parts[0].startsWith(u'/') ? FileLabelText(parts[0])
                                                          : FileLabelText(fDir.filePath(parts[0]));
        QCOMPARE(pane.value(QStringLiteral("label")).toString(), label);
        QCOMPARE(lines(pane), parts[1]);
        QCOMPARE(pane.value(QStringLiteral("marks")).toString(), parts[2]);
    };
    expectPane(rep.value(QStringLiteral("left")).toObject(), left);
    expectPane(rep.value(QStringLiteral("right")).toObject(), right);
    QCOMPARE(rep.value(QStringLiteral("status")).toString(), status);
    const QJsonArray messages = rep.value(QStringLiteral("messages")).toArray();
    QCOMPARE(messages.size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QVERIFY2(messages[0].toString().contains(message), qPrintable(messages[0].toString()));
    // Qt writes notes of its own on standard error; ours name the program.
    if (note.isEmpty())
        QVERIFY2(!r.err.contains("parlune:"), r.err.constData());
    else
        QVERIFY2(QString::fromLocal8Bit(r.err).contains("parlune: ") && QString::fromLocal8Bit(r.err).contains(note),
                 r.err.constData());
}

void TstStartup::withoutWindow_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("out");  // a part of standard output
    QTest::addColumn<QString>("err");  // a part of standard error

    QTest::newRow("--version") << QStringList{"--version"} << 0 << "Parlune " PARLUNE_VERSION "\n" << "";
    QTest::newRow("-v") << QStringList{"-v"} << 0 << "Parlune " PARLUNE_VERSION "\n" << "";
    QTest::newRow("--help") << QStringList{"--help"} << 0 << "Usage: parlune" << "";
    QTest::newRow("help names the switches") << QStringList{"-h"} << 0 << "/M" << "";
    QTest::newRow("help before files") << QStringList{"--help", "a", "b"} << 0 << "--version" << "";
    QTest::newRow("--bogus") << QStringList{"--bogus"} << 2 << "" << "Unknown option 'bogus'";
    QTest::newRow("a single dash") << QStringList{"-bogus", "a", "b"} << 2 << "" << "--help";
}

void TstStartup::withoutWindow()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, out);
    QFETCH(QString, err);
    const TRun r = runProgram(QStringLiteral(PARLUNE_EXE), args, fDir.path(), false);
    QCOMPARE(r.code, code);
    QVERIFY2(QString::fromUtf8(r.out).contains(out), r.out.constData());
    if (err.isEmpty())
        QCOMPARE(r.err, QByteArray());
    else
        QVERIFY2(QString::fromUtf8(r.err).contains(err), r.err.constData());
}

// git hands the tool the old version as a temporary file and the new one
// from the work tree, and /dev/null for the side of a deleted file.
void TstStartup::gitDifftool()
{
    const QString git = QStandardPaths::findExecutable(QStringLiteral("git"));
    QVERIFY2(!git.isEmpty(), "git is needed (scripts/setup.sh installs it)");
    QTemporaryDir home;
    QVERIFY(home.isValid());
    const QString repo = home.filePath(QStringLiteral("repo"));
    QVERIFY(QDir().mkpath(repo));

    auto gitRun = [&](const QStringList &args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        env.insert(QStringLiteral("GIT_CONFIG_NOSYSTEM"), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("PARLUNE_REPORT_PANES"), QStringLiteral("1"));
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(repo);
        p.start(git, QStringList{QStringLiteral("-c"), QStringLiteral("user.name=Test"), QStringLiteral("-c"),
                                 QStringLiteral("user.email=test@example.invalid")}
                         + args);
        p.waitForFinished(120000);
        if (p.exitCode() != 0)
            qWarning("git %s: %s", qPrintable(args.join(u' ')), p.readAllStandardError().constData());
        return p.readAllStandardOutput();
    };
    gitRun({QStringLiteral("init"), QStringLiteral("-q")});
    writeFile(repo + QStringLiteral("/notes.txt"), "one\ntwo\nthree\n");
    writeFile(repo + QStringLiteral("/old.txt"), "gone\nfor good\n");
    gitRun({QStringLiteral("add"), QStringLiteral(".")});
    gitRun({QStringLiteral("commit"), QStringLiteral("-qm"), QStringLiteral("first")});
    writeFile(repo + QStringLiteral("/notes.txt"), "one\nTWO\n2.5\nthree\n");
    QVERIFY(QFile::remove(repo + QStringLiteral("/old.txt")));

    const QString cmd = QStringLiteral("difftool.parlune.cmd=\"%1\" \"$LOCAL\" \"$REMOTE\"").arg(PARLUNE_EXE);
    const QList<QByteArray> out =
        gitRun({QStringLiteral("-c"), cmd, QStringLiteral("difftool"), QStringLiteral("-y"),
                QStringLiteral("--tool=parlune")})
            .split('\n');
    QCOMPARE(out.size(), 3);  // one report per file, in path order

    const QJsonObject notes = report(out[0]);
    QCOMPARE(lines(notes.value(QStringLiteral("left")).toObject()), QStringLiteral("one|two||three"));
    QCOMPARE(lines(notes.value(QStringLiteral("right")).toObject()), QStringLiteral("one|TWO|2.5|three"));
    QCOMPARE(notes.value(QStringLiteral("right")).toObject().value(QStringLiteral("label")).toString(),
             FileLabelText(QDir(repo).canonicalPath() + QStringLiteral("/notes.txt")));
    QCOMPARE(notes.value(QStringLiteral("status")).toString(), QStringLiteral("Changes=1"));

    const QJsonObject old = report(out[1]);
    QCOMPARE(lines(old.value(QStringLiteral("left")).toObject()), QStringLiteral("gone|for good"));
    QCOMPARE(old.value(QStringLiteral("right")).toObject().value(QStringLiteral("label")).toString(),
             FileLabelText(QStringLiteral("/dev/null")));
    QCOMPARE(old.value(QStringLiteral("right")).toObject().value(QStringLiteral("marks")).toString(),
             QStringLiteral("!!"));
}

QTEST_GUILESS_MAIN(TstStartup)
#include "tst_startup.moc"
