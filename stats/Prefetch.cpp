#include "stats/Prefetch.h"

#include "core/ByteRecord.h"
#include "core/Errors.h"
#include "core/Format.h"
#include "core/FullSet.h"
#include "core/Translate.h"
#include "stats/CombMatcher.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <tbb/enumerable_thread_specific.h>
#include <tbb/parallel_for.h>

namespace zorb {

std::string PrefetchRelativePath(const std::string& programName, const std::string& code) {
    return Format("Prefetchs/%s_%s.dfc", programName, code);
}

namespace {

void SortByKey(TStatDrawArray& rows) {
    std::stable_sort(rows.begin(), rows.end(),
                     [](const TStatDraw& a, const TStatDraw& b) { return a.SortKey() < b.SortKey(); });
}

} // namespace

std::string EncodePrefetch(const TStatDrawArray& rows) {
    std::string out((rows.size() + 1) * 12, '\0');
    char* p = out.data();
    int32_t lo = INT32_MAX, hi = 0;
    for (const TStatDraw& r : rows) {
        for (int k = 1; k <= 4; ++k, p += 2) PutU16(p, r.W(k));
        PutI32(p, r.Count);
        p += 4;
        lo = std::min(lo, r.Count);
        hi = std::max(hi, r.Count);
    }
    PutI32(p, lo);
    PutI32(p + 4, hi);
    PutI32(p + 8, 0);
    return out;
}

TPrefetchData DecodePrefetch(std::string_view bytes) {
    if (bytes.size() < 12 || bytes.size() % 12 != 0)
        throw EPrefetchDamaged(Format(Tr("Неверный размер файла: %d байт"), static_cast<int64_t>(bytes.size())));
    TPrefetchData d;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t records = bytes.size() / 12 - 1;
    d.Records.resize(records);
    int32_t lo = INT32_MAX, hi = 0;
    for (size_t i = 0; i < records; ++i) {
        std::memcpy(d.Records[i].Key, p + 12 * i, 8);
        const int32_t count = GetI32(p + 12 * i + 8);
        if (count < 0)
            throw EPrefetchDamaged(Format(Tr("Отрицательное количество в записи %d"), static_cast<int64_t>(i + 1)));
        d.Records[i].Count = count;
        lo = std::min(lo, count);
        hi = std::max(hi, count);
    }
    d.Min = GetI32(p + 12 * records);
    d.Max = GetI32(p + 12 * records + 4);
    if (d.Min != lo || d.Max != hi || GetI32(p + 12 * records + 8) != 0)
        throw EPrefetchDamaged(Tr("Итоговая запись файла не соответствует его данным"));
    return d;
}

TStatDrawArray CountCombsReference(TCustomStat& stat, const TComb* combs, size_t count) {
    TStatDrawArray table;
    for (size_t i = 0; i < count; ++i) stat.CountComb(combs[i], table);
    SortByKey(table);
    return table;
}

std::vector<TStatDrawArray> CountFullSet(const std::vector<TStatFactory>& methods, const TComb* combs, size_t count) {
    const size_t m = methods.size();
    // One description per method: its dense counter, or nothing when it must go through CountComb.
    std::vector<std::unique_ptr<TCombCounter>> counters(m);
    std::vector<const TSparseCombCounter*> sparse(m, nullptr);
    // Shared wider tallies, counted once for every method holding a slice of one.
    std::vector<const TCombCounter*> wholes;
    std::vector<size_t> wholeOf(m, SIZE_MAX);
    std::map<std::string, size_t> wholeByKey;
    for (size_t k = 0; k < m; ++k) {
        counters[k] = methods[k]()->MakeCounter();
        sparse[k] = dynamic_cast<const TSparseCombCounter*>(counters[k].get());
        if (const TCombCounter::TShare* share = counters[k] ? counters[k]->Share() : nullptr) {
            auto [it, added] = wholeByKey.emplace(share->Key, wholes.size());
            if (added) wholes.push_back(share->Whole.get());
            wholeOf[k] = it->second;
        }
    }

    struct TWorker {
        std::vector<std::vector<uint64_t>> Tallies; // per method with a counter
        std::vector<std::vector<uint64_t>> Wholes;  // per shared wider tally
        std::vector<TSparseTally> Sparse;           // per method with a sparse counter
        std::vector<uint64_t> Keys;
        std::vector<std::unique_ptr<TCustomStat>> Instances; // per method without one
        std::vector<TStatDrawArray> Tables;
        std::vector<TComb> Buffer;
        std::vector<uint32_t> Scratch;
    };
    tbb::enumerable_thread_specific<TWorker> workers([&] {
        TWorker w;
        w.Tallies.resize(m);
        w.Sparse.resize(m);
        w.Instances.resize(m);
        w.Tables.resize(m);
        w.Wholes.resize(wholes.size());
        for (size_t h = 0; h < wholes.size(); ++h) w.Wholes[h].assign(wholes[h]->Size(), 0);
        for (size_t k = 0; k < m; ++k) {
            if (wholeOf[k] != SIZE_MAX) continue;
            if (counters[k])
                w.Tallies[k].assign(counters[k]->Size(), 0);
            else
                w.Instances[k] = methods[k]();
        }
        return w;
    });

    // Each piece is counted into 32-bit scratch tallies (fast to increment) and added to 64-bit totals.
    auto addScratch = [&](TWorker& w, const TCombCounter& counter, const TComb* piece, size_t n,
                          std::vector<uint64_t>& tally) {
        w.Scratch.assign(counter.Size(), 0);
        counter.Count(piece, n, w.Scratch.data());
        for (size_t s = 0; s < tally.size(); ++s) tally[s] += w.Scratch[s];
    };
    auto countPiece = [&](TWorker& w, const TComb* piece, size_t n) {
        for (size_t h = 0; h < wholes.size(); ++h) addScratch(w, *wholes[h], piece, n, w.Wholes[h]);
        for (size_t k = 0; k < m; ++k) {
            if (wholeOf[k] != SIZE_MAX) continue;
            if (sparse[k]) {
                sparse[k]->Keys(piece, n, w.Keys);
                w.Sparse[k].AddKeys(w.Keys);
            } else if (counters[k]) {
                addScratch(w, *counters[k], piece, n, w.Tallies[k]);
            } else {
                for (size_t i = 0; i < n; ++i) w.Instances[k]->CountComb(piece[i], w.Tables[k]);
            }
        }
    };
    if (combs) {
        constexpr size_t piece = 1 << 16;
        tbb::parallel_for(size_t(0), (count + piece - 1) / piece, [&](size_t i) {
            const size_t first = i * piece;
            countPiece(workers.local(), combs + first, std::min(piece, count - first));
        });
    } else {
        const auto& blocks = FullSetBlocks();
        tbb::parallel_for(size_t(0), blocks.size(), [&](size_t i) {
            TWorker& w = workers.local();
            w.Buffer.resize(blocks[i].Count);
            FillFullSetBlock(blocks[i], w.Buffer.data());
            countPiece(w, w.Buffer.data(), blocks[i].Count);
        });
    }

    std::vector<TStatDrawArray> result(m);
    for (size_t k = 0; k < m; ++k) {
        if (sparse[k]) {
            TSparseTally all;
            for (TWorker& w : workers) all.Add(std::move(w.Sparse[k]));
            for (const TSparseTally::TEntry& e : all.Take()) {
                TStatDraw row{};
                sparse[k]->KeyOf(e.Key, row);
                row.Count = static_cast<int32_t>(e.Count);
                result[k].push_back(row);
            }
        } else if (counters[k]) {
            std::vector<uint64_t> total(counters[k]->Size(), 0);
            const size_t h = wholeOf[k], offset = h == SIZE_MAX ? 0 : counters[k]->Share()->Offset;
            for (TWorker& w : workers) {
                const std::vector<uint64_t>& from = h == SIZE_MAX ? w.Tallies[k] : w.Wholes[h];
                for (size_t s = 0; s < total.size(); ++s) total[s] += from[offset + s];
            }
            for (size_t s = 0; s < total.size(); ++s) {
                if (!total[s]) continue;
                TStatDraw row{};
                counters[k]->KeyOf(s, row);
                row.Count = static_cast<int32_t>(total[s]);
                result[k].push_back(row);
            }
        } else {
            for (TWorker& w : workers)
                for (const TStatDraw& r : w.Tables[k]) AddValue(result[k], r, false);
        }
        SortByKey(result[k]);
    }
    return result;
}

} // namespace zorb
