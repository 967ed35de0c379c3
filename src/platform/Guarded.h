#pragma once
// Wraps a handler so that an error it ends with stops that handler alone and
// is shown right there. Qt's signal and event delivery is not built to carry
// exceptions, so nothing may unwind through it; the application object's
// catch in notify() stays only as a last resort.

#include "platform/ErrorReport.h"

#include <exception>
#include <functional>
#include <utility>

template <typename F>
auto Guarded(F handler)
{
    // The trailing return type lets Qt's connect find how many of a
    // signal's arguments the handler takes.
    return [handler = std::move(handler)](auto &&...args) -> decltype(std::invoke(handler, args...), void()) {
        try {
            std::invoke(handler, std::forward<decltype(args)>(args)...);
        } catch (const std::exception &e) {
            ReportError(QString::fromUtf8(e.what()));
        } catch (...) {
            ReportError(QStringLiteral("An unknown error ended the operation."));
        }
    };
}
