#pragma once
// Loading texts from Quorvel: the editor's text into the right pane and/or
// the file selected in Quorvel into the left pane, then the comparison.
//
//   mode 1  selected file left                 ("Load Selected File", /L)
//   mode 2  editor text right                  ("Quorvel Editor", /R)
//   mode 3  both, a running Quorvel preferred  (/B)
//   mode 4  both, right label "Parlune"        (/M)

#include <QString>

namespace QuorvelLoader {

inline const QString kMissingServer =
    QStringLiteral("This Feature Requires Quorvel to be Installed") + QStringLiteral(" Ver. 4.1.0.7+");
inline const QString kNotSupportedTitle = QStringLiteral("Feature Not Supported");
inline const QString kNotSupportedBody = QStringLiteral("Requires Quorvel Version  4.1.0.7+");
inline const QString kFromEditor = QStringLiteral("From Quorvel Editor");
inline const QString kMergeLabel = QStringLiteral("Parlune");

// What the loader does to the window.
class THost
{
public:
    virtual ~THost() = default;
    virtual void SetRightText(const QString &text) = 0;
    virtual void SetFileLabel(int pane, const QString &value) = 0;  // 0 left, 1 right
    virtual void LoadLeftFile(const QString &path) = 0;
    virtual void SetStatus(const QString &text) = 0;
    virtual void Compare() = 0;
    virtual void ShowStyledMessage(const QString &title, const QString &body, int kind) = 0;
};

// Runs one mode. Errors that the mode does not handle itself end it and
// are raised (EParlune) for the general error handling.
void Load(THost &host, int mode);

// The mode a first command-line argument asks for ("/L", "/R", "/B", "/M"
// in any letter case, whole), or 0.
int ModeOfSwitch(const QString &argument);

} // namespace QuorvelLoader
