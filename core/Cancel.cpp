#include "core/Cancel.h"

#include <atomic>
#include <csignal>

namespace zorb {

namespace {
std::atomic<bool> cancelRequested{false};
std::atomic<int> cancellableDepth{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "the flags are touched from signal handlers");
} // namespace

void RequestCancel() {
    cancelRequested.store(true);
}

bool CancelRequested() {
    return cancelRequested.load(std::memory_order_relaxed);
}

void ResetCancel() {
    cancelRequested.store(false);
}

TCancellableScope::TCancellableScope() {
    cancellableDepth.fetch_add(1);
}

TCancellableScope::~TCancellableScope() {
    cancellableDepth.fetch_sub(1);
}

bool InCancellableScope() {
    return cancellableDepth.load() > 0;
}

namespace {
extern "C" void OnInterrupt(int sig) {
    if (InCancellableScope() && !CancelRequested()) {
        RequestCancel();
        return;
    }
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}
} // namespace

void InstallInterruptHandler() {
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
}

} // namespace zorb
