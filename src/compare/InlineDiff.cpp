#include "compare/InlineDiff.h"

#include "compare/Diff.h"
#include "compare/HashUnit.h"

#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <optional>

namespace InlineDiff {

namespace {

// A word (letters, digits, underscore) or one other character (a surrogate
// pair is one); blanks make no token.
struct TToken
{
    int start;
    int length;
    bool word;
};

bool isWordUnit(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

std::vector<TToken> tokenize(QStringView s)
{
    std::vector<TToken> tokens;
    const int n = int(s.size());
    for (int i = 0; i < n;) {
        const QChar c = s[i];
        if (c == u' ' || c == u'\t') {
            ++i;
        } else if (isWordUnit(c)) {
            int j = i + 1;
            while (j < n && isWordUnit(s[j]))
                ++j;
            tokens.push_back({i, j - i, true});
            i = j;
        } else {
            const int length = c.isHighSurrogate() && i + 1 < n && s[i + 1].isLowSurrogate() ? 2 : 1;
            tokens.push_back({i, length, false});
            i += length;
        }
    }
    return tokens;
}

QString lowered(QStringView s)
{
    QString out(s.size(), Qt::Uninitialized);
    char16_t *d = reinterpret_cast<char16_t *>(out.data());
    for (qsizetype i = 0; i < s.size(); ++i)
        d[i] = HashUnit::LowerUnit(s[i].unicode());
    return out;
}

// One side of the pair: its lower-cased text, tokens, token ids, and the
// spans and common characters found so far.
struct TSideText
{
    QString lower;
    std::vector<TToken> tokens;
    std::vector<int32_t> ids;
    std::vector<TSpan> spans;
    int common = 0;  // non-blank characters matched on the other side

    QStringView text(const TToken &t) const { return QStringView(lower).mid(t.start, t.length); }

    void mark(int col, int length)
    {
        if (length <= 0)
            return;
        if (!spans.empty() && spans.back().col + spans.back().length == col)
            spans.back().length += length;
        else
            spans.push_back({col, length});
    }

    // Less than half of the non-blank characters are common: the changed
    // ones would be scattered letters, so the line counts as a whole (from
    // its first to its last non-blank character).
    void wholeWhenMostlyChanged()
    {
        int nonBlank = 0;
        for (const TToken &t : tokens)
            nonBlank += t.length;
        if (tokens.empty() || 2 * common >= nonBlank)
            return;
        const int first = tokens.front().start;
        spans.assign(1, {first, tokens.back().start + tokens.back().length - first});
    }
};

// A word edited rather than replaced (20 -> 24, colour -> color, count ->
// counter): its common head and tail cover at least half of the longer of
// the two, and what lies between them is short (two characters, or a
// quarter of the longer word). Only the characters between them then count
// as changed. makeLabel -> createLabel shares a tail, but is a new word.
struct TEdit
{
    int head = 0;
    int tail = 0;
};

std::optional<TEdit> wordEdit(QStringView a, QStringView b)
{
    const int shorter = int(std::min(a.size(), b.size()));
    const int longer = int(std::max(a.size(), b.size()));
    TEdit e;
    while (e.head < shorter && a[e.head] == b[e.head])
        ++e.head;
    while (e.tail < shorter - e.head && a[a.size() - 1 - e.tail] == b[b.size() - 1 - e.tail])
        ++e.tail;
    if (2 * (e.head + e.tail) < longer || longer - e.head - e.tail > std::max(2, longer / 4))
        return std::nullopt;
    return e;
}

} // namespace

TCharDifferences Whole(int leftLength, int rightLength)
{
    TCharDifferences d;
    d.whole = true;
    if (leftLength > 0)
        d.left.push_back({0, leftLength});
    if (rightLength > 0)
        d.right.push_back({0, rightLength});
    return d;
}

TCharDifferences Compare(QStringView left, QStringView right)
{
    if (left.size() > kMaxLength || right.size() > kMaxLength)
        return Whole(int(left.size()), int(right.size()));
    TSideText a{lowered(left), tokenize(left), {}, {}, 0};
    TSideText b{lowered(right), tokenize(right), {}, {}, 0};
    // Equal tokens (without case) get equal ids; the views point into the
    // lower-cased texts, which outlive the table.
    QHash<QStringView, int32_t> ids;
    for (TSideText *side : {&a, &b}) {
        side->ids.reserve(side->tokens.size());
        for (const TToken &t : side->tokens) {
            auto it = ids.constFind(side->text(t));
            if (it == ids.cend())
                it = ids.insert(side->text(t), int32_t(ids.size()));
            side->ids.push_back(*it);
        }
    }

    QElapsedTimer clock;
    clock.start();
    TDiff engine;
    engine.SetIdLimit(int32_t(ids.size()) + 1);
    engine.SetYield([&] {
        if (clock.elapsed() > kBudgetMs)
            engine.Cancel();
    });
    if (!engine.Execute(a.ids.data(), b.ids.data(), int(a.ids.size()), int(b.ids.size())))
        return Whole(int(left.size()), int(right.size()));

    for (const TCompareRec &r : engine.Records()) {
        const TToken *ta = r.Kind == ckAdd ? nullptr : &a.tokens[size_t(r.oldIndex1)];
        const TToken *tb = r.Kind == ckDelete ? nullptr : &b.tokens[size_t(r.oldIndex2)];
        if (r.Kind == ckNone) {
            a.common += ta->length;
            b.common += tb->length;
            continue;
        }
        if (r.Kind == ckModify && ta->word && tb->word) {
            if (const auto e = wordEdit(a.text(*ta), b.text(*tb))) {
                a.common += e->head + e->tail;
                b.common += e->head + e->tail;
                a.mark(ta->start + e->head, ta->length - e->head - e->tail);
                b.mark(tb->start + e->head, tb->length - e->head - e->tail);
                continue;
            }
        }
        if (ta)
            a.mark(ta->start, ta->length);
        if (tb)
            b.mark(tb->start, tb->length);
    }
    a.wholeWhenMostlyChanged();
    b.wholeWhenMostlyChanged();
    TCharDifferences d;
    d.left = std::move(a.spans);
    d.right = std::move(b.spans);
    return d;
}

} // namespace InlineDiff
