#pragma once
// The session as the file-server loader sees it: the editor's text goes to
// the right side, the selected file to the left, labels and status to the
// session, and the loader's notices to the message dialog.

#include "quorvel/QuorvelLoader.h"

class TSession;

class TQuorvelHost : public QuorvelLoader::THost
{
public:
    // Later: the comparison a mode ends with is only noted (CompareDue), for
    // start-up, where the window shows the texts before the pass runs.
    enum class TCompare { Now, Later };
    explicit TQuorvelHost(TSession &session, TCompare compare = TCompare::Now) : fSession(session), fCompare(compare) {}
    void SetRightText(const QString &text) override;
    void SetFileLabel(int pane, const QString &value) override;
    void LoadLeftFile(const QString &path) override;
    void SetStatus(const QString &text) override;
    void Compare() override;
    void ShowStyledMessage(const QString &title, const QString &body, int kind) override;
    bool CompareDue() const { return fCompareDue; }

private:
    TSession &fSession;
    TCompare fCompare;
    bool fCompareDue = false;
};
