#include "quorvel/QuorvelLoader.h"

#include "text/Errors.h"
#include "text/FileSource.h"
#include "quorvel/Quorvel_TLB.h"

#include <QDir>
#include <optional>

namespace QuorvelLoader {

namespace {

using Quorvel_TLB::IQuorvelx;

// Obtains a server object; when none can be had, says so in the status bar
// and gives nothing, which stops the operation.
std::unique_ptr<IQuorvelx> obtain(THost &host)
{
    try {
        return Quorvel_TLB::CoQuorvelx::Create();
    } catch (const std::exception &) {
        host.SetStatus(kMissingServer);
        return nullptr;
    }
}

void takeEditorText(THost &host, IQuorvelx &server)
{
    host.SetRightText(server.GetEditorText());
    const QString name = server.GetEditorFileName();
    host.SetFileLabel(1, name.isEmpty() ? kFromEditor : name);
}

// Loads the selected file when its path names a regular file. An empty
// path, or one where no regular file is (nothing, a folder, a FIFO, a
// device, or a relative path, which names nothing certain), changes
// nothing. The file is opened without blocking and checked by what was
// opened, so a path that changes meanwhile cannot hang the window.
// Returns whether it loaded.
bool loadSelected(THost &host, const QString &path)
{
    if (path.isEmpty() || QDir::isRelativePath(path) || IsExistingNonRegular(NativePath(path)))
        return false;
    try {
        host.LoadLeftFile(path);
    } catch (const ENotAFile &) {
        return false;
    }
    host.SetFileLabel(0, path);
    return true;
}

// Takes the selected file; guarded, an error of the server (one too old to
// know the call) shows "Feature Not Supported" and stops the operation.
// Returns nullopt when stopped, else whether a file was loaded.
std::optional<bool> takeSelectedGuarded(THost &host, IQuorvelx &server)
{
    QString path;
    try {
        path = server.GetSelectedFileName();
    } catch (const std::exception &) {
        host.ShowStyledMessage(kNotSupportedTitle, kNotSupportedBody, 0);
        return std::nullopt;
    }
    return loadSelected(host, path);
}

} // namespace

void Load(THost &host, int mode)
{
    const Quorvel_TLB::TOperationDeadline deadline;
    switch (mode) {
    case 1: {
        const auto server = obtain(host);
        if (!server || !takeSelectedGuarded(host, *server))
            return;
        host.Compare();
        return;
    }
    case 2: {
        const auto server = obtain(host);
        if (!server)
            return;
        takeEditorText(host, *server);
        host.Compare();
        return;
    }
    case 3: {
        if (Quorvel_TLB::ServerRunning()) {
            const auto server = Quorvel_TLB::GetActiveObject();
            takeEditorText(host, *server);
            if (loadSelected(host, server->GetSelectedFileName()))
                host.Compare();
            return;
        }
        auto server = obtain(host);
        if (!server)
            return;
        takeEditorText(host, *server);
        server = obtain(host);  // a second, fresh object
        if (!server)
            return;
        const std::optional<bool> loaded = takeSelectedGuarded(host, *server);
        if (loaded && *loaded)
            host.Compare();
        return;
    }
    case 4: {
        const auto server = obtain(host);
        if (!server)
            return;
        host.SetRightText(server->GetEditorText());
        host.SetFileLabel(1, kMergeLabel);
        loadSelected(host, server->GetSelectedFileName());
        host.Compare();
        return;
    }
    default:
        return;
    }
}

int ModeOfSwitch(const QString &argument)
{
    QString upper = argument;
    for (QChar &c : upper)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 0x20);
    static const QString switches[] = {QStringLiteral("/L"), QStringLiteral("/R"), QStringLiteral("/B"),
                                       QStringLiteral("/M")};
    for (int i = 0; i < 4; ++i)
        if (upper == switches[i])
            return i + 1;
    return 0;
}

} // namespace QuorvelLoader
