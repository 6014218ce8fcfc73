#include "combos/CombsArray.h"

#include "core/Errors.h"
#include "core/Format.h"

#include <cstring>
#include <new>
#include <tbb/parallel_for.h>

namespace zorb {

void TCombsArray::Reserve(size_t n) {
    if (n <= FCapacity) return;
    std::unique_ptr<uint8_t[]> data;
    try {
        data.reset(new uint8_t[n * sizeof(TComb) + 8]);
    } catch (const std::bad_alloc&) {
        throw EZorbError(Format("Недостаточно памяти для списка из %d комбинаций", static_cast<int64_t>(n)));
    }
    std::memset(data.get() + n * sizeof(TComb), 0, 8);
    if (FCount) ParallelCopyCombs(reinterpret_cast<TComb*>(data.get()), Data(), FCount);
    FData = std::move(data);
    FCapacity = n;
}

void TCombsArray::SetCount(size_t n) {
    Reserve(n);
    FCount = n;
}

void TCombsArray::Free() {
    FData.reset();
    FCount = FCapacity = 0;
}

void TCombsArray::Append(const TComb& c) {
    if (FCount == FCapacity) Reserve(FCapacity < 1024 ? 1024 : FCapacity * 2);
    Data()[FCount++] = c;
}

void TCombsArray::Assign(const TCombsArray& src) {
    Assign(src.Data(), src.Count());
}

void TCombsArray::Assign(const TComb* src, size_t n) {
    Reserve(n);
    if (n) ParallelCopyCombs(Data(), src, n);
    FCount = n;
}

void ParallelCopyCombs(TComb* dst, const TComb* src, size_t n) {
    constexpr size_t grain = 1 << 18; // 1.5 MB per task
    if (n < 2 * grain) {
        std::memcpy(dst, src, n * sizeof(TComb));
        return;
    }
    tbb::parallel_for(tbb::blocked_range<size_t>(0, n, grain), [&](const tbb::blocked_range<size_t>& r) {
        std::memcpy(dst + r.begin(), src + r.begin(), r.size() * sizeof(TComb));
    });
}

} // namespace zorb
