#include "app/QuorvelHost.h"

#include "dialogs/MessageDialog.h"
#include "session/Session.h"

void TQuorvelHost::SetRightText(const QString &text)
{
    fSession.SetServerText(text);
}

void TQuorvelHost::SetFileLabel(int pane, const QString &value)
{
    fSession.SetLabel(pane == 0 ? TSide::Left : TSide::Right, value);
}

void TQuorvelHost::LoadLeftFile(const QString &path)
{
    fSession.LoadFile(TSide::Left, path);
}

void TQuorvelHost::SetStatus(const QString &text)
{
    fSession.SetStatus(text);
}

void TQuorvelHost::Compare()
{
    if (fCompare == TCompare::Later)
        fCompareDue = true;
    else
        fSession.Scan();
}

void TQuorvelHost::ShowStyledMessage(const QString &title, const QString &body, int kind)
{
    ::ShowStyledMessage(title, body, kind);
}
