#pragma once
// Shared pieces of the window tests: file dialogs answered from a script,
// and whole-file reads and writes.

#include "app/FileDialogs.h"
#include "app/MainForm.h"

#include <QFile>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>
#include <utility>

// Start-up compares once the window has painted: waits for that (and
// fails the calling test when it does not come).
inline bool waitForStartUp(TMainForm &form)
{
    QSignalSpy done(&form, &TMainForm::StartUpDone);
    form.show();
    return done.wait(20000);
}

// Answers the file dialogs from a queue; an empty answer is a cancel.
class TScriptedChooser : public TFileChooser
{
public:
    QStringList answers;
    QStringList currents;  // the current file each dialog was given
    QString ChooseFileToOpen(const QString &, const QString &, const QString &current) override
    {
        currents << current;
        return next();
    }
    QString ChooseFileToSave(const QString &current) override
    {
        currents << current;
        return next();
    }

private:
    QString next() { return answers.isEmpty() ? QString() : answers.takeFirst(); }
};

inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

// Two texts of n lines with no line in common: the engine takes many steps
// over them, and yields.
inline std::pair<QByteArray, QByteArray> differentTexts(int n)
{
    QByteArray l, r;
    for (int i = 0; i < n; ++i) {
        l += "left line " + QByteArray::number(i) + '\n';
        r += "right line " + QByteArray::number(i * 7) + '\n';
    }
    return {l, r};
}
