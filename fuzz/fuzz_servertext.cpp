// libFuzzer target: a file server's editor text turned into pane text.
//
// The input's bytes are UTF-16 units (lone surrogates included), as a
// server's string may hold anything. Setting them as a pane's text gives
// lines without line breaks or tabs that keep every other unit in order
// (tabs become spaces), and reading the text back and setting it again gives
// the same lines.
#include "FuzzCheck.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data, size / 2 * 2);
    TLines pane;
    pane.SetText(text);
    const auto withoutBlanks = [](QString s) {
        s.removeIf([](QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; });
        return s;
    };
    QString kept;
    for (int i = 0; i < pane.Count(); ++i) {
        const QString s = pane.Get(i);
        check(!s.contains(u'\r') && !s.contains(u'\n') && !s.contains(u'\t'));
        kept += withoutBlanks(s);
    }
    check(kept == withoutBlanks(text));
    TLines again;
    again.SetText(pane.Text());
    check(linesOf(again) == linesOf(pane));
    return 0;
}
