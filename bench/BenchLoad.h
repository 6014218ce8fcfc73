// A busy machine for the contended variants: one spinning thread per hardware thread while it lives, as a
// browser or a compiler would keep the cores of a desktop busy.
#pragma once

#include <atomic>
#include <thread>
#include <vector>

namespace zorb::bench {

class TBusyLoad {
public:
    TBusyLoad() {
        const unsigned n = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned i = 0; i < n; ++i)
            FThreads.emplace_back([this] {
                unsigned long x = 0;
                while (!FStop.load(std::memory_order_relaxed)) x = x * 6364136223846793005ul + 1;
                FSink.fetch_add(x, std::memory_order_relaxed);
            });
    }
    ~TBusyLoad() {
        FStop.store(true);
        for (auto& t : FThreads) t.join();
    }
    TBusyLoad(const TBusyLoad&) = delete;
    TBusyLoad& operator=(const TBusyLoad&) = delete;

private:
    std::atomic<bool> FStop{false};
    std::atomic<unsigned long> FSink{0};
    std::vector<std::thread> FThreads;
};

} // namespace zorb::bench
