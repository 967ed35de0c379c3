#include "app/FolderStart.h"

#include "app/FileWindow.h"
#include "app/RuleOptions.h"
#include "folderview/FolderWindow.h"

#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FolderStart {

namespace {

// Keeps a file open for as long as the window that reads it through
// /proc/self/fd lives.
class TOpenFile : public QObject
{
public:
    TOpenFile(int fd, QObject *owner) : QObject(owner), fFd(fd) {}
    ~TOpenFile() override { ::close(fFd); }

private:
    const int fFd;
};

// A path the file window can take as a QString. A name that is not UTF-8
// does not survive the trip through a QString: it is opened here (never
// following a link, never anything but a regular file) and passed as the
// open file's name under /proc/self/fd. Returns -1 as fd when no file was opened.
QString loadablePath(const QByteArray &path, int *fd)
{
    *fd = -1;
    const QString name = QFile::decodeName(path);
    if (QFile::encodeName(name) == path)
        return name;
    const int f = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    struct stat st;
    if (f < 0 || ::fstat(f, &st) != 0 || !S_ISREG(st.st_mode)) {
        if (f >= 0)
            ::close(f);
        return name;  // the file window reports that it cannot read it
    }
    *fd = f;
    return QStringLiteral("/proc/self/fd/%1").arg(f);
}

} // namespace

bool AreFolders(const QString &left, const QString &right)
{
    return QFileInfo(left).isDir() && QFileInfo(right).isDir();
}

QWidget *OpenPairWindow(const QByteArray &left, const QByteArray &right)
{
    TPerSide<QString> paths, labels;
    TPerSide<QObject *> owned{};
    for (TSide side : kSides) {
        const QByteArray &path = side == TSide::Left ? left : right;
        int fd = -1;
        paths[side] = loadablePath(path, &fd);
        if (fd >= 0) {
            owned[side] = new TOpenFile(fd, nullptr);
            labels[side] = QString::fromUtf8(path);
        }
    }
    return OpenFileWindow(paths, labels, owned);
}

FolderView::TFolderWindow *MakeFolderWindow(const QString &left, const QString &right)
{
    const auto root = [](const QString &path) { return QFile::encodeName(QFileInfo(path).canonicalFilePath()); };
    // The folder window compares as the file windows do, and its items for
    // the rule are the file windows' own (they share the saved settings).
    auto *window = new FolderView::TFolderWindow(root(left), root(right), TRuleOptions::Saved());
    window->SetPairOpener(&OpenPairWindow);
    auto *options = new TRuleOptions(window->ComparisonMenu(), window);
    QObject::connect(options, &TRuleOptions::RuleChanged, window, &FolderView::TFolderWindow::SetRule);
    return window;
}

} // namespace FolderStart
