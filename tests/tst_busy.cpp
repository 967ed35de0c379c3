// While a pass runs, every command that changes a text or starts another
// pass is refused: each row runs one command, the way a user gives it, in
// the middle of a real pass, and the outcome must be exactly that of the
// same pass left alone.
#include "WindowTestUtil.h"
#include "app/DiffCommands.h"
#include "app/MainForm.h"
#include "app/ParluneApp.h"
#include "panes/TextPane.h"
#include "session/Session.h"

#include <QAction>
#include <QClipboard>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>

using TStep = std::function<void(TMainForm &)>;
Q_DECLARE_METATYPE(TStep)

class TstBusy : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void commandsDuringPass_data();
    void commandsDuringPass();

private:
    struct TOutcome
    {
        QString left, right, status, leftLabel, rightLabel, title;
        int passes = 0;
        bool ranWhileBusy = false;
        bool buttonsOff = false;
        QString said;
        QStringList dialogs;  // the current file of each file dialog opened
    };
    // Loads the two files, runs `before`, then a pass during whose first
    // yield `during` runs.
    TOutcome run(const TStep &before, const TStep &during);

    QTemporaryDir fDir;
    QString fLeft, fRight, fOther, fTarget;
    TScriptedChooser *fChooser = nullptr;
    QStringList fErrors;
};

void TstBusy::init()
{
    static_cast<TParluneApp *>(qApp)->SetErrorPresenter([this](const QString &m) { fErrors << m; });
    fLeft = fDir.filePath(QStringLiteral("left.txt"));
    fRight = fDir.filePath(QStringLiteral("right.txt"));
    fOther = fDir.filePath(QStringLiteral("other.txt"));
    fTarget = fDir.filePath(QStringLiteral("saved.txt"));
    const auto [l, r] = differentTexts(3000);
    writeAll(fLeft, l);
    writeAll(fRight, r);
    writeAll(fOther, "other\n");
    QFile::remove(fTarget);
}

TstBusy::TOutcome TstBusy::run(const TStep &before, const TStep &during)
{
    TMainForm form;
    auto chooser = std::make_unique<TScriptedChooser>();
    fChooser = chooser.get();
    form.SetFileChooser(std::move(chooser));
    form.show();
    form.activateWindow();
    if (!QTest::qWaitForWindowActive(&form))
        qWarning("the window did not become active: its keys may not arrive");
    form.LoadFile(TSide::Left, fLeft);
    form.LoadFile(TSide::Right, fRight);
    form.RightMemo()->setFocus();
    before(form);

    TOutcome out;
    TSession &session = form.Session();
    QObject::connect(&session, &TSession::BusyChanged, &form, [&](bool busy) { out.passes += busy; });
    QObject::connect(&session, &TSession::Said, &form, [&](const QString &text) { out.said = text; });
    session.Pass().SetYieldInterval(std::chrono::nanoseconds(0));
    bool done = false;
    session.SetYield([&] {
        if (!done) {
            done = true;
            out.ranWhileBusy = session.Busy();
            out.buttonsOff = !form.CompareButton()->isEnabled() && !form.SaveAsButton()->isEnabled()
                          && !form.LeftFileButton()->isEnabled() && !form.RightLoadFileButton()->isEnabled();
            // Whatever answers a dialog that should not be open.
            fChooser->answers = {fOther, fOther, fTarget};
            during(form);
        }
        QCoreApplication::processEvents();
    });
    QTest::mouseClick(form.CompareButton(), Qt::LeftButton);

    out.left = session.Lines(TSide::Left).Text();
    out.right = session.Lines(TSide::Right).Text();
    out.status = form.StatusLabel()->text();
    out.leftLabel = form.Label3()->text();
    out.rightLabel = form.Label6()->text();
    out.title = form.windowTitle();
    out.dialogs = fChooser->currents;
    return out;
}

void TstBusy::commandsDuringPass_data()
{
    QTest::addColumn<TStep>("before");
    QTest::addColumn<TStep>("during");
    const TStep nothing = [](TMainForm &) {};
    const auto key = [](Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) {
        return TStep([k, m](TMainForm &f) { QTest::keyClick(f.RightMemo(), k, m); });
    };
    const auto typed = [](TMainForm &f) { QTest::keyClicks(f.RightMemo(), QStringLiteral("typed")); };
    const auto drop = [this](TSide side) {
        return TStep([this, side](TMainForm &f) {
            QMimeData files;
            files.setUrls({QUrl::fromLocalFile(fOther)});
            QDropEvent event(QPointF(10, 10), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
            f.MemoDragDrop(side, &event);
        });
    };
    QTest::newRow("Scan Difference") << nothing << TStep([](TMainForm &f) { f.CompareButtonClick(); });
    QTest::newRow("F5") << nothing << TStep([](TMainForm &f) { QTest::keyClick(&f, Qt::Key_F5); });
    QTest::newRow("Copy Left Text Here") << nothing << key(Qt::Key_Right, Qt::AltModifier);
    QTest::newRow("Load Other File, left") << nothing
                                           << TStep([](TMainForm &f) { f.LoadFileButtonClick(TSide::Left); });
    QTest::newRow("Load Other File, right") << nothing
                                            << TStep([](TMainForm &f) { f.LoadFileButtonClick(TSide::Right); });
    QTest::newRow("drop on the left") << nothing << drop(TSide::Left);
    QTest::newRow("drop on the right") << nothing << drop(TSide::Right);
    QTest::newRow("Load Selected File") << nothing << TStep([](TMainForm &f) { f.LoadSelectedFileButtonClick(); });
    QTest::newRow("Quorvel Editor") << nothing << TStep([](TMainForm &f) { f.QuorvelLoadButtonClick(); });
    QTest::newRow("start-up files") << nothing << TStep([this](TMainForm &f) {
        f.Session().LoadStartFiles(fOther, fOther);
    });
    QTest::newRow("Save As") << nothing << TStep([](TMainForm &f) { f.SaveAsButtonClick(); });
    QTest::newRow("typing") << nothing << TStep(typed);
    QTest::newRow("paste") << nothing << TStep([](TMainForm &f) {
        QApplication::clipboard()->setText(QStringLiteral("pasted\nlines"));
        QTest::keyClick(f.RightMemo(), Qt::Key_V, Qt::ControlModifier);
    });
    QTest::newRow("cut") << nothing << TStep([](TMainForm &f) {
        f.RightMemo()->SelectAll();
        QTest::keyClick(f.RightMemo(), Qt::Key_X, Qt::ControlModifier);
    });
    QTest::newRow("undo") << TStep(typed) << key(Qt::Key_Z, Qt::ControlModifier);
    QTest::newRow("redo") << TStep([typed](TMainForm &f) {
        typed(f);
        f.RightMemo()->Undo();
    }) << key(Qt::Key_Y, Qt::ControlModifier);
}

void TstBusy::commandsDuringPass()
{
    QFETCH(TStep, before);
    QFETCH(TStep, during);
    const TOutcome alone = run(before, [](TMainForm &) {});
    fErrors.clear();
    const TOutcome disturbed = run(before, during);

    QVERIFY(disturbed.ranWhileBusy);
    QVERIFY(disturbed.buttonsOff);
    QCOMPARE(disturbed.passes, 1);  // no second pass started
    QCOMPARE(disturbed.said, TSession::kBusy);
    QVERIFY(disturbed.status.startsWith(QStringLiteral("Changes=")));
    QCOMPARE(disturbed.status, alone.status);
    QCOMPARE(disturbed.left, alone.left);
    QCOMPARE(disturbed.right, alone.right);
    QCOMPARE(disturbed.leftLabel, alone.leftLabel);
    QCOMPARE(disturbed.rightLabel, alone.rightLabel);
    QCOMPARE(disturbed.title, alone.title);
    QVERIFY(!QFile::exists(fTarget));
    QVERIFY(disturbed.dialogs.isEmpty());
    QVERIFY2(fErrors.isEmpty(), qPrintable(fErrors.join(u'\n')));
}

int main(int argc, char **argv)
{
    TParluneApp app(argc, argv);
    TstBusy test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_busy.moc"
