#include "app/PaneSources.h"

#include "text/Errors.h"
#include "app/Guarded.h"
#include "app/MainForm.h"
#include "dialogs/MessageDialog.h"
#include "app/ParluneApp.h"

#include <QAction>
#include <QDateTime>
#include <QFileInfo>
#include <QTimer>

namespace {

qint64 modified(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() ? info.lastModified().toMSecsSinceEpoch() * 1024 + (info.size() & 1023) : -1;
}

} // namespace

TPaneSources::TPaneSources(TMainForm &form) : QObject(&form), fForm(form)
{
    ReloadAction = new QAction(QStringLiteral("Reload and Scan"), &fForm);
    ReloadAction->setShortcut(QKeySequence(Qt::Key_F5));
    ReloadAction->setShortcutContext(Qt::WindowShortcut);
    fForm.addAction(ReloadAction);
    connect(ReloadAction, &QAction::triggered, this, Guarded([this] { ReloadAll(); }));
    connect(&fWatcher, &QFileSystemWatcher::fileChanged, this, Guarded([this](const QString &path) { fileChanged(path); }));
}

void TPaneSources::watch(const QString &path)
{
    if (!fWatcher.files().contains(path))
        fWatcher.addPath(path);
}

void TPaneSources::FromFile(int pane, const QString &path)
{
    const QString old = fPath[pane];
    fPath[pane] = QFileInfo(path).absoluteFilePath();
    fName[pane] = QFileInfo(path).fileName();
    fSeen[pane] = modified(fPath[pane]);
    if (!old.isEmpty() && old != fPath[pane] && old != fPath[1 - pane])
        fWatcher.removePath(old);
    if (QFileInfo(fPath[pane]).isFile())
        watch(fPath[pane]);
    showTitle();
}

void TPaneSources::FromServerEditor()
{
    if (!fPath[1].isEmpty() && fPath[1] != fPath[0])
        fWatcher.removePath(fPath[1]);
    fPath[1].clear();
    fName[1] = kServerEditor;
    showTitle();
}

QString TPaneSources::Title() const
{
    if (fName[0].isEmpty() && fName[1].isEmpty())
        return kAppName;
    return QStringLiteral("%1 \u2194 %2 \u2014 %3").arg(fName[0], fName[1], kAppName);
}

void TPaneSources::showTitle()
{
    fForm.setWindowTitle(Title());
}

void TPaneSources::ReloadAll()
{
    QStringList errors;
    for (int pane : {0, 1}) {
        if (fPath[pane].isEmpty())
            continue;
        try {
            fForm.LoadFile(pane, fPath[pane]);
            fForm.SetFileLabel(pane, fPath[pane]);
        } catch (const EParlune &e) {
            errors << e.message();
        }
    }
    fForm.CompareButtonClick();
    if (!errors.isEmpty())
        ReportError(errors.join(u'\n'));
}

void TPaneSources::fileChanged(const QString &path)
{
    // A save that replaces the file ends the watch on the old one: watch
    // the new one. A change seen already (several signals for one save, or
    // this program's own save) asks nothing.
    for (int pane : {0, 1}) {
        if (fPath[pane] != path)
            continue;
        if (QFileInfo(path).isFile())
            watch(path);
        const qint64 now = modified(path);
        if (now == fSeen[pane] || fAsking[pane])
            continue;
        fSeen[pane] = now;
        // Asked a moment later, so that a save in several steps is one change.
        QTimer::singleShot(200, this, [this, pane] { ask(pane); });
        fAsking[pane] = true;
    }
}

void TPaneSources::ask(int pane)
{
    const QString path = fPath[pane];
    if (path.isEmpty() || fForm.Pass().Running()) {
        fAsking[pane] = false;
        return;
    }
    const QString body = QStringLiteral("%1 has changed on disk. Load it again into the %2 pane?")
                             .arg(QFileInfo(path).fileName(), pane == 0 ? QStringLiteral("left") : QStringLiteral("right"));
    const bool yes = ShowStyledMessage(kChangedTitle, body, 1) == TMy::kYes;
    fAsking[pane] = false;
    fSeen[pane] = modified(path);
    if (!yes || fPath[pane] != path)
        return;
    try {
        fForm.LoadFile(pane, path);
        fForm.SetFileLabel(pane, path);
    } catch (const EParlune &e) {
        ReportError(e.message());
    }
}
