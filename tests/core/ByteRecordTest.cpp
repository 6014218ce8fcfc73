#include "core/ByteRecord.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace zorb {
namespace {

// A field's bytes as they stand in the file, least significant first, and the value they hold.
struct TFieldCase {
    std::vector<uint8_t> Bytes;
    int64_t Value;
};

class ByteFields : public ::testing::TestWithParam<TFieldCase> {};

// Each field is read from and written to an odd offset between guard bytes that must survive the write.
TEST_P(ByteFields, ReadAndWrittenLeastSignificantByteFirst) {
    const TFieldCase& c = GetParam();
    std::array<uint8_t, 11> record;
    record.fill(0xA5);
    std::copy(c.Bytes.begin(), c.Bytes.end(), record.begin() + 1);
    const uint8_t* at = record.data() + 1;
    std::array<uint8_t, 11> written;
    written.fill(0xA5);
    switch (c.Bytes.size()) {
    case 2:
        EXPECT_EQ(GetU16(at), c.Value);
        PutU16(written.data() + 1, static_cast<uint16_t>(c.Value));
        break;
    case 4:
        EXPECT_EQ(GetI32(at), c.Value);
        PutI32(written.data() + 1, static_cast<int32_t>(c.Value));
        break;
    default: EXPECT_EQ(GetI64(at), c.Value); PutI64(written.data() + 1, c.Value);
    }
    EXPECT_EQ(written, record);
}

INSTANTIATE_TEST_SUITE_P(Table, ByteFields,
                         ::testing::Values(TFieldCase{{0x34, 0x12}, 0x1234}, TFieldCase{{0xFF, 0xFF}, 65535},
                                           TFieldCase{{0x00, 0x80}, 32768},
                                           TFieldCase{{0x78, 0x56, 0x34, 0x12}, 0x12345678},
                                           TFieldCase{{0xFF, 0xFF, 0xFF, 0xFF}, -1},
                                           TFieldCase{{0x00, 0x00, 0x00, 0x80}, INT32_MIN},
                                           TFieldCase{{0xFF, 0xFF, 0xFF, 0x7F}, INT32_MAX},
                                           TFieldCase{{0x10, 0x27, 0, 0, 0, 0, 0, 0}, 10000},
                                           TFieldCase{{0xF0, 0xD8, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, -10000},
                                           TFieldCase{{0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x81},
                                                      static_cast<int64_t>(0x8102030405060708ull)}));

} // namespace
} // namespace zorb
