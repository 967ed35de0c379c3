#pragma once
// The comparison options of the window menu: three checkable items that
// say what the comparison ignores, remembered between runs in the user's
// settings. Each is on by default, which is the comparison's own rule.

#include "compare/CompareRule.h"

#include <QObject>
#include <array>

class QAction;
class QMenu;

class TRuleOptions : public QObject
{
    Q_OBJECT
public:
    enum TSwitch { IgnoreCase, IgnoreBlanks, IgnoreEmptyLines };

    // Appends the items to menu, checked as the settings last left them.
    TRuleOptions(QMenu *menu, QObject *parent);

    TCompareRule Rule() const;
    // The rule as the settings last left it.
    static TCompareRule Saved();
    QAction *Action(TSwitch which) const { return fActions[size_t(which)]; }
    // Off while a pass runs: it reads the rule it started with.
    void SetEnabled(bool enabled);

signals:
    // The user turned an item on or off; the setting is saved already.
    void RuleChanged(const TCompareRule &rule);

private:
    std::array<QAction *, 3> fActions{};
};
