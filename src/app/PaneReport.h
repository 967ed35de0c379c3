#pragma once
// A start-up report for tests and scripts. When the environment variable
// PARLUNE_REPORT_PANES is set, the errors the application would show in its
// error dialog are collected instead, and once start-up is done and the
// window has been shown, the program writes one line of JSON to standard
// output and quits:
//
//   {"left":  {"label": "File: ...", "lines": [...], "marks": "||"},
//    "right": {"label": "File: ...", "lines": [...], "marks": "|+"},
//    "status": "Changes=1", "messages": ["..."]}
//
// "marks" holds one character per line: '|' none, '!' changed or removed,
// '+' added.

#include "session/Side.h"

class QLabel;
class QWidget;
class TLines;
class TParluneApp;

namespace PaneReport {

bool Requested();
// Collects the application's error messages from now on.
void CollectMessages(TParluneApp &app);
// Writes the report and quits once the event loop has run the start-up's
// pending work (messages scheduled before this call come first).
struct TPaneView
{
    const QLabel *label;
    const TLines *lines;
};
void ReportAndQuit(QWidget &window, const TPerSide<TPaneView> &panes, const QLabel *status);

} // namespace PaneReport
