#pragma once
// A second thread that takes one job at a time while the caller does its
// own share of the work, for steps of a few microseconds each: both sides
// wait for each other by spinning briefly, then by sleeping on a futex,
// so a handover between back-to-back steps costs well under a microsecond
// and an idle partner costs no CPU. A job the partner has not started by
// the time the caller waits for it is run by the caller instead, so that
// on a busy machine (the partner not scheduled) no step waits for it.

#include <atomic>
#include <cstdint>
#include <thread>

class TStepPartner
{
public:
    using TJob = void (*)(void *context);

    TStepPartner();
    // Finishes the thread; a job posted and not waited for is waited for.
    ~TStepPartner();
    TStepPartner(const TStepPartner &) = delete;
    TStepPartner &operator=(const TStepPartner &) = delete;

    // Runs job(context) on the partner thread, or on the caller's in Wait
    // when the partner has not started it. One job at a time: every Post is
    // followed by a Wait before the next Post. The job must not throw; what
    // it writes is visible to the caller once Wait returns.
    void Post(TJob job, void *context);
    void Wait();

    // Posts a job when made and waits for it when it goes, so that what
    // the job works on outlives it on every way out of a scope.
    class TScopedJob
    {
    public:
        TScopedJob(TStepPartner &partner, TJob job, void *context) : fPartner(partner) { fPartner.Post(job, context); }
        ~TScopedJob() { fPartner.Wait(); }
        TScopedJob(const TScopedJob &) = delete;
        TScopedJob &operator=(const TScopedJob &) = delete;

    private:
        TStepPartner &fPartner;
    };

private:
    void run();

    std::atomic<uint32_t> fPosted{0};  // count of jobs posted
    std::atomic<uint32_t> fClaimed{0};  // count of jobs started, by either thread
    std::atomic<uint32_t> fDone{0};    // count of jobs done
    TJob fJob = nullptr;
    void *fContext = nullptr;
    // Atomic: the partner may read it while the destructor sets it, when
    // the caller ran the last job itself.
    std::atomic<bool> fQuit{false};
    std::thread fThread;
};
