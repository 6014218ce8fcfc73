// The combination list's storage: a count of valid combinations in storage whose capacity only grows, so
// shrinking operations write survivors to the front and never reallocate. The storage keeps 8 spare bytes
// after the last combination, which lets hot loops move a combination with one 8-byte load or store.
#pragma once

#include "core/KestoUtils.h"

#include <cstddef>
#include <memory>

namespace zorb {

class TCombsArray {
public:
    TCombsArray() = default;
    TCombsArray(const TCombsArray&) = delete;
    TCombsArray& operator=(const TCombsArray&) = delete;
    TCombsArray(TCombsArray&&) noexcept = default;
    TCombsArray& operator=(TCombsArray&&) noexcept = default;

    size_t Count() const { return FCount; }
    size_t Capacity() const { return FCapacity; }
    bool Empty() const { return FCount == 0; }
    TComb* Data() { return reinterpret_cast<TComb*>(FData.get()); }
    const TComb* Data() const { return reinterpret_cast<const TComb*>(FData.get()); }
    TComb& operator[](size_t i) { return Data()[i]; }
    const TComb& operator[](size_t i) const { return Data()[i]; }

    // Grows the storage to hold at least n combinations, keeping the contents; raises EZorbError when the memory
    // cannot be had.
    void Reserve(size_t n);
    // Sets the count, growing the storage first when needed; new entries are not initialised.
    void SetCount(size_t n);
    void Clear() { FCount = 0; }
    void Free();
    void Append(const TComb& c);
    // Copies the contents of another list (in parallel for large lists).
    void Assign(const TCombsArray& src);
    void Assign(const TComb* src, size_t n);

private:
    struct TFree {
        void operator()(uint8_t* p) const;
    };
    std::unique_ptr<uint8_t[], TFree> FData;
    size_t FCount = 0;
    size_t FCapacity = 0;
};

// Copies n combinations using every core; the regions must not overlap.
void ParallelCopyCombs(TComb* dst, const TComb* src, size_t n);

} // namespace zorb
