#pragma once
// TTextPane: a line-oriented, monospaced text view over one line list, with
// a gutter of line numbers and mark glyphs, scroll bars, caret, selection,
// editing with undo, clipboard, a context menu, find and highlight.
//
// Only the visible rows are ever laid out or painted, so a pane holding a
// million lines costs what one holding a hundred does.

#include "text/Lines.h"
#include "panes/PaneEditing.h"
#include "panes/PaneSearch.h"
#include "panes/RowEmphasis.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <QScrollBar>
#include <QTimer>
#include <QUndoStack>

class QMenu;
class TGutter;

class TTextPane : public QAbstractScrollArea
{
    Q_OBJECT
public:
    static constexpr int kLineSpacing = 2;
    static constexpr int kGutterWidth = 50;  // the gutter's width unless a line number needs more
    static constexpr int kVScrollWidth = 25;
    static constexpr int kHScrollHeight = 18;
    static constexpr int kUndoLimit = 100;
    static constexpr QRgb kBreakPointColor = 0xFFFF0000;
    static constexpr QRgb kBookmarkColor = 0xFF0000FF;

    explicit TTextPane(QWidget *parent = nullptr);
    // A pane over a line list kept by someone else, who keeps it alive for
    // as long as the pane.
    explicit TTextPane(TLines &lines, QWidget *parent = nullptr);
    ~TTextPane() override;

    TLines &Lines() { return *fLines; }
    const TLines &Lines() const { return *fLines; }

    int TopLine() const { return fTop; }
    void SetTopLine(int value);
    // Scrolls so that the row stands in the middle of the view, as near as
    // the text's ends allow; the caret stays where it is.
    void CentreRow(int row);
    int VisibleLineCount() const;
    QSizeF CellSize() const { return {fCharWidth, fLineHeight}; }
    const QFont &TextFont() const { return fFont; }
    void UpdateMemo();

    bool ReadOnly() const { return fReadOnly; }
    void SetReadOnly(bool on);
    // While locked (a comparison is rewriting the text), every edit is
    // refused as in a read-only pane; scrolling, moving the caret,
    // selecting and copying still work.
    bool EditLocked() const { return fEditLocked; }
    void SetEditLocked(bool on) { fEditLocked = on; }
    int TabSize() const { return fLines->TabSize(); }
    void SetTabSize(int size) { fLines->SetTabSize(size); }
    bool TrimTrailingSpaces() const { return fTrimTrailingSpaces; }
    void SetTrimTrailingSpaces(bool on) { fTrimTrailingSpaces = on; }
    bool NoVScroll() const { return fNoVScroll; }
    void SetNoVScroll(bool on);

    // Caret and selection. Placing the caret in a pane without lines first
    // adds one empty line; the caret never stands beyond the end of a line.
    TTextPos CaretPos() const { return fCaret; }
    void SetCaretPos(TTextPos pos);
    bool HasSelection() const { return fCaret != fAnchor; }
    QString SelectedText() const;
    void Select(TTextPos anchor, TTextPos caret);
    void SelectAll();
    void SelectWord();

    // Editing; each does nothing in a read-only pane.
    void InsertTyped(const QString &text);
    void DeleteSelection();
    void DeleteLine();
    void Cut();
    void Copy() const;
    void Paste();
    void Undo()
    {
        if (mayEdit())
            fUndo.undo();
    }
    void Redo()
    {
        if (mayEdit())
            fUndo.redo();
    }
    bool CanUndo() const { return Writable() && fUndo.canUndo(); }
    bool CanRedo() const { return Writable() && fUndo.canRedo(); }
    bool Writable() const { return !fReadOnly && !fEditLocked; }
    const QUndoStack &UndoStack() const { return fUndo; }

    // Selects the next match and moves the caret to its start; a match out
    // of view is scrolled to the middle of it. Without a match, returns
    // false and leaves the caret where the search began (the selection's
    // end, up: its start), so that the next search, wrapping or not, goes
    // on past the last match instead of finding it again. A search the
    // yield stops changes nothing and sets *stopped.
    bool FindText(const QString &searchStr, const TFindOptions &options, const TSearchYield &yield = {},
                  bool *stopped = nullptr);
    // Highlights every visible occurrence of text until set to "".
    void SetHighlightText(const QString &text);
    QString HighlightText() const { return fHighlight; }

    // Characters to draw with emphasis, filled with fill, and rows to paint
    // with the tint (an invalid colour: none); the text on either is drawn
    // black or white, whichever reads better. nullptr: none.
    void SetRowEmphasis(TRowEmphasis *source, const QColor &fill, const QColor &rowTint = QColor());
    // Actions added at the end of the context menu, a group after the
    // groups added before.
    void AddExtraMenuActions(const QString &group, const QList<QAction *> &actions);
    // Replaces the text between two positions as one undo step, as typing
    // would (nothing in a read-only or locked pane).
    void ReplaceText(TTextPos from, TTextPos to, const QString &text);

    // Clears the marks of rows first .. first + count - 1 as one undo step.
    void ClearMarks(int first, int count);
    // Edits made while one lives are one undo step: the begin and the end
    // of the step always pair up.
    class TEditGroup
    {
    public:
        TEditGroup(TTextPane &pane, const QString &name);
        ~TEditGroup();
        TEditGroup(const TEditGroup &) = delete;
        TEditGroup &operator=(const TEditGroup &) = delete;

    private:
        TTextPane &fPane;
    };

    // Whether the text holds edits since it was loaded or saved (undoing
    // back to that state makes it unmodified again).
    bool IsModified() const { return fModifiedBeforeUndo || !fUndo.isClean(); }
    // The text as it stands is the saved or loaded one.
    void SetUnmodified();

    // The context menu, built afresh with its items enabled as they can act.
    QMenu *CreateContextMenu(QWidget *parent);

    // How far the text is scrolled sideways, in pixels, and scrolling it
    // there (as far as the bar's range allows).
    qreal HorizontalOffset() const { return horizontalScrollBar()->value() * fHStep; }
    void SetHorizontalOffset(qreal pixels);
    // How far the pane's own lines let it scroll sideways (pixels), and a
    // reach the sideways range keeps at least, so that two panes shown side
    // by side can scroll sideways as one.
    qreal OwnScrollReach() const { return fOwnReach; }
    void SetMinimumScrollReach(qreal pixels);
    // Where column 0 stands in the text area (negative once scrolled).
    qreal TextLeft() const { return kTextMargin - horizontalScrollBar()->value() * fHStep; }
    // kGutterWidth, or wider when the largest line number would not fit
    // beside the mark glyphs.
    int GutterWidth() const { return fGutterWidth; }

signals:
    // The first visible line changed through the vertical scroll bar (drag,
    // click or wheel); never for TopLine writes, caret following or edits.
    void OnScroll(TTextPane *sender);
    // The first visible line changed, for whatever reason: the bar, the
    // wheel, a TopLine write, the caret being followed, lines changing.
    void TopLineChanged(TTextPane *sender);
    // The text was scrolled sideways, for whatever reason.
    void HorizontalScrolled(TTextPane *sender);
    // OwnScrollReach changed (a longer or shorter longest line, a resize).
    void OwnScrollReachChanged(TTextPane *sender);
    void ModifiedChanged(bool modified);
    // The caret was placed (a key, a click, a find, an edit, SetCaretPos).
    void CaretMoved();
    // An edit was refused because the pane is locked (not read-only).
    void EditRefused();
    void OnDragOver(QDragMoveEvent *event);
    void OnDragDrop(QDropEvent *event);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    friend class TGutter;
    static constexpr int kTextMargin = 3;
    // Past this many pixels of line the horizontal bar counts characters.
    static constexpr double kMaxBarPixels = double(1 << 30);

    // Whether an edit may go ahead; tells of a refusal of a locked pane.
    bool mayEdit();
    void updateMetrics();
    void updateScrollBars();
    void layoutGutter();
    void fitGutter();
    void onVerticalBar(int value);
    void ensureCaretVisible();
    void setTopQuietly(int top);
    void reportTop();
    void placeCaret(TTextPos pos, bool keepAnchor);
    TTextPos clamp(TTextPos pos) const;
    TTextPos posAt(QPoint viewportPoint) const;
    void edit(TTextPos from, TTextPos to, const QString &text, TEditCommand::TKind kind);
    void moveCaret(QKeyEvent *event);
    void handleKey(QKeyEvent *event);
    void paintRow(QPainter &p, int row, int y);
    void paintGutter(QPainter &p, const QRect &area);
    std::pair<TTextPos, TTextPos> selection() const;
    void onModelChanged();
    void onModelReset();
    void onLinesInserted(int index, int count);
    void onLinesRemoved(int index, int count);
    void reportModified();

    TLines *fLines;
    TGutter *fGutter;
    QUndoStack fUndo;
    QFont fFont;
    qreal fCharWidth = 8;
    qreal fLineHeight = 16;
    qreal fAscent = 12;
    int fTop = 0;
    int fGutterWidth = kGutterWidth;
    qreal fHStep = 1;  // pixels per step of the horizontal bar
    int fReportedTop = 0;  // the first line TopLineChanged last told of
    qreal fOwnReach = 0;
    qreal fMinReach = 0;
    QPoint fWheelRest;  // wheel turn not yet scrolled, in eighths of a degree times rows per notch
    TTextPos fCaret;
    TTextPos fAnchor;
    int fDesiredCol = -1;  // column kept over up/down moves
    bool fReadOnly = false;
    bool fEditLocked = false;
    bool fTrimTrailingSpaces = true;
    bool fNoVScroll = false;
    bool fOwnEdit = false;  // the model changes through this pane's own edit
    bool fCaretShown = true;
    QTimer fBlink;
    QString fHighlight;
    TRowEmphasis *fEmphasis = nullptr;
    QColor fEmphasisFill;
    QColor fEmphasisText;
    QColor fRowTint;
    QList<std::pair<QString, QList<QAction *>>> fExtraMenu;
    bool fModifiedBeforeUndo = false;  // edits older than the undo history
    bool fReportedModified = false;
};
