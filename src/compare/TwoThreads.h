#pragma once
// Runs two pieces of work at once, one on a second thread and one on the
// calling thread. The worker is joined on every way out, and an exception
// from either side reaches the caller (the caller's own first), instead of
// ending the program as an exception escaping a thread would.

#include <exception>
#include <thread>
#include <utility>

template <typename Worker, typename Here>
void RunOnTwoThreads(Worker &&worker, Here &&here)
{
    std::exception_ptr workerError;
    std::thread thread([&] {
        try {
            worker();
        } catch (...) {
            workerError = std::current_exception();
        }
    });
    try {
        here();
    } catch (...) {
        thread.join();
        throw;
    }
    thread.join();
    if (workerError)
        std::rethrow_exception(workerError);
}
