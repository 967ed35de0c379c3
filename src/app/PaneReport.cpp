#include "app/PaneReport.h"

#include "text/Lines.h"
#include "app/ParluneApp.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QTimer>
#include <cstdio>

namespace PaneReport {

namespace {

QJsonArray gMessages;

QJsonObject describe(const QLabel *label, const TLines &lines)
{
    QJsonArray texts;
    QString marks;
    for (int i = 0; i < lines.Count(); ++i) {
        texts.append(lines.Get(i));
        marks += lines.GetBreakPoint(i) ? u'!' : lines.GetBookmark(i) ? u'+' : u'|';
    }
    return {{QStringLiteral("label"), label->text()}, {QStringLiteral("lines"), texts},
            {QStringLiteral("marks"), marks}};
}

} // namespace

bool Requested()
{
    return !qEnvironmentVariableIsEmpty("PARLUNE_REPORT_PANES");
}

void CollectMessages(TParluneApp &app)
{
    app.SetErrorPresenter([](const QString &message) { gMessages.append(message); });
}

void ReportAndQuit(QWidget &window, const TPerSide<TPaneView> &panes, const QLabel *status)
{
    QTimer::singleShot(0, &window, [panes, status] {
        const TPaneView &left = panes[TSide::Left];
        const TPaneView &right = panes[TSide::Right];
        const QJsonObject report{{QStringLiteral("left"), describe(left.label, *left.lines)},
                                 {QStringLiteral("right"), describe(right.label, *right.lines)},
                                 {QStringLiteral("status"), status->text()},
                                 {QStringLiteral("messages"), gMessages}};
        const QByteArray line = QJsonDocument(report).toJson(QJsonDocument::Compact) + '\n';
        std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        std::fflush(stdout);
        QCoreApplication::quit();
    });
}

} // namespace PaneReport
