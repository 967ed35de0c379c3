#include "compare/StepPartner.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace {

// Polls before sleeping: a pause takes 20-40 ns on current processors, so
// this is some 40-80 us, longer than the gap between two steps and far
// shorter than a scheduler tick.
constexpr int kSpinsBeforeSleep = 2048;

inline void relax()
{
#if defined(__x86_64__) || defined(__i386__)
    _mm_pause();
#endif
}

// Returns once `counter` differs from `seen`.
uint32_t waitPast(const std::atomic<uint32_t> &counter, uint32_t seen)
{
    for (int i = 0; i < kSpinsBeforeSleep; ++i) {
        const uint32_t now = counter.load(std::memory_order_acquire);
        if (now != seen)
            return now;
        relax();
    }
    uint32_t now;
    while ((now = counter.load(std::memory_order_acquire)) == seen)
        counter.wait(seen, std::memory_order_acquire);
    return now;
}

} // namespace

TStepPartner::TStepPartner() : fThread([this] { run(); }) {}

TStepPartner::~TStepPartner()
{
    if (fDone.load(std::memory_order_acquire) != fPosted.load(std::memory_order_relaxed))
        Wait();
    fQuit.store(true, std::memory_order_relaxed);
    fPosted.fetch_add(1, std::memory_order_release);
    fPosted.notify_one();
    fThread.join();
}

void TStepPartner::Post(TJob job, void *context)
{
    fJob = job;
    fContext = context;
    fPosted.fetch_add(1, std::memory_order_release);
    fPosted.notify_one();
}

void TStepPartner::Wait()
{
    const uint32_t posted = fPosted.load(std::memory_order_relaxed);
    uint32_t unclaimed = posted - 1;
    if (fClaimed.compare_exchange_strong(unclaimed, posted, std::memory_order_acquire)) {
        fJob(fContext);
        fDone.store(posted, std::memory_order_release);
        return;
    }
    uint32_t done = fDone.load(std::memory_order_acquire);
    while (done != posted)
        done = waitPast(fDone, done);
}

void TStepPartner::run()
{
    uint32_t seen = 0;
    for (;;) {
        seen = waitPast(fPosted, seen);
        if (fQuit.load(std::memory_order_relaxed))
            return;
        uint32_t unclaimed = seen - 1;
        if (!fClaimed.compare_exchange_strong(unclaimed, seen, std::memory_order_acquire))
            continue;  // the caller ran it
        fJob(fContext);
        fDone.store(seen, std::memory_order_release);
        fDone.notify_one();
    }
}
