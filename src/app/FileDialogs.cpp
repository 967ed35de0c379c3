#include "app/FileDialogs.h"

#include <QDir>
#include <QFileDialog>

QString OpenFilter(const QString &description, const QString &extension)
{
    QString ext = extension;
    if (ext.startsWith(u'.'))
        ext.remove(0, 1);
    return description + QStringLiteral(" Files (*.") + ext + QStringLiteral(")|*.") + ext
         + QStringLiteral("|All Files (*.*)|*.*");
}

QString ToolkitFilter(const QString &pairs)
{
    const QStringList parts = pairs.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString text = parts[i];
        QString pattern = parts[i + 1];
        // "*.*" means every file, but here it would skip names without a dot.
        if (pattern == QStringLiteral("*.*")) {
            text.replace(QStringLiteral("(*.*)"), QStringLiteral("(*)"));
            pattern = QStringLiteral("*");
        }
        // The toolkit reads the patterns from the text's last parentheses.
        filters << (text.endsWith(QStringLiteral("(") + pattern + QStringLiteral(")"))
                        ? text
                        : text + QStringLiteral(" (") + pattern + QStringLiteral(")"));
    }
    return filters.join(QStringLiteral(";;"));
}

QString FileLabelText(const QString &path)
{
    QString spaced = path;
    spaced.replace(QDir::separator(), QString(QDir::separator()) + u' ');
    return QStringLiteral("File: ") + spaced;
}

QString DialogStartFolder(const QString &current, const QString &last)
{
    if (!current.isEmpty()) {
        const QFileInfo info(current);
        if (info.dir().exists())
            return info.absolutePath();
    }
    return last;
}

namespace {

// Room for the name, size, type and date columns.
constexpr QSize kDialogSize(820, 520);

} // namespace

QString TDialogFileChooser::startFolder(const QString &current) const
{
    return DialogStartFolder(current, fLastFolder);
}

QString TDialogFileChooser::chosen(const QString &path)
{
    const QString full = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
    fLastFolder = QFileInfo(full).absolutePath();
    return full;
}

QString TDialogFileChooser::ChooseFileToOpen(const QString &description, const QString &extension, const QString &current)
{
    QFileDialog dialog(fParent);
    dialog.resize(kDialogSize);
    if (const QString folder = startFolder(current); !folder.isEmpty())
        dialog.setDirectory(folder);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);  // a typed name need not exist
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    const QString filter = ToolkitFilter(OpenFilter(description, extension));
    dialog.setNameFilter(filter);
    dialog.selectNameFilter(filter.section(QStringLiteral(";;"), 0, 0));
    // A wildcard is no extension to add to a typed name: only a real one is.
    QString ext = extension.startsWith(u'.') ? extension.mid(1) : extension;
    if (!ext.contains(u'*') && !ext.contains(u'?'))
        dialog.setDefaultSuffix(ext);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return chosen(dialog.selectedFiles().constFirst());
}

QString TDialogFileChooser::ChooseFileToSave(const QString &current)
{
    QFileDialog dialog(fParent, QStringLiteral("Save File"));
    dialog.resize(kDialogSize);
    if (const QString folder = startFolder(current); !folder.isEmpty())
        dialog.setDirectory(folder);
    if (!current.isEmpty())
        dialog.selectFile(QFileInfo(current).fileName());
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setNameFilter(ToolkitFilter(QStringLiteral("All Files (*.*)|*.*")));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return chosen(dialog.selectedFiles().constFirst());
}
