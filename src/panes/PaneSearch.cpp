#include "panes/PaneSearch.h"

#include <QElapsedTimer>
#include <QRegularExpression>

namespace {

bool wholeWordAt(const QString &line, qsizetype at, qsizetype length)
{
    const bool before = at == 0 || !IsWordChar(line[at - 1]);
    const bool after = at + length >= line.size() || !IsWordChar(line[at + length]);
    return before && after;
}

QString asciiLower(const QString &s)
{
    QString out = s;
    for (QChar &c : out)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() | 0x20);
    return out;
}

// The matches of one line that lie in [from, to): each as (start, length).
// Down wants the first, up the last.
class TLineMatcher
{
public:
    TLineMatcher(const QString &text, const TFindOptions &o) : fOptions(o)
    {
        if (o.regularExpression) {
            fExpression.setPattern(text);
            if (!o.caseSensitive)
                fExpression.setPatternOptions(QRegularExpression::CaseInsensitiveOption);
        } else {
            fNeedle = o.caseSensitive ? text : asciiLower(text);
        }
    }

    bool usable() const
    {
        return fOptions.regularExpression ? fExpression.isValid() && !fExpression.pattern().isEmpty()
                                          : !fNeedle.isEmpty();
    }

    // The first (or, with last, the last) match within [from, to).
    std::pair<int, int> find(const QString &line, int from, int to, bool last) const
    {
        std::pair<int, int> best{-1, 0};
        if (fOptions.regularExpression) {
            auto it = fExpression.globalMatch(line, from);
            while (it.hasNext()) {
                const QRegularExpressionMatch m = it.next();
                const int at = int(m.capturedStart());
                const int length = int(m.capturedLength());
                if (at + length > to)
                    break;
                if (length == 0 || (fOptions.wholeWord && !wholeWordAt(line, at, length)))
                    continue;
                best = {at, length};
                if (!last)
                    break;
            }
            return best;
        }
        const QString hay = fOptions.caseSensitive ? line : asciiLower(line);
        const int length = int(fNeedle.size());
        for (qsizetype at = hay.indexOf(fNeedle, from); at >= 0 && at + length <= to;
             at = hay.indexOf(fNeedle, at + 1)) {
            if (fOptions.wholeWord && !wholeWordAt(line, at, length))
                continue;
            best = {int(at), length};
            if (!last)
                break;
        }
        return best;
    }

private:
    TFindOptions fOptions;
    QRegularExpression fExpression;
    QString fNeedle;
};

} // namespace

TFindMatch FindInLines(const TLines &lines, const QString &text, const TFindOptions &options, TTextPos start,
                       const TSearchYield &yield)
{
    const TLineMatcher matcher(text, options);
    if (!matcher.usable() || lines.Count() == 0)
        return {};
    const TLineSnapshot snapshot = lines.Snapshot();
    const std::vector<TLineRec> &recs = snapshot.lines();
    const int count = int(recs.size());
    QElapsedTimer slice;
    slice.start();
    // False when the yield asks to stop.
    const auto goOn = [&] {
        if (!yield || !slice.hasExpired(kSearchSliceMs))
            return true;
        const bool more = yield();
        slice.restart();
        return more;
    };
    TFindMatch stopped;
    stopped.stopped = true;
    start.line = qBound(0, start.line, count - 1);
    if (!options.up) {
        for (int i = start.line; i < count; ++i) {
            if (!goOn())
                return stopped;
            const QString line = recs[size_t(i)].toString();
            const int from = i == start.line ? qMin(start.col, int(line.size())) : 0;
            const auto [at, length] = matcher.find(line, from, int(line.size()), false);
            if (at >= 0)
                return {i, at, length};
        }
    } else {
        for (int i = start.line; i >= 0; --i) {
            if (!goOn())
                return stopped;
            const QString line = recs[size_t(i)].toString();
            const int to = i == start.line ? qMin(start.col, int(line.size())) : int(line.size());
            const auto [at, length] = matcher.find(line, 0, to, true);
            if (at >= 0)
                return {i, at, length};
        }
    }
    return {};
}

QList<std::pair<int, int>> OccurrencesInLine(const QString &line, const QString &text)
{
    QList<std::pair<int, int>> out;
    if (text.isEmpty())
        return out;
    for (qsizetype at = line.indexOf(text, 0, Qt::CaseInsensitive); at >= 0;
         at = line.indexOf(text, at + text.size(), Qt::CaseInsensitive))
        out.append({int(at), int(text.size())});
    return out;
}
