#include "dialogs/AboutBox.h"
#include "app/FindDialog.h"
#include "app/MainForm.h"
#include "dialogs/MessageDialog.h"
#include "app/ParluneApp.h"
#include "platform/ShellOpener.h"
#include "panes/TextPane.h"
#include "platform/UserFiles.h"
#include "app/WindowMenu.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QShortcut>
#include <QtTest>

#include "ModalTestUtil.h"

Q_DECLARE_METATYPE(TTextPos)

class TstCommands : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void helpKeys_data();
    void helpKeys();
    void windowMenuHelp_data();
    void windowMenuHelp();
    void windowMenuAbout();
    void otherCommandsDoNothing();
    void findDialogLooksAsSpecified();
    void findDialogSearchesTheRightPane();
    void findDialogKeepsStateAndHistory();
    void findDialogNoCompletionWrapNotFound();
    void wrapAfterNotFoundGoesOn_data();
    void wrapAfterNotFoundGoesOn();
    void findAgainKeys();
    void findAgainCanBeStopped();
    void closeIfFound_data();
    void closeIfFound();
    void costlySearchCanBeStopped_data();
    void costlySearchCanBeStopped();
    void helpPageListsEveryKey();

private:
    QString helpPage(bool present);
    TMainForm *fForm = nullptr;
    QStringList fOpened;
    bool fOpenerWorks = true;  // false: the desktop has no program for the page
    QTemporaryDir fDir;
};

void TstCommands::init()
{
    fOpened.clear();
    fOpenerWorks = true;
    Shell::SetOpener([this](const QString &path) {
        fOpened << path;
        return fOpenerWorks;
    });
    UserFiles::UserFilesDir = fDir.path() + u'/';
    fForm = new TMainForm;
    fForm->show();
    QVERIFY(QTest::qWaitForWindowExposed(fForm));
}

void TstCommands::cleanup()
{
    delete fForm;
    fForm = nullptr;
}

void TstCommands::helpKeys_data()
{
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("pagePresent");
    QTest::newRow("F1, page present") << int(Qt::NoModifier) << true;
    QTest::newRow("Shift+F1, page present") << int(Qt::ShiftModifier) << true;
    QTest::newRow("Ctrl+F1, page present") << int(Qt::ControlModifier) << true;
    QTest::newRow("F1, page missing") << int(Qt::NoModifier) << false;
    QTest::newRow("Ctrl+F1, page missing") << int(Qt::ControlModifier) << false;
}

// The help page in the test's user-files folder, there or not.
QString TstCommands::helpPage(bool present)
{
    const QString page = fDir.filePath(QStringLiteral("help/Parlune.htm"));
    QDir(fDir.path()).mkpath(QStringLiteral("help"));
    if (present) {
        QFile f(page);
        f.open(QIODevice::WriteOnly);
    } else {
        QFile::remove(page);
    }
    return page;
}

void TstCommands::helpKeys()
{
    QFETCH(int, modifiers);
    QFETCH(bool, pagePresent);
    const QString page = helpPage(pagePresent);
    QString title, body;
    if (!pagePresent) {
        whenModal([&](QWidget *w) {
            auto *dialog = qobject_cast<TMy *>(w);
            QVERIFY(dialog);
            title = dialog->TitleLabel->text();
            body = dialog->BodyLabel->text();
            QVERIFY(dialog->styleSheet().isEmpty());  // the built-in look
            dialog->Button3->click();
        });
    }
    fForm->LeftMemo()->setFocus();
    QTest::keyRelease(fForm->LeftMemo(), Qt::Key_F1, Qt::KeyboardModifiers(modifiers));
    if (pagePresent) {
        QCOMPARE(fOpened, QStringList{page});
    } else {
        QCOMPARE(fOpened, QStringList{});
        QCOMPARE(title, QStringLiteral("Can't Find Help File"));
        QCOMPARE(body, page);
    }
}

void TstCommands::windowMenuHelp_data()
{
    QTest::addColumn<bool>("pagePresent");
    QTest::addColumn<bool>("openerWorks");
    QTest::addColumn<QString>("title");  // of the message shown; "" for none
    QTest::newRow("opens the HTML help page") << true << true << "";
    QTest::newRow("page missing: said so") << false << true << "Can't Find Help File";
    QTest::newRow("no program opens it: said so") << true << false << "Can't Open Help File";
}

void TstCommands::windowMenuHelp()
{
    QFETCH(bool, pagePresent);
    QFETCH(bool, openerWorks);
    QFETCH(QString, title);
    const QString page = helpPage(pagePresent);
    fOpenerWorks = openerWorks;
    QString shownTitle, shownBody;
    if (!title.isEmpty()) {
        whenModal([&](QWidget *w) {
            auto *dialog = qobject_cast<TMy *>(w);
            QVERIFY(dialog);
            shownTitle = dialog->TitleLabel->text();
            shownBody = dialog->BodyLabel->text();
            dialog->Button3->click();
        });
    }
    fForm->WindowMenu()->Menu()->actions().at(2)->trigger();
    QCOMPARE(fOpened, pagePresent ? QStringList{page} : QStringList{});
    QCOMPARE(shownTitle, title);
    if (!title.isEmpty())
        QVERIFY2(shownBody.contains(page), qPrintable(shownBody));  // the message names the file
}

void TstCommands::windowMenuAbout()
{
    TAboutBox about(fForm, QCoreApplication::applicationFilePath());
    fForm->SetAboutBox(&about);
    bool shown = false;
    whenModal([&](QWidget *w) {
        shown = w == &about && about.Animating();
        about.CloseButton->click();
    });
    fForm->WindowMenu()->Menu()->actions().at(1)->trigger();  // "About..." = key 11024
    QVERIFY(shown);
    QVERIFY(!about.Animating());
}

void TstCommands::otherCommandsDoNothing()
{
    QSignalSpy passed(fForm, &TMainForm::KeyPassedOn);
    for (int command = 1027; command <= 1034; ++command)
        fForm->WindowMenu()->Choose(command);
    QCOMPARE(fOpened, QStringList{});
    QCOMPARE(passed.count(), 0);
    QVERIFY(!QApplication::activeModalWidget());
}

void TstCommands::findDialogLooksAsSpecified()
{
    whenModal([&](QWidget *w) {
        auto *d = qobject_cast<TFindDialog *>(w);
        QVERIFY(d);
        QCOMPARE(d->windowTitle(), QStringLiteral("Find"));
        QCOMPARE(d->size(), QSize(445, 180));
        QCOMPARE(d->FindWhat->currentText(), QString());
        for (QCheckBox *box : {d->CaseSensitive, d->Expression, d->CloseIfFound, d->WholeWord, d->Wrap})
            QVERIFY(!box->isChecked());
        QCOMPARE(d->CaseSensitive->text(), QStringLiteral("Case sensitive"));
        QCOMPARE(d->Expression->text(), QStringLiteral("Expression"));
        QCOMPARE(d->CloseIfFound->text(), QStringLiteral("Close if Found"));
        QCOMPARE(d->WholeWord->text(), QStringLiteral("Whole word Only"));
        QCOMPARE(d->Wrap->text(), QStringLiteral("Wrap at the end of file"));
        QVERIFY(d->Down->isChecked());
        QVERIFY(d->FindButton->isDefault());
        QVERIFY(!d->FindButton->isEnabled());
        QVERIFY(!d->PreviousButton->isEnabled());
        QVERIFY(d->CloseButton->isEnabled());
        d->FindWhat->setEditText(QStringLiteral("x"));
        QVERIFY(d->FindButton->isEnabled());
        QVERIFY(d->PreviousButton->isEnabled());
        d->CloseButton->click();
    });
    QTest::keyClick(fForm, Qt::Key_F, Qt::ControlModifier);
    QVERIFY(!QApplication::activeModalWidget());
}

void TstCommands::findDialogSearchesTheRightPane()
{
    fForm->LeftMemo()->Lines().SetText(u"abc in the left pane");
    fForm->RightMemo()->Lines().SetText(u"first\nABC here\nlast abc");
    fForm->RightMemo()->SetCaretPos({2, 8});
    fForm->LeftMemo()->setFocus();
    whenModal([&](QWidget *w) {
        auto *d = static_cast<TFindDialog *>(w);
        d->FindWhat->setEditText(QStringLiteral("abc"));
        d->FindClick();  // down from the end: nothing, selection removed
        QVERIFY(!fForm->RightMemo()->HasSelection());
        d->PreviousClick();
        QCOMPARE(fForm->RightMemo()->CaretPos(), (TTextPos{2, 5}));
        d->PreviousClick();  // without case sensitivity ABC matches
        QCOMPARE(fForm->RightMemo()->CaretPos(), (TTextPos{1, 0}));
        d->CaseSensitive->setChecked(true);
        d->Up->setChecked(true);
        d->FindClick();
        QVERIFY(!fForm->RightMemo()->HasSelection());
        d->CloseButton->click();
    });
    fForm->Action1()->trigger();
    QVERIFY(!fForm->LeftMemo()->HasSelection());
}

void TstCommands::findDialogKeepsStateAndHistory()
{
    fForm->RightMemo()->Lines().SetText(u"one two one");
    for (int round = 0; round < 3; ++round) {
        whenModal([&, round](QWidget *w) {
            auto *d = static_cast<TFindDialog *>(w);
            if (round > 0) {
                QCOMPARE(d->FindWhat->currentText(), QStringLiteral("one"));
                QVERIFY(d->WholeWord->isChecked());
                QVERIFY(d->Up->isChecked());
            }
            d->FindWhat->setEditText(QStringLiteral("one"));
            d->WholeWord->setChecked(true);
            d->Up->setChecked(true);
            d->CloseButton->click();
        });
        fForm->Action1Execute();
    }
    QCOMPARE(fForm->FindState().history, QStringList{"one"});
    whenModal([&](QWidget *w) {
        auto *d = static_cast<TFindDialog *>(w);
        QCOMPARE(d->FindWhat->count(), 1);
        d->FindWhat->setEditText(QStringLiteral("two"));
        d->reject();
    });
    fForm->Action1Execute();
    QCOMPARE(fForm->FindState().history, (QStringList{"one", "two"}));
}

void TstCommands::findDialogNoCompletionWrapNotFound()
{
    fForm->FindState().history = {QStringLiteral("insertedp")};
    fForm->RightMemo()->Lines().SetText(u"insert here\nand insert there");
    fForm->RightMemo()->SetCaretPos({1, 12});
    whenModal([&](QWidget *w) {
        auto *d = static_cast<TFindDialog *>(w);
        d->FindWhat->clearEditText();
        QTest::keyClicks(d->FindWhat->lineEdit(), QStringLiteral("insert"));
        QCOMPARE(d->FindWhat->currentText(), QStringLiteral("insert"));  // not completed from the history
        QVERIFY(!d->NotFound->isVisible());
        d->FindClick();  // nothing after the caret, no wrap
        QVERIFY(d->NotFound->isVisible());
        d->Wrap->setChecked(true);
        d->FindClick();
        QVERIFY(!d->NotFound->isVisible());
        QCOMPARE(fForm->RightMemo()->CaretPos(), (TTextPos{0, 0}));
        d->CloseButton->click();
    });
    fForm->Action1Execute();
}

void TstCommands::wrapAfterNotFoundGoesOn_data()
{
    QTest::addColumn<bool>("up");
    QTest::addColumn<TTextPos>("caret");  // where the search starts
    QTest::addColumn<TTextPos>("wrapped");  // the hit the wrapped search finds
    QTest::newRow("down") << false << TTextPos{0, 0} << TTextPos{0, 2};
    QTest::newRow("up") << true << TTextPos{2, 3} << TTextPos{2, 2};
}

void TstCommands::wrapAfterNotFoundGoesOn()
{
    // After the last hit and a "Not found", turning Wrap on goes on from
    // the other end instead of selecting the last hit again.
    QFETCH(bool, up);
    QFETCH(TTextPos, caret);
    QFETCH(TTextPos, wrapped);
    fForm->RightMemo()->Lines().SetText(u"a x\nb\nc x");
    fForm->RightMemo()->SetCaretPos(caret);
    QList<TTextPos> hits;
    bool notFound = false;
    whenModal([&](QWidget *w) {
        auto *d = static_cast<TFindDialog *>(w);
        d->FindWhat->setEditText(QStringLiteral("x"));
        (up ? d->Up : d->Down)->setChecked(true);
        for (int i = 0; i < 2; ++i) {
            d->FindClick();
            hits << fForm->RightMemo()->CaretPos();
        }
        d->FindClick();
        notFound = d->NotFound->isVisible();
        d->Wrap->setChecked(true);
        d->FindClick();
        hits << fForm->RightMemo()->CaretPos();
        d->CloseButton->click();
    });
    fForm->Action1Execute();
    QVERIFY(notFound);
    const QList<TTextPos> expected = up ? QList<TTextPos>{{2, 2}, {0, 2}, wrapped} : QList<TTextPos>{{0, 2}, {2, 2}, wrapped};
    QCOMPARE(hits, expected);
    QVERIFY(fForm->RightMemo()->HasSelection());
}

void TstCommands::findAgainKeys()
{
    QString text;
    for (int i = 0; i < 600; ++i)
        text += (i == 300 || i == 450 ? QStringLiteral("the Target %1\n") : QStringLiteral("row %1\n")).arg(i);
    fForm->LeftMemo()->Lines().SetText(text);
    fForm->RightMemo()->Lines().SetText(text);
    TTextPane *pane = fForm->RightMemo();
    fForm->LeftMemo()->setFocus();

    // Nothing searched for yet: F3 opens the dialog, which searches.
    whenModal([&](QWidget *w) {
        auto *d = static_cast<TFindDialog *>(w);
        d->FindWhat->setEditText(QStringLiteral("target"));
        d->FindClick();
        d->CloseButton->click();
    });
    QTest::keyClick(fForm, Qt::Key_F3);
    QCOMPARE(pane->CaretPos(), (TTextPos{300, 4}));
    fForm->activateWindow();  // back from the dialog, so that the window takes its keys
    QVERIFY(QTest::qWaitForWindowActive(fForm));

    // A hit out of view stands in the middle of the pane, not on its last row.
    const auto centred = [pane](int line) {
        const int middle = pane->TopLine() + pane->VisibleLineCount() / 2;
        return qAbs(line - middle) <= 1;
    };
    QVERIFY2(centred(300), qPrintable(QString::number(pane->TopLine())));
    QCOMPARE(fForm->LeftMemo()->TopLine(), pane->TopLine());

    QTest::keyClick(fForm, Qt::Key_F3);
    QCOMPARE(pane->CaretPos(), (TTextPos{450, 4}));
    QCOMPARE(pane->SelectedText(), QStringLiteral("Target"));
    QVERIFY(centred(450));
    QVERIFY(!QApplication::activeModalWidget());

    // No wrap in the dialog's options: nothing after the last hit, said in
    // the status bar; Shift+F3 goes back.
    QTest::keyClick(fForm, Qt::Key_F3);
    QCOMPARE(fForm->StatusBar1()->currentMessage(), TFindDialog::kNotFound);
    QTest::keyClick(fForm, Qt::Key_F3, Qt::ShiftModifier);
    QCOMPARE(pane->CaretPos(), (TTextPos{450, 4}));
    QTest::keyClick(fForm, Qt::Key_F3, Qt::ShiftModifier);
    QCOMPARE(pane->CaretPos(), (TTextPos{300, 4}));

    // The dialog's options hold: case sensitive, "target" is nowhere.
    fForm->FindState().caseSensitive = true;
    fForm->StatusBar1()->clearMessage();
    QTest::keyClick(fForm, Qt::Key_F3);
    QCOMPARE(fForm->StatusBar1()->currentMessage(), TFindDialog::kNotFound);
    QVERIFY(!pane->HasSelection());
}

void TstCommands::findAgainCanBeStopped()
{
    // The expression of costlySearchCanBeStopped, again by F3: Escape stops
    // it, the status bar says so, and F3 pressed meanwhile starts no second
    // search.
    TLines &r = fForm->RightMemo()->Lines();
    r.BeginUpdate();
    for (int i = 0; i < 3000; ++i)
        r.Add(QString(30, u'a') + u'b');
    r.EndUpdate();
    fForm->FindState().text = QStringLiteral("(a+)+$");
    fForm->FindState().expression = true;
    QString during;
    QTimer::singleShot(100, fForm, [&] {
        QTest::keyClick(fForm, Qt::Key_F3);
        during = fForm->StatusBar1()->currentMessage();
        QTest::keyClick(fForm, Qt::Key_Escape);
    });
    QTest::keyClick(fForm, Qt::Key_F3);
    QCOMPARE(during, QString());
    QCOMPARE(fForm->StatusBar1()->currentMessage(), TFindDialog::kStopped);
    QVERIFY(!fForm->RightMemo()->HasSelection());
}

void TstCommands::closeIfFound_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("previous");
    QTest::addColumn<bool>("closes");
    QTest::newRow("found") << "two" << false << true;
    QTest::newRow("not found") << "zzz" << false << true;
    QTest::newRow("Previous never closes") << "one" << true << false;
}

void TstCommands::closeIfFound()
{
    QFETCH(QString, text);
    QFETCH(bool, previous);
    QFETCH(bool, closes);
    fForm->RightMemo()->Lines().SetText(u"one two");
    fForm->RightMemo()->SetCaretPos({0, 7});
    bool stillOpen = false;
    whenModal([&](QWidget *w) {
        auto *d = static_cast<TFindDialog *>(w);
        d->FindWhat->setEditText(text);
        d->CloseIfFound->setChecked(true);
        d->Up->setChecked(true);
        previous ? d->PreviousClick() : d->FindClick();
        stillOpen = d->isVisible();
        if (stillOpen)
            d->reject();
    });
    fForm->Action1Execute();
    QCOMPARE(stillOpen, !closes);
}

void TstCommands::costlySearchCanBeStopped_data()
{
    QTest::addColumn<bool>("escape");  // else Close
    QTest::newRow("Escape stops it, the dialog stays") << true;
    QTest::newRow("Close stops it and closes") << false;
}

void TstCommands::costlySearchCanBeStopped()
{
    // An expression that backtracks without end on these lines would take
    // minutes over all of them; the search runs in slices that take Escape
    // and Close.
    QFETCH(bool, escape);
    TLines &r = fForm->RightMemo()->Lines();
    r.BeginUpdate();
    for (int i = 0; i < 3000; ++i)
        r.Add(QString(30, u'a') + u'b');
    r.EndUpdate();
    QString seen, after;
    bool stillOpen = false;
    whenModal([&](QWidget *w) {
        auto *d = static_cast<TFindDialog *>(w);
        d->FindWhat->setEditText(QStringLiteral("(a+)+$"));
        d->Expression->setChecked(true);
        QTimer::singleShot(100, d, [&, d] {
            seen = d->NotFound->text();
            if (escape)
                QTest::keyClick(d, Qt::Key_Escape);
            else
                d->CloseButton->click();
        });
        d->FindButton->click();
        after = d->NotFound->text();
        stillOpen = d->isVisible();
        if (stillOpen)
            d->reject();
    });
    fForm->Action1Execute();
    QCOMPARE(seen, TFindDialog::kSearching);
    QCOMPARE(after, TFindDialog::kStopped);
    QCOMPARE(stillOpen, escape);
    QVERIFY(!fForm->RightMemo()->HasSelection());
}

void TstCommands::helpPageListsEveryKey()
{
    // Every key the window defines stands in the help page's key table.
    QFile page(QStringLiteral(PARLUNE_HELP_PAGE));
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    QStringList keys;
    for (const QAction *a : fForm->findChildren<QAction *>())
        for (const QKeySequence &k : a->shortcuts())
            keys << k.toString(QKeySequence::PortableText);
    for (const QShortcut *s : fForm->findChildren<QShortcut *>())
        keys << s->key().toString(QKeySequence::PortableText);
    QVERIFY(keys.size() >= 8);
    for (const QString &key : keys) {
        QStringList parts;
        for (const QString &part : key.split(u'+'))
            parts << QStringLiteral("<kbd>%1</kbd>").arg(part);
        QVERIFY2(html.contains(parts.join(u'+')), qPrintable(key));
    }
}

int main(int argc, char **argv)
{
    TParluneApp app(argc, argv);
    TstCommands test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_commands.moc"
