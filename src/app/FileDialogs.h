#pragma once
// Choosing files to open and to save, behind an interface so that tests can
// answer in place of a person.

#include <QString>

class QWidget;

// The filter of the open dialog: pairs of display text and pattern joined
// by "|", e.g. "*.* Files (*.*)|*.*|All Files (*.*)|*.*".
QString OpenFilter(const QString &description, const QString &extension);
// The same filter in the toolkit's form ("text (patterns);;...").
QString ToolkitFilter(const QString &pairs);
// "File: " and the path, with a blank after every path separator so that a
// long path wraps at folder boundaries.
QString FileLabelText(const QString &path);

class TFileChooser
{
public:
    virtual ~TFileChooser() = default;
    // The full path chosen, or "" when the dialog was cancelled. `current`
    // is the pane's file ("" when it has none): the dialog starts in its
    // folder, and Save As proposes its name.
    virtual QString ChooseFileToOpen(const QString &description, const QString &extension, const QString &current) = 0;
    virtual QString ChooseFileToSave(const QString &current) = 0;
};

// The toolkit's file dialogs, resizable, wide enough for their columns,
// without a read-only box; the open dialog accepts a name of a file that
// does not exist, the save dialog replaces a file without asking. Without
// a current file a dialog starts in the folder of the last file chosen.
class TDialogFileChooser : public TFileChooser
{
public:
    explicit TDialogFileChooser(QWidget *parent) : fParent(parent) {}
    QString ChooseFileToOpen(const QString &description, const QString &extension, const QString &current) override;
    QString ChooseFileToSave(const QString &current) override;

private:
    QString startFolder(const QString &current) const;
    QString chosen(const QString &path);

    QWidget *fParent;
    QString fLastFolder;
};

// The folder a file dialog starts in: that of `current`, else `last`
// (either may be ""; "" leaves the toolkit's choice, the working folder).
QString DialogStartFolder(const QString &current, const QString &last);
