#pragma once
// TSession: what the window shows, without widgets. It owns the two texts
// (their line lists, where each came from, its file's name and the stamp
// that tells of changes on disk), the comparison pass and the busy state,
// and carries out loading, saving, reloading and scanning. The window lays
// out controls, asks the session, and mirrors its signals.
//
// The busy state is one rule in one place: while a pass runs, every command
// that changes a text or starts another pass is refused (Refuse), since the
// pass rewrites both texts when it ends and would throw away what was done
// meanwhile.

#include "compare/CompareOps.h"
#include "session/Side.h"
#include "text/Lines.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

enum class TOrigin { None, File, Server };

// The commands the busy state rules on.
enum class TCommand { Scan, Reload, CopyAcross, Load, Save, Edit };

class TSession : public QObject
{
    Q_OBJECT
public:
    static inline const QString kAppName = QStringLiteral("Parlune");
    static inline const QString kServerEditor = QStringLiteral("Quorvel Editor");
    static inline const QString kScanning = QStringLiteral("Scanning... (Esc cancels)");
    static inline const QString kNoStatus = QStringLiteral("---");
    static inline const QString kBusy =
        QStringLiteral("A scan is running: this waits for its end (Esc cancels the scan)");

    explicit TSession(QObject *parent = nullptr);
    ~TSession() override;

    TLines &Lines(TSide side) { return *fDocs[side].lines; }
    const TLines &Lines(TSide side) const { return *fDocs[side].lines; }
    // The absolute path of the side's file; "" when its text came from
    // elsewhere or from nowhere.
    QString Path(TSide side) const { return fDocs[side].path; }
    TOrigin Origin(TSide side) const { return fDocs[side].origin; }
    // The file's name, "Quorvel Editor" for the server's text, "" for none.
    QString Name(TSide side) const { return fDocs[side].name; }
    // Whether the side's text holds edits since it was loaded or saved; the
    // pane that edits it tells.
    bool Modified(TSide side) const { return fDocs[side].modified; }
    void SetModified(TSide side, bool modified);
    // "LEFT ↔ RIGHT — Parlune" from the two names, or "Parlune" while
    // neither side holds a file or the editor's text; "*" first while the
    // right text holds unsaved edits.
    QString Title() const;
    QString Status() const { return fStatus; }
    // Each side's encoding and line break: "UTF-8 · LF | UTF-16 LE · CR LF"
    // ("–" for a side without text).
    QString Formats() const;
    void SetStatus(const QString &text);

    // The engine lets the window run between its steps through this.
    void SetYield(TDiff::TYield yield) { fPass.SetYield(std::move(yield)); }
    CompareOps::TComparePass &Pass() { return fPass; }

    bool Busy() const { return fBusy; }
    // True while the command may not run. The first refusal of a pass says
    // why (Said), later ones stay quiet.
    bool Refuse(TCommand command);

    // Replaces the side's text by the file's (EParlune on error: the text
    // stays as it was). Refused while busy, with an error that names the file.
    void LoadFile(TSide side, const QString &path);
    // The right side takes the file server's editor text.
    void SetServerText(const QString &text);
    // Sets the value shown after "File: " above a side.
    void SetLabel(TSide side, const QString &value);
    QString Label(TSide side) const { return fDocs[side].label; }

    // The number of the first line of the right text that its encoding
    // cannot hold, or 0.
    int FirstLineNotEncodable() const;
    // An encoding that holds every character of the right text: UTF-8 with
    // its byte-order mark, else UTF-16 LE (which keeps even lone surrogates).
    TTextEncoding FallbackEncoding() const;
    // Writes the right text to path (with the given encoding when one is
    // named), and from then on the right side stands for that file.
    void SaveRight(const QString &path, std::optional<TTextEncoding> encoding = std::nullopt);

    // "Scan Difference": the whole pass; the status tells the outcome.
    void Scan();
    // What counts as a difference from the next pass on; refused (false)
    // while a pass runs. When both sides hold text, compares again.
    bool SetRule(const TCompareRule &rule);
    const TCompareRule &Rule() const { return fPass.Rule(); }
    // Ends a running pass at its next step.
    void Cancel() { fPass.Cancel(); }
    // Loads every side that came from a file again, then scans. Returns
    // the errors of the files that could not be read (the others load).
    QStringList Reload();
    // Loads the two files named at start-up; returns the errors. Their
    // comparison waits for CompareStartFiles, so that a window can show
    // both texts before the pass begins.
    QStringList LoadStartFiles(const QString &left, const QString &right);
    // Compares the files LoadStartFiles loaded, a file without text standing
    // for no lines; returns the errors. Does nothing when no start-up
    // comparison is due (or it already ran).
    QStringList CompareStartFiles();
    // The modification stamp of the side's file is taken as seen, so that a
    // change already known is not reported again.
    void TakeDiskState(TSide side);

signals:
    void BusyChanged(bool busy);
    // Why a command did nothing.
    void Said(const QString &text);
    void StatusChanged(const QString &text);
    void LabelChanged(TSide side, const QString &value);
    void TitleChanged(const QString &title);
    // A side's text was replaced by a load: what described the old texts
    // (status, overview, marks) is void.
    void TextReplaced(TSide side);
    // A pass ended; rebuilt: it set the rows and their marks anew.
    void PassEnded(bool rebuilt);
    // The side's file changed on disk since it was loaded, saved or asked about.
    void ChangedOnDisk(TSide side);

private:
    struct TDocument
    {
        TLines *lines = nullptr;  // owned as a child
        QString path;
        QString name;
        QString label;
        TOrigin origin = TOrigin::None;
        qint64 stamp = -1;
        bool reporting = false;  // a change is about to be reported
        bool pending = false;    // a change seen during a pass, reported after it
        bool modified = false;
    };

    static TPerSide<TDocument> documents(QObject *owner);
    void fromFile(TSide side, const QString &path);
    void fileChanged(const QString &path);
    void folderChanged(const QString &folder);
    void report(TSide side);
    void watch(const QString &path);
    void unwatch(TSide side);
    void textReplaced(TSide side);
    void runPass(const std::function<QString()> &pass);

    TPerSide<TDocument> fDocs;
    CompareOps::TComparePass fPass;
    QFileSystemWatcher fWatcher;
    QString fStatus = kNoStatus;
    bool fBusy = false;
    bool fRefusalSaid = false;
    std::optional<int> fStartLoaded;  // files loaded at start-up, not yet compared
};
