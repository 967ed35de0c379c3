// The pane's editing: edits as undo steps, clipboard, find, the context
// menu and the keyboard.
#include "panes/TextPane.h"
#include "panes/TextPaneParts.h"

#include "platform/Guarded.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMenu>
#include <QScopedValueRollback>
#include <memory>

bool TTextPane::mayEdit()
{
    if (Writable())
        return true;
    if (!fReadOnly)
        emit EditRefused();
    return false;
}

void TTextPane::edit(TTextPos from, TTextPos to, const QString &text, TEditCommand::TKind kind)
{
    if (!mayEdit())
        return;
    if (fLines->Count() == 0)
        placeCaret({0, 0}, false);
    auto apply = [this](const std::function<void()> &change, const TEditCommand::TCaret &caret) {
        {
            const QScopedValueRollback ownEdit(fOwnEdit, true);
            change();
        }
        fAnchor = clamp(caret.anchor);
        fCaret = clamp(caret.caret);
        fDesiredCol = -1;
        updateScrollBars();
        ensureCaretVisible();
        UpdateMemo();
        emit CaretMoved();
    };
    fUndo.push(new TEditCommand(*fLines, clamp(from), clamp(to), text, kind, {fCaret, fAnchor}, apply));
}

void TTextPane::ReplaceText(TTextPos from, TTextPos to, const QString &text)
{
    edit(from, to, NormalizeText(text, TabSize()), TEditCommand::TKind::Other);
}

void TTextPane::SetRowEmphasis(TRowEmphasis *source, const QColor &fill, const QColor &rowTint)
{
    fEmphasis = source;
    fEmphasisFill = fill;
    fEmphasisText = ReadableOn(fill);
    fRowTint = rowTint;
    viewport()->update();
}

void TTextPane::AddExtraMenuActions(const QString &group, const QList<QAction *> &actions)
{
    fExtraMenu.append({group, actions});
}

void TTextPane::ClearMarks(int first, int count)
{
    if (!mayEdit())
        return;
    std::vector<TRowInfo> after = fLines->RowInfos(first, count);
    for (TRowInfo &info : after)
        info.marks = 0;
    fUndo.push(new TRowsCommand(*fLines, first, std::move(after)));
}

TTextPane::TEditGroup::TEditGroup(TTextPane &pane, const QString &name) : fPane(pane)
{
    fPane.fUndo.beginMacro(name);
}

TTextPane::TEditGroup::~TEditGroup()
{
    fPane.fUndo.endMacro();
}

void TTextPane::SetUnmodified()
{
    fModifiedBeforeUndo = false;
    fUndo.setClean();
    reportModified();
}

void TTextPane::reportModified()
{
    const bool modified = IsModified();
    if (modified == fReportedModified)
        return;
    fReportedModified = modified;
    emit ModifiedChanged(modified);
}

void TTextPane::InsertTyped(const QString &text)
{
    const QString normal = NormalizeText(text, TabSize());
    const auto [from, to] = selection();
    const bool typing = normal.size() == 1 && normal != QStringLiteral("\n");
    edit(from, to, normal, typing ? TEditCommand::TKind::Typing : TEditCommand::TKind::Other);
}

void TTextPane::DeleteSelection()
{
    if (!HasSelection())
        return;
    const auto [from, to] = selection();
    edit(from, to, {}, TEditCommand::TKind::Other);
}

void TTextPane::DeleteLine()
{
    const int n = fLines->Count();
    if (n == 0)
        return;
    const int line = fCaret.line;
    if (line + 1 < n)
        edit({line, 0}, {line + 1, 0}, {}, TEditCommand::TKind::Other);
    else if (line > 0)
        edit({line - 1, fLines->Length(line - 1)}, {line, fLines->Length(line)}, {}, TEditCommand::TKind::Other);
    else
        edit({0, 0}, {0, fLines->Length(0)}, {}, TEditCommand::TKind::Other);
}

void TTextPane::Copy() const
{
    if (HasSelection())
        QApplication::clipboard()->setText(SelectedText());
}

void TTextPane::Cut()
{
    if (!HasSelection() || !mayEdit())
        return;
    Copy();
    DeleteSelection();
}

void TTextPane::Paste()
{
    const QString text = QApplication::clipboard()->text();
    if (!text.isEmpty())
        edit(selection().first, selection().second, NormalizeText(text, TabSize()), TEditCommand::TKind::Other);
}

bool TTextPane::FindText(const QString &searchStr, const TFindOptions &options, const TSearchYield &yield,
                         bool *stopped)
{
    const auto [from, to] = selection();
    TFindMatch m = FindInLines(*fLines, searchStr, options, options.up ? from : to, yield);
    if (!m.found() && !m.stopped && options.wrap && fLines->Count() > 0) {
        const int last = fLines->Count() - 1;
        m = FindInLines(*fLines, searchStr, options, options.up ? TTextPos{last, fLines->Length(last)} : TTextPos{},
                        yield);
    }
    if (stopped)
        *stopped = m.stopped;
    if (m.stopped)
        return false;
    if (!m.found()) {
        if (fLines->Count() > 0) {  // placing the caret would add a line
            fDesiredCol = -1;
            placeCaret(options.up ? from : to, false);
        }
        return false;
    }
    if (m.line < fTop || m.line >= fTop + VisibleLineCount())
        CentreRow(m.line);
    Select({m.line, m.col + m.length}, {m.line, m.col});
    return true;
}

void TTextPane::SetHighlightText(const QString &text)
{
    fHighlight = text;
    viewport()->update();
}

namespace {

// Ctrl+Y and Ctrl+Shift+Z both redo, whatever key scheme the desktop uses.
bool isRedoKey(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    return event == QKeySequence::Redo || (event->key() == Qt::Key_Y && mods == Qt::ControlModifier)
        || (event->key() == Qt::Key_Z && mods == (Qt::ControlModifier | Qt::ShiftModifier));
}

} // namespace

QMenu *TTextPane::CreateContextMenu(QWidget *parent)
{
    auto *menu = new QMenu(parent);
    const bool writable = Writable();
    // The keys are shown in the shortcut column only: the pane's own key
    // handling runs them, so the menu must not take them as shortcuts too.
    auto add = [&](const QString &text, QKeySequence keys, bool enabled, auto slot) {
        const QString shown = keys.isEmpty() ? text : text + u'\t' + keys.toString(QKeySequence::NativeText);
        QAction *a = menu->addAction(shown, this, Guarded(slot));
        a->setEnabled(enabled);
    };
    menu->addSection(QStringLiteral("ClipBoard"));
    add(QStringLiteral("Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z), CanUndo(), [this] { Undo(); });
    add(QStringLiteral("Redo"), QKeySequence(Qt::CTRL | Qt::Key_Y), CanRedo(), [this] { Redo(); });
    add(QStringLiteral("Cut"), QKeySequence(Qt::CTRL | Qt::Key_X), writable && HasSelection(), [this] { Cut(); });
    add(QStringLiteral("Copy"), QKeySequence(Qt::CTRL | Qt::Key_C), HasSelection(), [this] { Copy(); });
    add(QStringLiteral("Paste"), QKeySequence(Qt::CTRL | Qt::Key_V), writable, [this] { Paste(); });
    menu->addSection(QStringLiteral("Select"));
    add(QStringLiteral("Select Word"), {}, fLines->Count() > 0, [this] { SelectWord(); });
    add(QStringLiteral("Select All"), QKeySequence(Qt::CTRL | Qt::Key_A), fLines->Count() > 0, [this] { SelectAll(); });
    menu->addSection(QStringLiteral("Delete"));
    add(QStringLiteral("Delete Selection"), QKeySequence(Qt::Key_Delete), writable && HasSelection(),
        [this] { DeleteSelection(); });
    add(QStringLiteral("Delete Line"), {}, writable && fLines->Count() > 0, [this] { DeleteLine(); });
    for (const auto &[group, actions] : fExtraMenu) {
        menu->addSection(group);
        menu->addActions(actions);
    }
    return menu;
}

void TTextPane::contextMenuEvent(QContextMenuEvent *event)
{
    std::unique_ptr<QMenu> menu(CreateContextMenu(this));
    menu->exec(event->globalPos());
}

void TTextPane::moveCaret(QKeyEvent *event)
{
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    const int n = fLines->Count();
    if (n == 0) {
        placeCaret({0, 0}, false);
        return;
    }
    TTextPos pos = fCaret;
    const int length = fLines->Length(pos.line);
    bool vertical = false;
    switch (event->key()) {
    case Qt::Key_Left:
        if (HasSelection() && !shift)
            pos = selection().first;
        else if (ctrl) {
            const QString line = fLines->Get(pos.line);
            int c = pos.col;
            while (c > 0 && !IsWordChar(line[c - 1]))
                --c;
            while (c > 0 && IsWordChar(line[c - 1]))
                --c;
            pos = c == pos.col && pos.line > 0 ? TTextPos{pos.line - 1, fLines->Length(pos.line - 1)}
                                               : TTextPos{pos.line, c};
        } else if (pos.col > 0)
            --pos.col;
        else if (pos.line > 0)
            pos = {pos.line - 1, fLines->Length(pos.line - 1)};
        break;
    case Qt::Key_Right:
        if (HasSelection() && !shift)
            pos = selection().second;
        else if (ctrl) {
            const QString line = fLines->Get(pos.line);
            int c = pos.col;
            while (c < length && IsWordChar(line[c]))
                ++c;
            while (c < length && !IsWordChar(line[c]))
                ++c;
            pos = c == pos.col && pos.line + 1 < n ? TTextPos{pos.line + 1, 0} : TTextPos{pos.line, c};
        } else if (pos.col < length)
            ++pos.col;
        else if (pos.line + 1 < n)
            pos = {pos.line + 1, 0};
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const int page = std::max(1, VisibleLineCount());
        const int delta = event->key() == Qt::Key_Up ? -1 : event->key() == Qt::Key_Down ? 1
                        : event->key() == Qt::Key_PageUp ? -page : page;
        if (fDesiredCol < 0)
            fDesiredCol = pos.col;
        pos = {std::clamp(pos.line + delta, 0, n - 1), fDesiredCol};
        vertical = true;
        break;
    }
    case Qt::Key_Home:
        pos = ctrl ? TTextPos{0, 0} : TTextPos{pos.line, 0};
        break;
    case Qt::Key_End:
        pos = ctrl ? TTextPos{n - 1, fLines->Length(n - 1)} : TTextPos{pos.line, length};
        break;
    default:
        return;
    }
    if (!vertical)
        fDesiredCol = -1;
    placeCaret(pos, shift);
}

void TTextPane::keyPressEvent(QKeyEvent *event)
{
    // An edit that fails (a limit, memory) ends that key alone.
    Guarded([this, event] { handleKey(event); })();
}

void TTextPane::handleKey(QKeyEvent *event)
{
    if (event == QKeySequence::Copy) {
        Copy();
    } else if (event == QKeySequence::SelectAll) {
        SelectAll();
    } else if (event == QKeySequence::Cut) {
        Cut();
    } else if (event == QKeySequence::Paste) {
        Paste();
    } else if (event == QKeySequence::Undo) {
        Undo();
    } else if (isRedoKey(event)) {
        Redo();
    } else {
        switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            moveCaret(event);
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            InsertTyped(QStringLiteral("\n"));
            break;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            // Ctrl+Tab and Ctrl+Shift+Tab leave the pane; a plain Tab is typed.
            if (event->modifiers() & Qt::ControlModifier)
                QAbstractScrollArea::focusNextPrevChild(event->key() == Qt::Key_Tab
                                                        && !(event->modifiers() & Qt::ShiftModifier));
            else if (event->key() == Qt::Key_Tab)
                InsertTyped(QStringLiteral("\t"));
            break;
        case Qt::Key_F10:
        case Qt::Key_Menu:
            // Shift+F10 and the Menu key open the context menu at the caret.
            if (event->key() == Qt::Key_Menu || (event->modifiers() & Qt::ShiftModifier)) {
                const QPoint at(int(TextLeft() + fCaret.col * fCharWidth), int((fCaret.line - fTop + 1) * fLineHeight));
                std::unique_ptr<QMenu> menu(CreateContextMenu(this));
                menu->exec(viewport()->mapToGlobal(at));
                break;
            }
            event->ignore();
            return;
        case Qt::Key_Backspace:
            if (HasSelection())
                DeleteSelection();
            else if (fCaret.col > 0)
                edit({fCaret.line, fCaret.col - 1}, fCaret, {}, TEditCommand::TKind::Other);
            else if (fCaret.line > 0)
                edit({fCaret.line - 1, fLines->Length(fCaret.line - 1)}, fCaret, {}, TEditCommand::TKind::Other);
            break;
        case Qt::Key_Delete:
            if (HasSelection())
                DeleteSelection();
            else if (fLines->Count() && fCaret.col < fLines->Length(fCaret.line))
                edit(fCaret, {fCaret.line, fCaret.col + 1}, {}, TEditCommand::TKind::Other);
            else if (fCaret.line + 1 < fLines->Count())
                edit(fCaret, {fCaret.line + 1, 0}, {}, TEditCommand::TKind::Other);
            break;
        default: {
            const QString text = event->text();
            const bool printable = !text.isEmpty() && text.at(0).isPrint()
                                && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
            if (!printable || fReadOnly) {
                event->ignore();  // left to the window: shortcuts and its own keys
                return;
            }
            InsertTyped(text);
        }
        }
    }
    event->accept();
}

