#include "combos/CombsArray.h"

#include "core/Errors.h"
#include "core/Format.h"
#include "core/Translate.h"

#include <cstdlib>
#include <cstring>
#include <sys/mman.h>
#include <tbb/parallel_for.h>

namespace zorb {

void TCombsArray::TFree::operator()(uint8_t* p) const {
    std::free(p);
}

void TCombsArray::Reserve(size_t n) {
    if (n <= FCapacity) return;
    // Large lists sit on huge pages: the first write to a 122 MB list then takes tens of page faults, not
    // tens of thousands.
    constexpr size_t huge = size_t(2) << 20;
    const size_t bytes = n * sizeof(TComb) + 8;
    const bool large = bytes >= 4 * huge;
    std::unique_ptr<uint8_t[], TFree> data(
        static_cast<uint8_t*>(large ? std::aligned_alloc(huge, (bytes + huge - 1) / huge * huge) : std::malloc(bytes)));
    if (!data) throw EZorbError(Format(Tr("Недостаточно памяти для списка из %d комбинаций"), static_cast<int64_t>(n)));
    if (large) ::madvise(data.get(), (bytes + huge - 1) / huge * huge, MADV_HUGEPAGE);
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
