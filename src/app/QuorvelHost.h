#pragma once
// The session as the file-server loader sees it: the editor's text goes to
// the right side, the selected file to the left, labels and status to the
// session, and the loader's notices to the message dialog.

#include "quorvel/QuorvelLoader.h"

class TSession;

class TQuorvelHost : public QuorvelLoader::THost
{
public:
    explicit TQuorvelHost(TSession &session) : fSession(session) {}
    void SetRightText(const QString &text) override;
    void SetFileLabel(int pane, const QString &value) override;
    void LoadLeftFile(const QString &path) override;
    void SetStatus(const QString &text) override;
    void Compare() override;
    void ShowStyledMessage(const QString &title, const QString &body, int kind) override;

private:
    TSession &fSession;
};
