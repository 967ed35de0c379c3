// The installed tree: what `cmake --install` puts where, checked in a
// DESTDIR install inside the build folder, and the Debian package.

#include "platform/UserFiles.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

namespace {

struct TRun
{
    int code = -1;
    QByteArray out;
    QByteArray err;
};

TRun run(const QString &program, const QStringList &args, const QProcessEnvironment &env = {})
{
    QProcess p;
    if (!env.isEmpty())
        p.setProcessEnvironment(env);
    p.start(program, args);
    TRun r;
    if (!p.waitForFinished(300000)) {
        p.kill();
        p.waitForFinished();
    } else if (p.exitStatus() == QProcess::NormalExit) {
        r.code = p.exitCode();
    }
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

QString tool(const QString &name)
{
    const QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        qWarning("%s is needed (scripts/setup.sh installs it)", qPrintable(name));
    return path;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

const QString kAppId = QStringLiteral("com.menthak.Parlune");

} // namespace

class TstInstall : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void installedFiles_data();
    void installedFiles();
    void programsRun();
    void helpFoundByUserFilesFolder();
    void desktopEntry();
    void metainfo();
    void manualPages_data();
    void manualPages();
    void iconRenders();
    void debianPackage();

private:
    QString fRoot;    // the DESTDIR
    QString fPrefix;  // fRoot + /usr
};

void TstInstall::initTestCase()
{
    fRoot = QStringLiteral(PARLUNE_BUILD_DIR "/tst_install-root");
    fPrefix = fRoot + QStringLiteral("/usr");
    QDir(fRoot).removeRecursively();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DESTDIR"), fRoot);
    const TRun r = run(QStringLiteral(CMAKE_COMMAND),
                       {QStringLiteral("--install"), QStringLiteral(PARLUNE_BUILD_DIR), QStringLiteral("--prefix"),
                        QStringLiteral("/usr")},
                       env);
    QVERIFY2(r.code == 0, r.err.constData());
}

void TstInstall::installedFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("executable");
    QTest::newRow("program") << "bin/parlune" << true;
    QTest::newRow("command") << "bin/parlune-compare" << true;
    QTest::newRow("help page") << "share/Menthak/Parlune/help/Parlune.htm" << false;
    QTest::newRow("desktop entry") << "share/applications/com.menthak.Parlune.desktop" << false;
    QTest::newRow("icon") << "share/icons/hicolor/scalable/apps/com.menthak.Parlune.svg" << false;
    QTest::newRow("metainfo") << "share/metainfo/com.menthak.Parlune.metainfo.xml" << false;
    QTest::newRow("manual page") << "share/man/man1/parlune.1" << false;
    QTest::newRow("manual page of the command") << "share/man/man1/parlune-compare.1" << false;
}

void TstInstall::installedFiles()
{
    QFETCH(QString, path);
    QFETCH(bool, executable);
    const QFileInfo info(fPrefix + u'/' + path);
    QVERIFY2(info.isFile() && info.size() > 0, qPrintable(info.filePath()));
    QCOMPARE(info.isExecutable(), executable);
}

void TstInstall::programsRun()
{
    const TRun version = run(fPrefix + QStringLiteral("/bin/parlune"), {QStringLiteral("--version")});
    QCOMPARE(version.code, 0);
    QCOMPARE(version.out, QByteArray("Parlune " PARLUNE_VERSION "\n"));
    const TRun help = run(fPrefix + QStringLiteral("/bin/parlune-compare"), {QStringLiteral("--help")});
    QCOMPARE(help.code, 0);
}

// With the data folder first in XDG_DATA_DIRS, as on a system where the
// prefix is /usr and the session names /usr/share first.
void TstInstall::helpFoundByUserFilesFolder()
{
    qputenv("XDG_DATA_DIRS", (fPrefix + QStringLiteral("/share:/usr/share")).toLocal8Bit());
    const QString folder = UserFiles::FindUserFilesDir(UserFiles::kMaker, UserFiles::kProduct, UserFiles::kMakerShort);
    qunsetenv("XDG_DATA_DIRS");
    QCOMPARE(folder, fPrefix + QStringLiteral("/share/Menthak/Parlune/"));
    QVERIFY(QFileInfo::exists(folder + QStringLiteral("help/Parlune.htm")));
}

void TstInstall::desktopEntry()
{
    const QString entry = fPrefix + QStringLiteral("/share/applications/") + kAppId + QStringLiteral(".desktop");
    const TRun r = run(tool(QStringLiteral("desktop-file-validate")), {entry});
    QVERIFY2(r.code == 0 && r.out.isEmpty(), r.out.constData());

    const QString text = QString::fromUtf8(readAll(entry));
    QVERIFY(text.contains(QStringLiteral("\nExec=parlune %F\n")));
    // The icon is named by the application id, and a file of that name is installed.
    QVERIFY(text.contains(QStringLiteral("\nIcon=") + kAppId + u'\n'));
}

void TstInstall::metainfo()
{
    const QString file = fPrefix + QStringLiteral("/share/metainfo/") + kAppId + QStringLiteral(".metainfo.xml");
    const TRun r = run(tool(QStringLiteral("appstreamcli")),
                       {QStringLiteral("validate"), QStringLiteral("--no-net"), QStringLiteral("--pedantic"),
                        QStringLiteral("--no-color"), file});
    QVERIFY2(r.code == 0, r.out.constData());

    const QString text = QString::fromUtf8(readAll(file));
    QVERIFY(text.contains(QStringLiteral("<launchable type=\"desktop-id\">") + kAppId + QStringLiteral(".desktop<")));
    QVERIFY(text.contains(QStringLiteral("<screenshot")));
    QVERIFY(text.contains(QStringLiteral("<description>")));
    // The newest release listed is the one being built.
    const QRegularExpressionMatch release = QRegularExpression(QStringLiteral("<release version=\"([^\"]+)\"")).match(text);
    QCOMPARE(release.captured(1), QStringLiteral(PARLUNE_VERSION));
}

void TstInstall::manualPages_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("mentions");
    QTest::newRow("parlune") << "parlune.1" << QStringList{"--version", "/dev/null", "difftool", "/M", "LEFTDIR"};
    QTest::newRow("parlune-compare") << "parlune-compare.1"
                                     << QStringList{"--records", "--count", "Changes=N", "--unified", "--no-ignore-case", "--exact"};
}

void TstInstall::manualPages()
{
    QFETCH(QString, page);
    QFETCH(QStringList, mentions);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
    env.insert(QStringLiteral("MAN_KEEP_FORMATTING"), QString());
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    const TRun r = run(tool(QStringLiteral("man")),
                       {QStringLiteral("--warnings"), QStringLiteral("-l"),
                        fPrefix + QStringLiteral("/share/man/man1/") + page},
                       env);
    QVERIFY2(r.code == 0 && r.err.isEmpty(), r.err.constData());
    const QString text = QString::fromUtf8(r.out);
    QVERIFY2(text.contains(QStringLiteral("NAME")) && text.contains(QStringLiteral("Parlune " PARLUNE_VERSION)),
             qPrintable(text.left(400)));
    for (const QString &m : mentions)
        QVERIFY2(text.contains(m), qPrintable(m));
}

void TstInstall::iconRenders()
{
    const QString png = fRoot + QStringLiteral("/icon.png");
    const TRun r = run(tool(QStringLiteral("rsvg-convert")),
                       {QStringLiteral("-w"), QStringLiteral("64"), QStringLiteral("-h"), QStringLiteral("64"),
                        QStringLiteral("-o"), png,
                        fPrefix + QStringLiteral("/share/icons/hicolor/scalable/apps/") + kAppId + QStringLiteral(".svg")});
    QVERIFY2(r.code == 0, r.err.constData());
    const QImage image(png);
    QCOMPARE(image.size(), QSize(64, 64));
    QCOMPARE(qAlpha(image.pixel(32, 32)), 255);  // drawn, not blank
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);      // square corners stay clear
}

void TstInstall::debianPackage()
{
    const QString out = QStringLiteral(PARLUNE_BUILD_DIR "/tst_install-package");
    QDir(out).removeRecursively();
    const TRun pack = run(QStringLiteral(CPACK_COMMAND),
                          {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
                           QStringLiteral(PARLUNE_BUILD_DIR "/CPackConfig.cmake"), QStringLiteral("-B"), out});
    QVERIFY2(pack.code == 0, pack.out.constData());
    const QStringList debs = QDir(out).entryList({QStringLiteral("*.deb")});
    QCOMPARE(debs.size(), 1);
    const QString deb = out + u'/' + debs.first();

    const TRun fields = run(tool(QStringLiteral("dpkg-deb")),
                            {QStringLiteral("-f"), deb, QStringLiteral("Version"), QStringLiteral("Depends")});
    QCOMPARE(fields.code, 0);
    QVERIFY2(fields.out.startsWith("Version: " PARLUNE_VERSION "\n"), fields.out.constData());
    for (const char *lib : {"libc6", "libqt6widgets6", "libqt6dbus6"})  // found by dpkg-shlibdeps
        QVERIFY2(fields.out.contains(lib), fields.out.constData());

    const TRun contents = run(tool(QStringLiteral("dpkg-deb")), {QStringLiteral("-c"), deb});
    QCOMPARE(contents.code, 0);
    for (const char *file : {"./usr/bin/parlune\n", "./usr/bin/parlune-compare\n",
                             "./usr/share/applications/com.menthak.Parlune.desktop\n",
                             "./usr/share/man/man1/parlune.1\n"})
        QVERIFY2(contents.out.contains(file), file);
}

QTEST_GUILESS_MAIN(TstInstall)
#include "tst_install.moc"
