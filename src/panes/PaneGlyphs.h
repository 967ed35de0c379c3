#pragma once
// The two mark glyphs of the gutter, drawn once.

#include <QPixmap>

// Breakpoint mark (changed or removed row): 14 x 14.
const QPixmap &BreakPointGlyph();
// Bookmark mark (added row): 13 x 15.
const QPixmap &BookmarkGlyph();
