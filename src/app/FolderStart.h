#pragma once
// Two folders on the command line open a folder window instead of the file
// window; a pair of files opened from it opens in a file window of its own.

#include <QByteArray>
#include <QString>

class QWidget;
namespace FolderView {
class TFolderWindow;
}

namespace FolderStart {

// Whether both paths name folders (a named link to a folder counts: the
// user chose it).
bool AreFolders(const QString &left, const QString &right);

// A file window comparing two files given by the system's bytes of their
// paths; it deletes itself when closed. A name that a QString cannot carry
// (not UTF-8) is opened by its bytes and handed over as the open file.
QWidget *OpenPairWindow(const QByteArray &left, const QByteArray &right);

// The folder window on two folders, its pairs opening in file windows.
FolderView::TFolderWindow *MakeFolderWindow(const QString &left, const QString &right);

} // namespace FolderStart
