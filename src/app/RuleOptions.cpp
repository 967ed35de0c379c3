#include "app/RuleOptions.h"

#include <QAction>
#include <QMenu>
#include <QSettings>

namespace {

struct TItem
{
    const char *text;
    const char *key;
};

constexpr TItem kItems[] = {
    {"Ignore case", "Comparison/IgnoreCase"},
    {"Ignore spaces and tabs", "Comparison/IgnoreSpacesAndTabs"},
    {"Ignore empty lines", "Comparison/IgnoreEmptyLines"},
};

bool savedSwitch(const QSettings &settings, size_t i)
{
    return settings.value(QLatin1String(kItems[i].key), true).toBool();
}

} // namespace

TRuleOptions::TRuleOptions(QMenu *menu, QObject *parent) : QObject(parent)
{
    const QSettings settings;
    menu->addSeparator();
    for (size_t i = 0; i < fActions.size(); ++i) {
        QAction *a = menu->addAction(QString::fromLatin1(kItems[i].text));
        a->setCheckable(true);
        a->setChecked(savedSwitch(settings, i));
        fActions[i] = a;
        connect(a, &QAction::toggled, this, [this, i](bool on) {
            QSettings().setValue(QLatin1String(kItems[i].key), on);
            emit RuleChanged(Rule());
        });
    }
}

TCompareRule TRuleOptions::Rule() const
{
    TCompareRule rule;
    rule.ignoreCase = fActions[IgnoreCase]->isChecked();
    rule.ignoreBlanks = fActions[IgnoreBlanks]->isChecked();
    rule.ignoreEmptyLines = fActions[IgnoreEmptyLines]->isChecked();
    return rule;
}

TCompareRule TRuleOptions::Saved()
{
    const QSettings settings;
    TCompareRule rule;
    rule.ignoreCase = savedSwitch(settings, IgnoreCase);
    rule.ignoreBlanks = savedSwitch(settings, IgnoreBlanks);
    rule.ignoreEmptyLines = savedSwitch(settings, IgnoreEmptyLines);
    return rule;
}

void TRuleOptions::SetEnabled(bool enabled)
{
    for (QAction *a : fActions)
        a->setEnabled(enabled);
}
