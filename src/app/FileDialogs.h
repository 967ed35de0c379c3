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
    // The full path chosen, or "" when the dialog was cancelled.
    virtual QString ChooseFileToOpen(const QString &description, const QString &extension) = 0;
    virtual QString ChooseFileToSave() = 0;
};

// The toolkit's file dialogs, resizable, without a read-only box; the open
// dialog accepts a name of a file that does not exist, the save dialog
// replaces a file without asking.
class TDialogFileChooser : public TFileChooser
{
public:
    explicit TDialogFileChooser(QWidget *parent) : fParent(parent) {}
    QString ChooseFileToOpen(const QString &description, const QString &extension) override;
    QString ChooseFileToSave() override;

private:
    QWidget *fParent;
};
