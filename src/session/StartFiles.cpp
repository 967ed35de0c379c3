#include "session/StartFiles.h"

namespace StartFiles {

bool HoldsNoText(const TLines &lines)
{
    for (int i = 0; i < lines.Count(); ++i)
        if (lines.Length(i) > 0)
            return false;
    return true;
}

QString CompareWithNothing(CompareOps::TComparePass &pass, TLines &left, TLines &right)
{
    const bool leftEmpty = HoldsNoText(left);
    if (leftEmpty == HoldsNoText(right))
        return {};
    (leftEmpty ? left : right).Clear();
    CompareOps::RemoveBlankLines(leftEmpty ? right : left);
    return pass.RunComparison();
}

} // namespace StartFiles
