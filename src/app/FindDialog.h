#pragma once
// The find command: a dialog built afresh at every Ctrl+F from a state that
// lasts the whole run (search text, options, history). It searches the
// pane it was given, towards the end ("Find", "Down") or the start ("Up",
// "Previous"), going on from the other end when "Wrap at the end of file" is
// checked. A search that finds nothing says so inside the dialog.

#include "panes/PaneSearch.h"

#include <QDialog>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class TTextPane;

struct TFindState
{
    QString text;
    bool caseSensitive = false;
    bool expression = false;
    bool closeIfFound = false;
    bool wholeWord = false;
    bool wrap = false;
    bool up = false;
    QStringList history;

    // The options of the last search, in the given direction (F3, Shift+F3).
    TFindOptions Options(bool searchUp) const
    {
        return {.caseSensitive = caseSensitive,
                .regularExpression = expression,
                .wholeWord = wholeWord,
                .up = searchUp,
                .wrap = wrap};
    }
};

class TFindDialog : public QDialog
{
    Q_OBJECT
public:
    TFindDialog(TTextPane *pane, TFindState &state, QWidget *parent = nullptr);

    QComboBox *FindWhat;
    QCheckBox *CaseSensitive;
    QCheckBox *Expression;
    QCheckBox *CloseIfFound;
    QCheckBox *WholeWord;
    QCheckBox *Wrap;
    QRadioButton *Up;
    QRadioButton *Down;
    QPushButton *FindButton;
    QPushButton *PreviousButton;
    QPushButton *CloseButton;
    QLabel *NotFound;  // what a search came to when it found nothing; "Searching..." while one runs
    static inline const QString kSearching = QStringLiteral("Searching... (Esc cancels)");
    static inline const QString kNotFound = QStringLiteral("Not found");
    static inline const QString kStopped = QStringLiteral("Search stopped");
    bool Searching() const { return fSearching; }

    void FindClick();
    void PreviousClick();
    // Escape stops a running search; otherwise it closes the dialog.
    void reject() override;

protected:
    void done(int result) override;  // keeps the state on every way of closing

private:
    TFindOptions options(bool up) const;
    void updateButtons();
    void search(bool up);

    TTextPane *fPane;
    TFindState &fState;
    bool fSearching = false;
    bool fStop = false;        // asked to stop the running search
    bool fCloseAfter = false;  // Close was pressed during a search
};
