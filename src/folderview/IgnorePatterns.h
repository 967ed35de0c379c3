#pragma once
// The names a folder comparison leaves out, as the user edits them in one
// line ("*.o, .git build") and as QSettings remembers them between runs.

#include <QByteArrayList>
#include <QString>

namespace FolderView::IgnorePatterns {

// The patterns in a line: separated by commas or blanks, empty ones dropped.
QByteArrayList Parse(const QString &line);
// The line that Parse reads back as the same patterns.
QString Line(const QByteArrayList &patterns);

// The remembered patterns; .git, .hg and .svn until the user changes them.
QByteArrayList Load();
void Save(const QByteArrayList &patterns);

} // namespace FolderView::IgnorePatterns
