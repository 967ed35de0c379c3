#pragma once
// A unified diff (diff -u, patch's input) of two line lists after a
// comparison pass, numbered in the files' own lines.

#include "text/Lines.h"

#include <QByteArray>

namespace Unified {

// The hunks of the rows the pass marked, with `context` lines of context
// around them, under "--- leftName" / "+++ rightName" headers; empty when
// nothing differs. Lines equal under the comparison's rule are context and
// are written as the left file has them, so patch applies the output to the
// left file; the empty lines a pass hid come back as the files have them.
QByteArray Diff(const TLines &left, const TLines &right, const QByteArray &leftName, const QByteArray &rightName,
                int context);

} // namespace Unified
