#include "compare/CompareRule.h"

#include "compare/HashUnit.h"
#include "compare/LineInterner.h"

#include <QStringList>

#include <bit>

QString TCompareRule::Description() const
{
    QStringList counted;
    if (!ignoreCase)
        counted << QStringLiteral("case");
    if (!ignoreBlanks)
        counted << QStringLiteral("spaces and tabs");
    if (!ignoreEmptyLines)
        counted << QStringLiteral("empty lines");
    return counted.isEmpty() ? QString() : QStringLiteral("Compared: ") + counted.join(QStringLiteral(", "));
}

namespace CompareRule {

namespace {

// Calls f with a unit reader over the line, whatever its storage.
template <typename F>
auto withUnits(const TLineRec &line, F &&f)
{
    if (line.utf8)
        return f(TUtf8Reader(line.data));
    if (line.wide)
        return f(TWideReader{static_cast<const char16_t *>(line.data)});
    return f(TLatin1Reader{line.latin1()});
}

inline bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

// Reads the next unit that counts under the rule, or false at the end.
template <typename R>
bool nextCounted(R &reader, size_t &left, bool ignoreBlanks, bool ignoreCase, char16_t &out)
{
    while (left > 0) {
        --left;
        const char16_t c = reader.next();
        if (ignoreBlanks && isBlank(c))
            continue;
        out = ignoreCase ? HashUnit::LowerUnit(c) : c;
        return true;
    }
    return false;
}

template <typename A, typename B>
bool equalUnits(A a, size_t na, B b, size_t nb, const TCompareRule &rule)
{
    if (!rule.ignoreBlanks && na != nb)
        return false;
    for (;;) {
        char16_t ca = 0;
        char16_t cb = 0;
        const bool moreA = nextCounted(a, na, rule.ignoreBlanks, rule.ignoreCase, ca);
        const bool moreB = nextCounted(b, nb, rule.ignoreBlanks, rule.ignoreCase, cb);
        if (!moreA || !moreB)
            return moreA == moreB;
        if (ca != cb)
            return false;
    }
}

// A table slot: the hash of a line and the line that stands for it (its
// index, left lines first), or -1 when free.
struct TSlot
{
    uint32_t hash = 0;
    int32_t line = -1;
};

} // namespace

bool Equal(const TLineRec &a, const TLineRec &b, const TCompareRule &rule)
{
    if (rule.NormalizedLines())
        return HashUnit::NormalizedEqual(a, b);
    return withUnits(a, [&](auto ra) {
        return withUnits(b, [&](auto rb) { return equalUnits(ra, a.length, rb, b.length, rule); });
    });
}

uint32_t Hash(const TLineRec &line, const TCompareRule &rule)
{
    if (rule.NormalizedLines())
        return HashUnit::NormalizedHashOf(line);
    return withUnits(line, [&](auto reader) {
        // FNV-1a over the counted units.
        uint32_t h = 2166136261u;
        size_t left = line.length;
        char16_t c = 0;
        while (nextCounted(reader, left, rule.ignoreBlanks, rule.ignoreCase, c))
            h = (h ^ c) * 16777619u;
        return h;
    });
}

bool InternLines(const std::vector<TLineRec> &left, const std::vector<TLineRec> &right, const TCompareRule &rule,
                 std::vector<int32_t> &leftIds, std::vector<int32_t> &rightIds, const std::atomic<bool> *stop)
{
    if (rule.NormalizedLines())
        return ::InternLines(left, right, leftIds, rightIds, kParallelInternLines, stop);
    // Open addressing at most half full, so a probe ends soon.
    const size_t total = left.size() + right.size();
    const size_t size = std::bit_ceil(std::max<size_t>(16, total * 2));
    std::vector<TSlot> table(size);
    const auto lineAt = [&](size_t k) -> const TLineRec & { return k < left.size() ? left[k] : right[k - left.size()]; };
    leftIds.resize(left.size());
    rightIds.resize(right.size());
    // How often the stop flag is looked at.
    constexpr size_t kStopCheckLines = 4096;
    for (size_t k = 0; k < total; ++k) {
        if (stop && k % kStopCheckLines == 0 && stop->load(std::memory_order_relaxed))
            return false;
        const TLineRec &line = lineAt(k);
        const uint32_t hash = Hash(line, rule);
        size_t at = (hash * 2654435761u) & (size - 1);
        for (;; at = (at + 1) & (size - 1)) {
            TSlot &slot = table[at];
            if (slot.line < 0) {
                slot = TSlot{hash, int32_t(k)};
                break;
            }
            if (slot.hash == hash && Equal(lineAt(size_t(slot.line)), line, rule))
                break;
        }
        (k < left.size() ? leftIds[k] : rightIds[k - left.size()]) = table[at].line;
    }
    return true;
}

} // namespace CompareRule
