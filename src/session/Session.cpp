#include "session/Session.h"

#include "compare/HashUnit.h"
#include "session/StartFiles.h"
#include "text/Errors.h"
#include "text/TextFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <array>
#include <future>
#include <sys/stat.h>
#include <utility>

namespace {

// A change on disk is reported this long after it was first seen, so that a
// save in several steps is one change.
constexpr int kSettleMs = 200;

// The file's modification time and the low bits of its size: a stamp that
// changes with nearly every write, also within one millisecond.
qint64 diskStamp(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() ? info.lastModified().toMSecsSinceEpoch() * 1024 + (info.size() & 1023) : -1;
}

// Whether the two paths name two different regular files (not one file
// twice, not a pipe or device), which may then be read at the same time.
bool distinctRegularFiles(const QString &a, const QString &b)
{
    struct stat sa, sb;
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0
           && S_ISREG(sa.st_mode) && S_ISREG(sb.st_mode) && !(sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino);
}

} // namespace

TSession::TSession(QObject *parent)
    : QObject(parent),
      fDocs(documents(this)),
      fPass(*fDocs[TSide::Left].lines, *fDocs[TSide::Right].lines)
{
    for (TSide side : kSides)
        fDocs[side].lines->SetTabSize(4);
    connect(&fWatcher, &QFileSystemWatcher::fileChanged, this, [this](const QString &path) {
        try {
            fileChanged(path);
        } catch (...) {
            // A file that cannot be looked at now is looked at on its next change.
        }
    });
    connect(&fWatcher, &QFileSystemWatcher::directoryChanged, this, [this](const QString &folder) {
        try {
            folderChanged(folder);
        } catch (...) {
        }
    });
}

TPerSide<TSession::TDocument> TSession::documents(QObject *owner)
{
    TPerSide<TDocument> docs;
    for (TSide side : kSides)
        docs[side].lines = new TLines(owner);
    return docs;
}

TSession::~TSession()
{
    fPass.Cancel();
}

QString TSession::Title() const
{
    const QString &left = fDocs[TSide::Left].name;
    const QString &right = fDocs[TSide::Right].name;
    const QString edited = fDocs[TSide::Right].modified ? QStringLiteral("*") : QString();
    if (left.isEmpty() && right.isEmpty())
        return edited + kAppName;
    return edited + QStringLiteral("%1 \u2194 %2 \u2014 %3").arg(left, right, kAppName);
}

void TSession::SetModified(TSide side, bool modified)
{
    if (fDocs[side].modified == modified)
        return;
    fDocs[side].modified = modified;
    emit TitleChanged(Title());
}

QString TSession::Formats() const
{
    QStringList sides;
    for (TSide side : kSides) {
        const TLines &lines = Lines(side);
        sides << (lines.Count() == 0 ? QStringLiteral("\u2013")
                                     : EncodingName(lines.Encoding()) + QStringLiteral(" \u00b7 ")
                                           + LineBreakName(lines.LineBreak()));
    }
    return sides.join(QStringLiteral(" | "));
}

void TSession::SetStatus(const QString &text)
{
    fStatus = text;
    emit StatusChanged(text);
}

bool TSession::Refuse(TCommand)
{
    if (!fBusy)
        return false;
    if (!fRefusalSaid) {
        fRefusalSaid = true;
        emit Said(kBusy);
    }
    return true;
}

void TSession::SetLabel(TSide side, const QString &value)
{
    fDocs[side].label = value;
    emit LabelChanged(side, value);
}

void TSession::LoadFile(TSide side, const QString &path)
{
    if (Refuse(TCommand::Load))
        throw EParlune(QStringLiteral("A scan is running: load \"%1\" when it has ended (Esc cancels it)").arg(path));
    Lines(side).LoadFromFile(path, HashUnit::HashNormalized);
    fromFile(side, path);
    textReplaced(side);
}

void TSession::SetServerText(const QString &text)
{
    if (Refuse(TCommand::Load))
        throw EParlune(kBusy);
    Lines(TSide::Right).SetText(text);
    TDocument &doc = fDocs[TSide::Right];
    unwatch(TSide::Right);
    doc.path.clear();
    doc.name = kServerEditor;
    doc.origin = TOrigin::Server;
    doc.stamp = -1;
    textReplaced(TSide::Right);
}

void TSession::textReplaced(TSide side)
{
    SetStatus(kNoStatus);
    emit TextReplaced(side);
    emit TitleChanged(Title());
}

int TSession::FirstLineNotEncodable() const
{
    return Lines(TSide::Right).FirstLineNotEncodable();
}

TTextEncoding TSession::FallbackEncoding() const
{
    return Lines(TSide::Right).FirstLineNotEncodable(TTextEncoding::Utf8Bom) == 0 ? TTextEncoding::Utf8Bom
                                                                                  : TTextEncoding::Utf16LE;
}

void TSession::SaveRight(const QString &path, std::optional<TTextEncoding> encoding)
{
    if (Refuse(TCommand::Save))
        throw EParlune(kBusy);
    TLines &lines = Lines(TSide::Right);
    const TTextEncoding before = lines.Encoding();
    if (encoding)
        lines.SetEncoding(*encoding);
    try {
        lines.SaveToFile(path);
    } catch (...) {
        lines.SetEncoding(before);
        throw;
    }
    fromFile(TSide::Right, path);
    SetLabel(TSide::Right, path);
}

void TSession::Scan()
{
    runPass([this] { return fPass.Run(); });
}

bool TSession::SetRule(const TCompareRule &rule)
{
    if (Refuse(TCommand::Scan))
        return false;
    const bool changed = !(rule == fPass.Rule());
    fPass.SetRule(rule);
    if (changed && Lines(TSide::Left).Count() > 0 && Lines(TSide::Right).Count() > 0)
        Scan();
    return true;
}

void TSession::runPass(const std::function<QString()> &pass)
{
    if (Refuse(TCommand::Scan))
        return;
    fStartLoaded.reset();  // this pass compares whatever the sides hold now
    const QString before = fStatus;
    if (Lines(TSide::Left).Count() > 0 && Lines(TSide::Right).Count() > 0)
        SetStatus(kScanning);
    QString status;
    {
        // Busy on every way out of the pass, and idle again after it.
        fBusy = true;
        fRefusalSaid = false;
        emit BusyChanged(true);
        struct TIdle
        {
            TSession &s;
            ~TIdle()
            {
                s.fBusy = false;
                emit s.BusyChanged(false);
                // Changes on disk seen while the pass ran are reported once
                // the pass has shown its outcome.
                QTimer::singleShot(0, &s, [session = &s] {
                    for (TSide side : kSides)
                        if (std::exchange(session->fDocs[side].pending, false))
                            session->report(side);
                });
            }
        } idle{*this};
        try {
            status = pass();
        } catch (...) {
            SetStatus(before);
            throw;
        }
    }
    SetStatus(status);
    emit PassEnded(status.startsWith(CompareOps::kChangesPrefix));
}

QStringList TSession::Reload()
{
    if (Refuse(TCommand::Reload))
        return {};
    QStringList errors;
    for (TSide side : kSides) {
        const QString path = fDocs[side].path;
        if (path.isEmpty())
            continue;
        try {
            LoadFile(side, path);
            SetLabel(side, path);
        } catch (const EParlune &e) {
            errors << e.message();
        }
    }
    Scan();
    return errors;
}

QStringList TSession::LoadStartFiles(const QString &left, const QString &right)
{
    if (Refuse(TCommand::Load))
        return {};
    // Two different regular files are read at once, the left one on a
    // second thread, so that a large pair reaches the screen in about the
    // time of one file. Their lines are hashed by the pass that follows. Anything else (one pipe named twice, a FIFO) is read
    // left first, as a reader of a stream expects; so is everything when no
    // second thread can be had.
    const TPerSide<QString> paths{QFileInfo(left).absoluteFilePath(), QFileInfo(right).absoluteFilePath()};
    const bool apart = distinctRegularFiles(paths[TSide::Left], paths[TSide::Right]);
    const int leftTabs = Lines(TSide::Left).TabSize();
    std::future<TLines::TPrepared> leftRead =
        std::async(apart ? std::launch::async | std::launch::deferred : std::launch::deferred, [&paths, leftTabs] {
            return TLines::Prepare(ReadTextFile(paths[TSide::Left], leftTabs));
        });
    TPerSide<std::function<TLines::TPrepared()>> read;
    read[TSide::Left] = [&leftRead] { return leftRead.get(); };
    read[TSide::Right] = [this, &paths] {
        return TLines::Prepare(ReadTextFile(paths[TSide::Right], Lines(TSide::Right).TabSize()));
    };
    QStringList errors;
    int loaded = 0;
    for (TSide side : apart ? std::array{TSide::Right, TSide::Left} : std::array{TSide::Left, TSide::Right}) {
        try {
            TLines::TPrepared text = read[side]();
            Lines(side).Assign(std::move(text));
            fromFile(side, paths[side]);
            textReplaced(side);
            SetLabel(side, paths[side]);
            ++loaded;
        } catch (const std::exception &e) {
            errors << QString::fromUtf8(e.what());
        }
    }
    if (apart && errors.size() == 2)
        errors.swapItemsAt(0, 1);  // in the order of the sides
    fStartLoaded = loaded;
    return errors;
}

QStringList TSession::CompareStartFiles()
{
    // A pass that ran meanwhile (or runs now) has taken its place.
    if (!fStartLoaded || fBusy)
        return {};
    const bool both = *fStartLoaded == 2;
    fStartLoaded.reset();
    QStringList errors;
    try {
        runPass([this, both] {
            const QString status =
                both ? StartFiles::CompareWithNothing(fPass, Lines(TSide::Left), Lines(TSide::Right)) : QString();
            return status.isEmpty() ? fPass.Run() : status;
        });
    } catch (const std::exception &e) {
        errors << QString::fromUtf8(e.what());
    }
    return errors;
}

void TSession::fromFile(TSide side, const QString &path)
{
    TDocument &doc = fDocs[side];
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (doc.path != absolute)
        unwatch(side);
    doc.path = absolute;
    doc.name = QFileInfo(absolute).fileName();
    doc.origin = TOrigin::File;
    doc.stamp = diskStamp(absolute);
    if (QFileInfo(absolute).isFile())
        watch(absolute);
    emit TitleChanged(Title());
}

void TSession::TakeDiskState(TSide side)
{
    fDocs[side].stamp = diskStamp(fDocs[side].path);
}

void TSession::watch(const QString &path)
{
    // The folder too: a file deleted and made again, or renamed over (as
    // many editors save), drops out of a file watch, and the folder's
    // change tells that it is back.
    const QString folder = QFileInfo(path).absolutePath();
    if (!fWatcher.directories().contains(folder))
        fWatcher.addPath(folder);
    if (!fWatcher.files().contains(path))
        fWatcher.addPath(path);
}

void TSession::unwatch(TSide side)
{
    const QString &path = fDocs[side].path;
    const QString &other = fDocs[OtherSide(side)].path;
    if (path.isEmpty() || path == other)
        return;
    fWatcher.removePath(path);
    const QString folder = QFileInfo(path).absolutePath();
    if (other.isEmpty() || QFileInfo(other).absolutePath() != folder)
        fWatcher.removePath(folder);
}

void TSession::folderChanged(const QString &folder)
{
    for (TSide side : kSides) {
        const QString &path = fDocs[side].path;
        if (!path.isEmpty() && QFileInfo(path).absolutePath() == folder && QFileInfo(path).isFile()
            && !fWatcher.files().contains(path))
            fileChanged(path);  // back after a delete or a rename: watched again, and looked at
    }
}

void TSession::report(TSide side)
{
    // While a pass runs the question waits for its end: the pass would
    // rewrite the text a reload brings.
    if (fBusy) {
        fDocs[side].pending = true;
        return;
    }
    emit ChangedOnDisk(side);
}

void TSession::fileChanged(const QString &path)
{
    // A save that replaces the file ends the watch on the old one: watch the
    // new one. A change seen already (several signals for one save, or this
    // program's own save) is not reported.
    for (TSide side : kSides) {
        TDocument &doc = fDocs[side];
        if (doc.path != path)
            continue;
        if (QFileInfo(path).isFile())
            watch(path);
        const qint64 now = diskStamp(path);
        if (now == doc.stamp || doc.reporting)
            continue;
        doc.reporting = true;
        QTimer::singleShot(kSettleMs, this, [this, side, path] {
            TDocument &d = fDocs[side];
            d.reporting = false;
            if (d.path == path && diskStamp(path) != d.stamp)
                report(side);
        });
    }
}
