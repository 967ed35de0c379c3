#pragma once
// Where each pane's text came from: a file (watched for changes on disk,
// reloaded with F5) or the file server's editor. Also gives the window its
// title from the two names.

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

class QAction;
class TMainForm;

class TPaneSources : public QObject
{
    Q_OBJECT
public:
    static inline const QString kAppName = QStringLiteral("Parlune");
    static inline const QString kServerEditor = QStringLiteral("Quorvel Editor");
    static inline const QString kChangedTitle = QStringLiteral("File Changed on Disk");

    explicit TPaneSources(TMainForm &form);

    QAction *ReloadAction;  // F5

    // Pane 0 is the left pane, 1 the right one.
    void FromFile(int pane, const QString &path);
    void FromServerEditor();
    QString Path(int pane) const { return fPath[pane]; }
    // "LEFT ↔ RIGHT — Parlune" from the file names, or "Parlune" while
    // no pane holds a file or the editor's text.
    QString Title() const;

    // Loads every pane that came from a file again, then compares; a file
    // that cannot be read is reported, the other is still loaded.
    void ReloadAll();

private:
    void fileChanged(const QString &path);
    void ask(int pane);
    void watch(const QString &path);
    void showTitle();

    TMainForm &fForm;
    QFileSystemWatcher fWatcher;
    QString fPath[2];
    QString fName[2];
    bool fAsking[2] = {false, false};
    qint64 fSeen[2] = {0, 0};  // the modification time (ms) last loaded, saved or asked about
};
