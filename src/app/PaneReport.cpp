#include "app/PaneReport.h"

#include "text/Lines.h"
#include "app/MainForm.h"
#include "app/ParluneApp.h"
#include "panes/TextPane.h"

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

void ReportAndQuit(TMainForm &form)
{
    QTimer::singleShot(0, &form, [&form] {
        const QJsonObject report{{QStringLiteral("left"), describe(form.Label3, form.LeftMemo->Lines())},
                                 {QStringLiteral("right"), describe(form.Label6, form.RightMemo->Lines())},
                                 {QStringLiteral("status"), form.StatusLabel->text()},
                                 {QStringLiteral("messages"), gMessages}};
        const QByteArray line = QJsonDocument(report).toJson(QJsonDocument::Compact) + '\n';
        std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        std::fflush(stdout);
        QCoreApplication::quit();
    });
}

} // namespace PaneReport
