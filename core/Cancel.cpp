#include "core/Cancel.h"

#include <atomic>

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

} // namespace zorb
