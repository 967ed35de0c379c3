// The file-server link against a stand-in server on a private session bus
// (ctest runs this under dbus-run-session; see CMakeLists.txt).
#include "text/Errors.h"
#include "LinesTestUtil.h"
#include "WindowTestUtil.h"
#include "app/MainForm.h"
#include "dialogs/MessageDialog.h"
#include "app/ParluneApp.h"
#include "quorvel/QuorvelLoader.h"
#include "quorvel/Quorvel_TLB.h"
#include "panes/TextPane.h"

#include <QScopeGuard>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/stat.h>

namespace {

// Lines of a pane without the empty filler rows of a comparison.
QString text(const TLines &l)
{
    QStringList lines = allLines(l);
    lines.removeAll(QString());
    return lines.join(u'|');
}

} // namespace

class TstQuorvel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void modes_data();
    void modes();
    void lowerCaseSwitch();
    void switches_data();
    void switches();
    void bothWithNothingInstalled();
    void noFileSelected();
    void editorFileWithoutName();
    void serverFailures_data();
    void serverFailures();
    void answerShapes_data();
    void answerShapes();
    void objectWithoutTheInterface();
    void badSelectedPaths_data();
    void badSelectedPaths();
    void largeEditorText();

private:
    void configure(const QVariantMap &values);
    void stopServer();
    void startServer();
    void closeDialogs();

    TMainForm *fForm = nullptr;
    QStringList fErrors;
    QStringList fDialogs;
    QTimer fDialogWatch;
    QTemporaryDir fDir;
    QString fSelected;
    QProcess fRunning;
};

void TstQuorvel::initTestCase()
{
    QVERIFY2(QDBusConnection::sessionBus().isConnected(), "run under dbus-run-session (see CMakeLists.txt)");
    fSelected = fDir.filePath(QStringLiteral("selected.txt"));
    QFile f(fSelected);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("alpha\nbeta\ngamma\n");
    // Answers that take longer than this are failures; short for the tests.
    Quorvel_TLB::SetTimeouts(1000, 10000);
    // Message dialogs are answered as they come up.
    connect(&fDialogWatch, &QTimer::timeout, this, &TstQuorvel::closeDialogs);
    fDialogWatch.start(5);
}

void TstQuorvel::closeDialogs()
{
    if (auto *dialog = qobject_cast<TMy *>(QApplication::activeModalWidget())) {
        fDialogs << dialog->TitleLabel->text() + u'/' + dialog->BodyLabel->text();
        dialog->Button3->click();
    }
}

void TstQuorvel::init()
{
    stopServer();
    fErrors.clear();
    fDialogs.clear();
    static_cast<TParluneApp *>(qApp)->SetErrorPresenter([this](const QString &m) { fErrors << m; });
    configure({{"behaviour", "normal"}, {"text", "alpha\\nBETA\\ngamma"}, {"editor_name", "/q/edit.txt"},
               {"selected", fSelected}});
    fForm = new TMainForm(nullptr, {QStringLiteral("parlune")});
    fForm->LeftMemo()->Lines().SetText(u"L1\nL2");
    fForm->RightMemo()->Lines().SetText(u"R1\nR2");
}

void TstQuorvel::cleanup()
{
    delete fForm;
    fForm = nullptr;
    stopServer();
}

void TstQuorvel::configure(const QVariantMap &values)
{
    QFile::remove(QStringLiteral(QUORVEL_STANDIN_CONFIG));
    QSettings s(QStringLiteral(QUORVEL_STANDIN_CONFIG), QSettings::IniFormat);
    for (auto it = values.begin(); it != values.end(); ++it)
        s.setValue(it.key(), it.value());
}

void TstQuorvel::stopServer()
{
    if (fRunning.state() != QProcess::NotRunning) {
        fRunning.kill();
        fRunning.waitForFinished(5000);
    }
    // Whoever owns the name (an activated server, or one started here) goes.
    QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    for (int tries = 0; tries < 100 && bus->isServiceRegistered(Quorvel_TLB::kServiceName); ++tries) {
        ::kill(pid_t(bus->servicePid(Quorvel_TLB::kServiceName).value()), SIGKILL);
        QTest::qWait(50);
    }
    QVERIFY(!bus->isServiceRegistered(Quorvel_TLB::kServiceName));
}

void TstQuorvel::startServer()
{
    fRunning.start(QStringLiteral(QUORVEL_STANDIN_EXE), {"--config", QStringLiteral(QUORVEL_STANDIN_CONFIG)});
    QVERIFY(fRunning.waitForStarted());
    QTRY_VERIFY(QDBusConnection::sessionBus().interface()->isServiceRegistered(Quorvel_TLB::kServiceName));
}

void TstQuorvel::modes_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("server");  // absent, activated, running, old, failing
    QTest::addColumn<QString>("left");    // non-empty lines, '|' between
    QTest::addColumn<QString>("right");
    QTest::addColumn<QString>("leftLabel");
    QTest::addColumn<QString>("rightLabel");
    QTest::addColumn<QString>("status");  // "Changes" when a pass ran
    QTest::addColumn<bool>("dialog");     // "Feature Not Supported"
    QTest::addColumn<bool>("error");      // passed to the general error handling

    const QString missing = QuorvelLoader::kMissingServer;
    const QString sel = QStringLiteral("selected");  // stands for the selected file's label
    const QString ed = QStringLiteral("File: / q/ edit.txt");
    const QString none = QStringLiteral("File:");
    const QString abc = QStringLiteral("alpha|beta|gamma");
    const QString aBc = QStringLiteral("alpha|BETA|gamma");
    const QString l = QStringLiteral("L1|L2");
    const QString r = QStringLiteral("R1|R2");
    const QString ch = QStringLiteral("Changes");
    const QString idle = QStringLiteral("---");

    QTest::newRow("1 absent") << 1 << "absent" << l << r << none << none << missing << false << false;
    QTest::newRow("1 activated") << 1 << "activated" << abc << r << sel << none << ch << false << false;
    QTest::newRow("1 running") << 1 << "running" << abc << r << sel << none << ch << false << false;
    QTest::newRow("1 old") << 1 << "old" << l << r << none << none << idle << true << false;
    QTest::newRow("1 failing") << 1 << "failing" << l << r << none << none << idle << true << false;

    QTest::newRow("2 absent") << 2 << "absent" << l << r << none << none << missing << false << false;
    QTest::newRow("2 activated") << 2 << "activated" << l << aBc << none << ed << ch << false << false;
    QTest::newRow("2 running") << 2 << "running" << l << aBc << none << ed << ch << false << false;
    QTest::newRow("2 old") << 2 << "old" << l << aBc << none << ed << ch << false << false;
    QTest::newRow("2 failing") << 2 << "failing" << l << r << none << none << idle << false << true;

    QTest::newRow("3 absent") << 3 << "absent" << l << r << none << none << missing << false << false;
    QTest::newRow("3 activated") << 3 << "activated" << abc << aBc << sel << ed << ch << false << false;
    QTest::newRow("3 running") << 3 << "running" << abc << aBc << sel << ed << ch << false << false;
    QTest::newRow("3 old") << 3 << "old" << l << aBc << none << ed << idle << true << false;
    QTest::newRow("3 old, running") << 3 << "old running" << l << aBc << none << ed << idle << false << true;
    QTest::newRow("3 failing") << 3 << "failing" << l << r << none << none << idle << false << true;

    const QString merge = QStringLiteral("File: Parlune");
    QTest::newRow("4 absent") << 4 << "absent" << l << r << none << none << missing << false << false;
    QTest::newRow("4 activated") << 4 << "activated" << abc << aBc << sel << merge << ch << false << false;
    QTest::newRow("4 running") << 4 << "running" << abc << aBc << sel << merge << ch << false << false;
    QTest::newRow("4 old") << 4 << "old" << l << aBc << none << merge << idle << false << true;
    QTest::newRow("4 failing") << 4 << "failing" << l << r << none << none << idle << false << true;
}

void TstQuorvel::modes()
{
    QFETCH(int, mode);
    QFETCH(QString, server);
    QFETCH(QString, left);
    QFETCH(QString, right);
    QFETCH(QString, leftLabel);
    QFETCH(QString, rightLabel);
    QFETCH(QString, status);
    QFETCH(bool, dialog);
    QFETCH(bool, error);

    QString behaviour = server.section(u' ', 0, 0);
    if (behaviour == QStringLiteral("activated") || behaviour == QStringLiteral("running"))
        behaviour = QStringLiteral("normal");
    configure({{"behaviour", behaviour}, {"text", "alpha\\nBETA\\ngamma"}, {"editor_name", "/q/edit.txt"},
               {"selected", fSelected}});
    if (server.endsWith(QStringLiteral("running")))
        startServer();

    const QPushButton *button = mode == 1 ? fForm->LoadSelectedFileButton() : fForm->QuorvelLoadButton();
    if (mode <= 2)
        QTest::mouseClick(const_cast<QPushButton *>(button), Qt::LeftButton);  // errors go to the handler
    else
        try {
            fForm->load_from_quorvel(mode);
        } catch (const std::exception &e) {
            fErrors << QString::fromUtf8(e.what());
        }

    QCOMPARE(text(fForm->LeftMemo()->Lines()), left);
    QCOMPARE(text(fForm->RightMemo()->Lines()), right);
    QCOMPARE(fForm->Label3()->text(), leftLabel == QStringLiteral("selected") ? FileLabelText(fSelected) : leftLabel);
    QCOMPARE(fForm->Label6()->text(), rightLabel);
    QVERIFY2(fForm->StatusLabel()->text().startsWith(status), qPrintable(fForm->StatusLabel()->text()));
    QCOMPARE(fDialogs, dialog ? QStringList{QuorvelLoader::kNotSupportedTitle + u'/' + QuorvelLoader::kNotSupportedBody}
                              : QStringList{});
    QCOMPARE(fErrors.size(), error ? 1 : 0);
}

void TstQuorvel::lowerCaseSwitch()
{
    TMainForm form(nullptr, {QStringLiteral("parlune"), QStringLiteral("/m")});
    QVERIFY(waitForStartUp(form));
    QCOMPARE(form.Label6()->text(), QStringLiteral("File: Parlune"));
    QCOMPARE(text(form.RightMemo()->Lines()), QStringLiteral("alpha|BETA|gamma"));
    QCOMPARE(text(form.LeftMemo()->Lines()), QStringLiteral("alpha|beta|gamma"));
    QCOMPARE(form.StatusLabel()->text(), QStringLiteral("Changes=0"));  // BETA and beta count as equal
}

void TstQuorvel::switches_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("loads");
    QTest::newRow("/R") << QStringList{"/R"} << true;
    QTest::newRow("/r") << QStringList{"/r"} << true;
    QTest::newRow("/R and more") << QStringList{"/R", "/L", "file.txt"} << true;
    QTest::newRow("a file name") << QStringList{"file.txt"} << false;
    QTest::newRow("/R as a second argument") << QStringList{"x", "/R"} << false;
    QTest::newRow("/RR") << QStringList{"/RR"} << false;
    QTest::newRow("none") << QStringList{} << false;
}

void TstQuorvel::switches()
{
    QFETCH(QStringList, args);
    QFETCH(bool, loads);
    TMainForm form(nullptr, QStringList{QStringLiteral("parlune")} + args);
    QVERIFY(waitForStartUp(form));
    QCOMPARE(form.RightMemo()->Lines().Count() > 0, loads);
    QCOMPARE(form.StatusLabel()->text(), loads ? QStringLiteral("No Text in Left Window") : QStringLiteral("---"));
}

void TstQuorvel::bothWithNothingInstalled()
{
    configure({{"behaviour", "absent"}});
    TMainForm form(nullptr, {QStringLiteral("parlune"), QStringLiteral("/B")});
    QVERIFY(waitForStartUp(form));
    QCOMPARE(form.LeftMemo()->Lines().Count(), 0);
    QCOMPARE(form.RightMemo()->Lines().Count(), 0);
    QCOMPARE(form.StatusLabel()->text(), QuorvelLoader::kMissingServer);
    QCOMPARE(form.StatusLabel()->text(),
             QStringLiteral("This Feature Requires Quorvel to be Installed Ver. 4.1.0.7+"));
}

void TstQuorvel::noFileSelected()
{
    configure({{"behaviour", "normal"}, {"selected", ""}});
    fForm->LoadSelectedFileButtonClick();
    QCOMPARE(text(fForm->LeftMemo()->Lines()), QStringLiteral("L1|L2"));
    QCOMPARE(fForm->Label3()->text(), QStringLiteral("File:"));
    QVERIFY(fForm->StatusLabel()->text().startsWith(QStringLiteral("Changes=")));  // compared all the same
}

void TstQuorvel::editorFileWithoutName()
{
    configure({{"behaviour", "normal"}, {"text", "x"}});
    fForm->QuorvelLoadButtonClick();
    QCOMPARE(fForm->Label6()->text(), QStringLiteral("File: From Quorvel Editor"));
}

void TstQuorvel::serverFailures_data()
{
    QTest::addColumn<QVariantMap>("server");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("operationMs");  // the deadline of the whole operation
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("right");  // the right pane after the failure
    // The stand-in would answer after 4 s; the call gives up at its timeout.
    QTest::newRow("never answers") << QVariantMap{{"behaviour", "slow"}, {"slow_ms", 4000}} << 4 << 10000
                                   << "did not answer GetEditorText within 1000 ms" << "R1|R2";
    QTest::newRow("dies mid-call") << QVariantMap{{"behaviour", "dies"}} << 4 << 10000
                                   << "went away while answering GetEditorText" << "R1|R2";
    // Each call alone is in time (600 ms of 1000), but /B makes four calls
    // and the whole operation may take 1500 ms. The editor text, taken
    // first, stays.
    QTest::newRow("operation too long") << QVariantMap{{"behaviour", "slow"}, {"slow_ms", 600}} << 3 << 1500
                                        << "did not finish within 1500 ms" << "x";
}

void TstQuorvel::serverFailures()
{
    QFETCH(QVariantMap, server);
    QFETCH(int, mode);
    QFETCH(int, operationMs);
    QFETCH(QString, error);
    QFETCH(QString, right);
    server.insert(QStringLiteral("text"), QStringLiteral("x"));
    server.insert(QStringLiteral("selected"), fSelected);
    configure(server);
    startServer();
    Quorvel_TLB::SetTimeouts(1000, 10000, operationMs);
    const auto restore = qScopeGuard([] { Quorvel_TLB::SetTimeouts(1000, 10000); });
    QString message;
    try {
        fForm->load_from_quorvel(mode);
    } catch (const EParlune &e) {
        message = e.message();
    }
    QVERIFY2(message.contains(error), qPrintable(message));
    QCOMPARE(text(fForm->RightMemo()->Lines()), right);
}

void TstQuorvel::answerShapes_data()
{
    QTest::addColumn<QString>("behaviour");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("result");  // the right pane's text, or the error's words
    QTest::addColumn<bool>("fails");
    QTest::newRow("string") << "normal" << "string" << "x" << false;
    QTest::newRow("number") << "normal" << "number" << "42" << false;
    QTest::newRow("boolean") << "normal" << "bool" << "true" << false;
    QTest::newRow("not a variant") << "wrong-type" << "string" << "instead of one variant" << true;
    QTest::newRow("byte array") << "normal" << "bytes" << "a byte array" << true;
    QTest::newRow("object path") << "normal" << "path" << "an object path" << true;
    QTest::newRow("signature") << "normal" << "signature" << "a signature" << true;
    QTest::newRow("array") << "normal" << "array" << "an array" << true;
}

void TstQuorvel::answerShapes()
{
    QFETCH(QString, behaviour);
    QFETCH(QString, answer);
    QFETCH(QString, result);
    QFETCH(bool, fails);
    configure({{"behaviour", behaviour}, {"answer", answer}, {"text", "x"}});
    try {
        fForm->load_from_quorvel(2);
        QVERIFY2(!fails, "no error");
        QCOMPARE(fForm->RightMemo()->Lines().Get(0), result);
    } catch (const EParlune &e) {
        QVERIFY2(fails, qPrintable(e.message()));
        QVERIFY2(e.message().contains(QStringLiteral("GetEditorText")) && e.message().contains(result),
                 qPrintable(e.message()));
        QCOMPARE(text(fForm->RightMemo()->Lines()), QStringLiteral("R1|R2"));
    }
}

void TstQuorvel::objectWithoutTheInterface()
{
    configure({{"behaviour", "no-interface"}});
    fForm->load_from_quorvel(2);  // not an IQuorvelx: as if none were there
    QCOMPARE(fForm->StatusLabel()->text(), QuorvelLoader::kMissingServer);
    QVERIFY(Quorvel_TLB::ServerRunning());  // started by the bus, and still there
    QVERIFY_THROWS_EXCEPTION(EParlune, fForm->load_from_quorvel(3));  // the running one lacks it
}

void TstQuorvel::badSelectedPaths_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("relative") << "relative.txt";
    QTest::newRow("folder") << "FOLDER";
    QTest::newRow("pipe") << "FIFO";
    QTest::newRow("device") << "/dev/null";
    QTest::newRow("missing") << "/no/such/file.txt";
}

void TstQuorvel::badSelectedPaths()
{
    QFETCH(QString, path);
    if (path == QStringLiteral("FOLDER")) {
        path = fDir.path();
    } else if (path == QStringLiteral("FIFO")) {
        path = fDir.filePath(QStringLiteral("fifo"));
        QFile::remove(path);
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (path == QStringLiteral("relative.txt")) {
        QFile f(path);  // exists relative to the working folder
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    // As a missing file: the left pane stays, and the mode still compares.
    configure({{"behaviour", "normal"}, {"selected", path}});
    fForm->load_from_quorvel(1);
    QCOMPARE(text(fForm->LeftMemo()->Lines()), QStringLiteral("L1|L2"));
    QCOMPARE(fForm->Label3()->text(), QStringLiteral("File:"));
    QVERIFY(fForm->StatusLabel()->text().startsWith(QStringLiteral("Changes=")));
    QVERIFY(fErrors.isEmpty());
    if (path == QStringLiteral("relative.txt"))
        QFile::remove(path);
}

void TstQuorvel::largeEditorText()
{
    Quorvel_TLB::SetTimeouts(10000, 10000);
    configure({{"behaviour", "normal"}, {"text_bytes", 30 * 1000 * 1000}, {"editor_name", "/big.txt"}});
    fForm->load_from_quorvel(2);
    Quorvel_TLB::SetTimeouts(1000, 10000);
    QVERIFY(fForm->RightMemo()->Lines().Count() > 600000);
    QCOMPARE(fForm->RightMemo()->Lines().Get(0), QStringLiteral("generated line 0 of a large editor text"));
    QVERIFY(fForm->StatusLabel()->text().startsWith(QStringLiteral("Changes=")));
}

int main(int argc, char **argv)
{
    TParluneApp app(argc, argv);
    TstQuorvel test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_quorvel.moc"
