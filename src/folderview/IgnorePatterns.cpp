#include "folderview/IgnorePatterns.h"

#include "folders/FolderCompare.h"

#include <QFile>
#include <QRegularExpression>
#include <QSettings>

namespace FolderView::IgnorePatterns {

namespace {
const QString kKey = QStringLiteral("Folders/Ignore");
}

QByteArrayList Parse(const QString &line)
{
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    QByteArrayList patterns;
    for (const QString &p : line.split(separators, Qt::SkipEmptyParts))
        patterns << QFile::encodeName(p);
    return patterns;
}

QString Line(const QByteArrayList &patterns)
{
    QStringList words;
    for (const QByteArray &p : patterns)
        words << QFile::decodeName(p);
    return words.join(QStringLiteral(", "));
}

QByteArrayList Load()
{
    QSettings settings;
    if (!settings.contains(kKey))
        return Folders::TOptions{}.ignore;
    return Parse(settings.value(kKey).toString());
}

void Save(const QByteArrayList &patterns)
{
    QSettings settings;
    settings.setValue(kKey, Line(patterns));
}

} // namespace FolderView::IgnorePatterns
