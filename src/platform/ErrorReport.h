#pragma once
// Where an error that ended an operation is shown. The application sets
// the reporter (a message dialog); without one, the message goes to the log.

#include <QString>
#include <functional>

using TErrorReporter = std::function<void(const QString &message)>;

void SetErrorReporter(TErrorReporter reporter);
void ReportError(const QString &message);
