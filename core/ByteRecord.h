// Little-endian integer fields of the fixed-layout binary records (draws, stakes, ratings, tables, prefetch
// files): the files keep that byte order on every host, and a field may sit at any offset, aligned or not.
#pragma once

#include <cstdint>

namespace zorb {

namespace detail {

template <class U> U GetLe(const void* at) {
    const auto* p = static_cast<const uint8_t*>(at);
    U v = 0;
    for (unsigned i = 0; i < sizeof(U); ++i) v |= static_cast<U>(static_cast<U>(p[i]) << (8 * i));
    return v;
}

template <class U> void PutLe(void* at, U v) {
    auto* p = static_cast<uint8_t*>(at);
    for (unsigned i = 0; i < sizeof(U); ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

} // namespace detail

inline uint16_t GetU16(const void* at) {
    return detail::GetLe<uint16_t>(at);
}
inline void PutU16(void* at, uint16_t v) {
    detail::PutLe(at, v);
}
inline int32_t GetI32(const void* at) {
    return static_cast<int32_t>(detail::GetLe<uint32_t>(at));
}
inline void PutI32(void* at, int32_t v) {
    detail::PutLe(at, static_cast<uint32_t>(v));
}
inline int64_t GetI64(const void* at) {
    return static_cast<int64_t>(detail::GetLe<uint64_t>(at));
}
inline void PutI64(void* at, int64_t v) {
    detail::PutLe(at, static_cast<uint64_t>(v));
}

} // namespace zorb
