#include "platform/ErrorReport.h"

#include <QtGlobal>

namespace {

TErrorReporter &reporter()
{
    static TErrorReporter r;
    return r;
}

} // namespace

void SetErrorReporter(TErrorReporter r)
{
    reporter() = std::move(r);
}

void ReportError(const QString &message)
{
    if (reporter())
        reporter()(message);
    else
        qWarning("%s", qPrintable(message));
}
