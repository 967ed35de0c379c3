#include "dialogs/AboutBox.h"
#include "dialogs/MessageDialog.h"
#include "platform/UserFiles.h"
#include "platform/VersionInfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QGraphicsBlurEffect>
#include <QLabel>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include "ModalTestUtil.h"

class TstDialogs : public QObject
{
    Q_OBJECT
private slots:
    void messKinds_data();
    void messKinds();
    void messEscape_data();
    void messEscape();
    void messLongBody_data();
    void messLongBody();
    void messEmptyTextsAndCaption();
    void styledAndPlainLook();
    void textColor();
    void versionOfTheProgram();
    void versionOfAFileWithoutOne();
    void versionPrefix_data();
    void versionPrefix();
    void userFilesDir_data();
    void userFilesDir();
    void aboutBox();
    void aboutBoxFallbacks();
};

void TstDialogs::messKinds_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("buttons");  // captions of the three slots, "-" for hidden
    QTest::addColumn<QString>("icon");
    QTest::addColumn<QList<int>>("results");  // result of each visible button, left to right

    QTest::newRow("0: OK") << 0 << "-,-,OK" << "warning" << QList<int>{1};
    QTest::newRow("1: Yes No") << 1 << "-,Yes,No" << "question" << QList<int>{6, 7};
    QTest::newRow("2: Yes No Cancel") << 2 << "Yes,No,Cancel" << "question" << QList<int>{6, 7, 2};
    QTest::newRow("3: Yes No, stop") << 3 << "-,Yes,No" << "stop" << QList<int>{6, 7};
    QTest::newRow("4: OK answers Yes") << 4 << "-,OK,Cancel" << "stop" << QList<int>{6, 2};
}

void TstDialogs::messKinds()
{
    QFETCH(int, kind);
    QFETCH(QString, buttons);
    QFETCH(QString, icon);
    QFETCH(QList<int>, results);
    for (int press = 0; press < results.size(); ++press) {
        TMy dialog;
        whenModal([&](QWidget *) {
            QStringList seen;
            QList<QPushButton *> visible;
            for (QPushButton *b : {dialog.Button1, dialog.Button2, dialog.Button3}) {
                seen << (b->isVisible() ? b->text() : QStringLiteral("-"));
                if (b->isVisible())
                    visible << b;
            }
            QCOMPARE(seen.join(u','), buttons);
            QCOMPARE(dialog.ImageWarning->isVisible(), icon == QStringLiteral("warning"));
            QCOMPARE(dialog.ImageQuestion->isVisible(), icon == QStringLiteral("question"));
            QCOMPARE(dialog.ImageStop->isVisible(), icon == QStringLiteral("stop"));
            QCOMPARE(dialog.ImageStop->pos(), dialog.ImageWarning->pos());
            QCOMPARE(dialog.size(), QSize(393, 142));
            QCOMPARE(dialog.Button3->geometry(), QRect(293, 97, 80, 22));
            QTest::mouseClick(visible[press], Qt::LeftButton);
        });
        QCOMPARE(dialog.Mess(QStringLiteral("Title"), QStringLiteral("Body"), kind), results[press]);
    }
}

void TstDialogs::messEscape_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("result");
    QTest::newRow("0: OK") << 0 << int(TMy::kOK);
    QTest::newRow("1: Yes No gives No") << 1 << int(TMy::kNo);
    QTest::newRow("2: Yes No Cancel gives Cancel") << 2 << int(TMy::kCancel);
    QTest::newRow("4: OK Cancel gives Cancel") << 4 << int(TMy::kCancel);
}

void TstDialogs::messEscape()
{
    QFETCH(int, kind);
    QFETCH(int, result);
    TMy dialog;
    whenModal([&](QWidget *w) { QTest::keyClick(w, Qt::Key_Escape); });
    QCOMPARE(dialog.Mess(QStringLiteral("Title"), QStringLiteral("Body"), kind), result);
}

void TstDialogs::messLongBody_data()
{
    QTest::addColumn<int>("words");
    QTest::addColumn<bool>("scrolls");
    QTest::newRow("a server's long error: the box grows") << 150 << false;
    QTest::newRow("longer than the screen: the body scrolls") << 20000 << true;
}

void TstDialogs::messLongBody()
{
    QFETCH(int, words);
    QFETCH(bool, scrolls);
    QStringList text;
    for (int i = 0; i < words; ++i)
        text << QStringLiteral("word%1").arg(i);
    TMy dialog;
    int height = 0, screenHeight = 0, bodyBottom = 0, buttonTop = 0, buttonBottom = 0, labelHeight = 0, wanted = 0;
    bool bar = false;
    whenModal([&](QWidget *) {
        screenHeight = dialog.screen()->availableGeometry().height();
        height = dialog.height();
        bodyBottom = dialog.BodyArea->geometry().bottom();
        buttonTop = dialog.Button3->geometry().top();
        buttonBottom = dialog.Button3->geometry().bottom();
        bar = dialog.BodyArea->verticalScrollBar()->isVisible();
        labelHeight = dialog.BodyLabel->height();
        wanted = dialog.BodyLabel->heightForWidth(dialog.BodyLabel->width());
        dialog.Button3->click();
    });
    dialog.Mess(QStringLiteral("Server error"), text.join(u' '), 0);
    QVERIFY(height > 142);
    QVERIFY(height <= screenHeight);
    QVERIFY(bodyBottom < buttonTop);  // the body stands whole above the buttons
    QCOMPARE(buttonBottom, height - 142 + 97 + 21);
    QCOMPARE(bar, scrolls);
    QVERIFY(labelHeight >= wanted);  // every line of the text can be reached
}

void TstDialogs::messEmptyTextsAndCaption()
{
    TMy dialog;
    whenModal([&](QWidget *) {
        QCOMPARE(dialog.windowTitle(), QString());
        QCOMPARE(dialog.TitleLabel->text(), QString());
        QCOMPARE(dialog.TitleLabel->height(), 37);
        QCOMPARE(dialog.BodyLabel->height(), 51);
        QTest::mouseClick(dialog.Button3, Qt::LeftButton);
    });
    QCOMPARE(dialog.Mess(QString(), QString(), 0), TMy::kOK);
    dialog.SetTitleCaption(QStringLiteral("Caption"));
    whenModal([&](QWidget *) {
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Caption"));
        dialog.Button3->click();
    });
    dialog.Mess(QStringLiteral("t"), QStringLiteral("b"), 0);
}

void TstDialogs::styledAndPlainLook()
{
    TMy::SetMainStyleBook(QStringLiteral("QPushButton { color: #123456; }"));
    QString styled, plain;
    whenModal([&](QWidget *w) {
        styled = w->styleSheet();
        static_cast<TMy *>(w)->Button3->click();
    });
    QCOMPARE(ShowStyledMessage(QStringLiteral("a"), QStringLiteral("b"), 0), TMy::kOK);
    whenModal([&](QWidget *w) {
        plain = w->styleSheet();
        static_cast<TMy *>(w)->Button3->click();
    });
    ShowPlainMessage(QStringLiteral("a"), QStringLiteral("b"));
    QCOMPARE(styled, QStringLiteral("QPushButton { color: #123456; }"));
    QCOMPARE(plain, QString());
    QVERIFY(!QApplication::activeModalWidget());
}

void TstDialogs::textColor()
{
    TMy dialog;
    dialog.SetTextColor(QColor(0x11, 0x22, 0x33));
    QCOMPARE(dialog.TextColor(), QColor(0x11, 0x22, 0x33));
    QCOMPARE(dialog.BodyLabel->palette().color(QPalette::WindowText), QColor(0x11, 0x22, 0x33));
}

void TstDialogs::versionOfTheProgram()
{
    TEPInfoExe info;
    info.ExeName = QStringLiteral(PARLUNE_EXE);
    info.Execute();
    QCOMPARE(info.FileVersion, QStringLiteral("1.0.0.3"));
    QCOMPARE(info.FileDescription, QStringLiteral("Parlune"));
    QCOMPARE(info.CompanyName, QStringLiteral("Menthak Software"));
    QVERIFY(!info.LegalTradeMarks.isEmpty());  // stored as "LegalTrademarks": keys ignore case
    // No build time in the table: two builds of one commit are the same file.
    QCOMPARE(info.LastCompiledTime, QString());
    info.LangId = QStringLiteral("0407");  // no table for that language
    info.FileVersion.clear();
    info.Execute();
    QCOMPARE(info.FileVersion, QString());

    AppInfo::InitAppInfo(QStringLiteral(PARLUNE_EXE));
    QCOMPARE(AppInfo::AppFileVersion, QStringLiteral("1.0.0.3"));
    QCOMPARE(AppInfo::AppVersionPrefix, QStringLiteral("1.0"));
    QVERIFY(AppInfo::AppComments.startsWith(QStringLiteral("https://")));
}

void TstDialogs::versionOfAFileWithoutOne()
{
    TEPInfoExe info;
    info.ExeName = QCoreApplication::applicationFilePath();  // this test carries no table
    info.Execute();
    QCOMPARE(info.FileVersion, QString());
    QCOMPARE(info.Comments, QString());
    info.ExeName = QStringLiteral("/no/such/file");
    info.Execute();
    QCOMPARE(info.FileDescription, QString());

    AppInfo::InitAppInfo(QCoreApplication::applicationFilePath());
    QCOMPARE(AppInfo::AppFileVersion, QString());
    QCOMPARE(AppInfo::AppVersionPrefix, QString());
    QCOMPARE(AppInfo::AppComments, AppInfo::kDefaultComments);
}

void TstDialogs::versionPrefix_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("1.0.0.3") << "1.0.0.3" << "1.0";
    QTest::newRow("10.2.0.1 keeps its point") << "10.2.0.1" << "10.";
    QTest::newRow("shorter than three") << "7" << "7";
}

void TstDialogs::versionPrefix()
{
    QFETCH(QString, version);
    QFETCH(QString, prefix);
    QTemporaryDir dir;
    const QString exe = dir.filePath(QStringLiteral("fake"));
    QFile f(exe);
    QVERIFY(f.open(QIODevice::WriteOnly));
    // Put together at run time, so that this test's own file holds no table.
    auto marker = [](char kind) { return QByteArray("\x01") + "PVR" + kind + "\x02"; };
    QByteArray table = "junk" + marker('S');
    table += QByteArray("StringFileInfo\\040904E4\\FILEVERSION") + '\0' + version.toUtf8() + '\0';
    table += marker('E') + "junk";
    f.write(table);
    f.close();
    AppInfo::InitAppInfo(exe);
    QCOMPARE(AppInfo::AppFileVersion, version);
    QCOMPARE(AppInfo::AppVersionPrefix, prefix);
}

void TstDialogs::userFilesDir_data()
{
    QTest::addColumn<QString>("dataDirs");  // "DOCS" stands for the documents folder
    QTest::addColumn<bool>("folderUnderDocs");
    QTest::addColumn<QString>("setting");  // "BASE" stands for a base folder; "" none
    QTest::addColumn<bool>("folderUnderBase");
    QTest::addColumn<QString>("expected");  // "DOCS/...", "BASE...", or "PROGRAM"

    QTest::newRow("documents folder holds it") << "DOCS" << true << "" << false << "DOCS/Menthak/Parlune/";
    QTest::newRow("first absolute folder of several") << "relative:DOCS:/other" << true << "" << false
        << "DOCS/Menthak/Parlune/";
    QTest::newRow("a later data folder holds it") << "DOCS:/nowhere:OTHER" << false << "" << false
        << "OTHER/Menthak/Parlune/";
    QTest::newRow("documents without it: program, setting ignored") << "DOCS" << false << "BASE" << true
        << "PROGRAM";
    QTest::newRow("no documents folder: the setting") << "" << false << "BASE" << true << "BASE/Menthak/Parlune/";
    QTest::newRow("setting with a trailing separator") << "relative" << false << "BASE/" << true
        << "BASE//Menthak/Parlune/";
    QTest::newRow("setting without the folder: program") << "" << false << "BASE" << false << "PROGRAM";
    QTest::newRow("nothing: program") << "" << false << "" << false << "PROGRAM";
}

void TstDialogs::userFilesDir()
{
    QFETCH(QString, dataDirs);
    QFETCH(bool, folderUnderDocs);
    QFETCH(QString, setting);
    QFETCH(bool, folderUnderBase);
    QFETCH(QString, expected);
    QTemporaryDir tmp;
    const QString docs = tmp.filePath(QStringLiteral("docs"));
    const QString base = tmp.filePath(QStringLiteral("base"));
    QDir().mkpath(docs);
    QDir().mkpath(base);
    if (folderUnderDocs)
        QDir().mkpath(docs + QStringLiteral("/Menthak/Parlune"));
    if (folderUnderBase)
        QDir().mkpath(base + QStringLiteral("/Menthak/Parlune"));
    const QString other = tmp.filePath(QStringLiteral("other"));  // a later data folder that holds them
    QDir().mkpath(other + QStringLiteral("/Menthak/Parlune"));

    qputenv("XDG_DATA_DIRS",
            QString(dataDirs).replace(QStringLiteral("DOCS"), docs).replace(QStringLiteral("OTHER"), other).toLocal8Bit());
    const QString config = tmp.filePath(QStringLiteral("config"));
    QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, config);
    AppInfo::AppVersionPrefix = QStringLiteral("1.0");
    if (!setting.isEmpty()) {
        QSettings s(QSettings::IniFormat, QSettings::SystemScope, UserFiles::kMaker, UserFiles::kProduct);
        s.setValue(QStringLiteral("1.0/UserFilesPath"), QString(setting).replace(QStringLiteral("BASE"), base));
        s.setValue(QStringLiteral("2.0/UserFilesPath"), QStringLiteral("/elsewhere"));  // another version
    }
    const QString found = UserFiles::FindUserFilesDir(UserFiles::kMaker, UserFiles::kProduct, UserFiles::kMakerShort);
    const QString want = expected == QStringLiteral("PROGRAM")
                             ? QCoreApplication::applicationDirPath() + u'/'
                             : QString(expected).replace(QStringLiteral("DOCS"), docs).replace(QStringLiteral("BASE"), base)
                                   .replace(QStringLiteral("OTHER"), other);
    QCOMPARE(found, want);
    QVERIFY(!QDir(docs + QStringLiteral("/Menthak")).exists() || folderUnderDocs);  // never created
    qunsetenv("XDG_DATA_DIRS");
    QCOMPARE(UserFiles::AllUsersDocumentsFolder(), QStringLiteral("/usr/local/share"));
}

void TstDialogs::aboutBox()
{
    AppInfo::InitAppInfo(QStringLiteral(PARLUNE_EXE));
    TAboutBox about(nullptr, QStringLiteral(PARLUNE_EXE));
    QCOMPARE(about.windowTitle(), QStringLiteral("About"));
    QCOMPARE(about.size(), QSize(305, 273));
    QCOMPARE(about.Label1->text(), QStringLiteral("Parlune"));
    QCOMPARE(about.Label2->text(), QStringLiteral("By Menthak Software"));
    QVERIFY(!about.Label3->text().isEmpty());
    QCOMPARE(about.Label4->text(), QStringLiteral("Ver.  1.0.0.3"));
    QCOMPARE(about.Label6->text(), AppInfo::AppComments);
    QCOMPARE(about.Layout2->y(), TAboutBox::kStartY);
    QVERIFY(!about.Animating());

    about.show();
    QVERIFY(about.Animating());
    QCOMPARE(about.FloatAnimation1->duration(), 12000);
    QCOMPARE(about.FloatAnimation3->duration(), 2000);
    about.FloatAnimation3->setCurrentTime(2000);
    QCOMPARE(about.Layout2->y(), TAboutBox::kEndY);
    about.CloseButton->click();
    QVERIFY(!about.isVisible());
    QVERIFY(!about.Animating());
    QVERIFY(!about.GaussianBlurEffect1->isEnabled());
    about.show();  // the slide-in plays again
    QCOMPARE(about.Layout2->y(), TAboutBox::kStartY);
    about.close();
}

void TstDialogs::aboutBoxFallbacks()
{
    AppInfo::InitAppInfo(QCoreApplication::applicationFilePath());
    TAboutBox about(nullptr, QCoreApplication::applicationFilePath());
    QCOMPARE(about.Label1->text(), QStringLiteral("Parlune"));
    QCOMPARE(about.Label3->text(), QString());
    QCOMPARE(about.Label4->text(), QStringLiteral("Ver.  "));
    QCOMPARE(about.Label6->text(), AppInfo::kDefaultComments);
}

QTEST_MAIN(TstDialogs)
#include "tst_dialogs.moc"
