#include "core/DrawArchive.h"
#include "TestFiles.h"
#include "core/Errors.h"
#include "core/FileUtils.h"
#include "tools/SampleArchive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

namespace zorb {
namespace {

using test::DecodeRaw;
using test::RawDraw;
using test::RawDrawRange;
using test::ReadRaw;
using test::TTempDir;
using test::WriteRaw;

struct TWriteFaultGuard {
    explicit TWriteFaultGuard(int64_t after) { InjectWriteFault(after); }
    ~TWriteFaultGuard() { InjectWriteFault(-1); }
};

TDrawsArray Decoded(const std::string& bytes) {
    TDrawsArray d;
    DecodeDraws(bytes, d);
    return d;
}

TDrawsArray Numbered(std::vector<int> numbers) {
    TDrawsArray d;
    for (int n : numbers) {
        TDrawRec r{};
        r.Draw = n;
        for (int k = 0; k < 6; ++k) r.Numbers[k] = static_cast<uint8_t>((static_cast<int64_t>(n) + k * 8) % 52 + 1);
        d.push_back(r);
    }
    return d;
}

// --- The file form ------------------------------------------------------------------------------------

TEST(DrawArchiveFile, DecodesTheRecordLayout) {
    std::string bytes = RawDraw(2154, {52, 1, 7, 3, 20, 9}, "2021-03-27") + RawDraw(-1, {0, 255, 0, 255, 0, 255}, "");
    TDrawsArray d = Decoded(bytes);
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].Draw, 2154);
    EXPECT_EQ(DrawNumbers(d[0]), (TComb{{52, 1, 7, 3, 20, 9}}));
    EXPECT_EQ(d[0].Date(), "2021-03-27");
    EXPECT_EQ(d[1].Draw, -1);
    EXPECT_EQ(DrawNumbers(d[1]), (TComb{{0, 255, 0, 255, 0, 255}}));
    EXPECT_EQ(d[1].Date(), "");
    EXPECT_EQ(Decoded(RawDraw(0x7FFFFFFF, {1, 2, 3, 4, 5, 6}))[0].Draw, 0x7FFFFFFF);
    EXPECT_EQ(Decoded(RawDraw(-2147483647 - 1, {1, 2, 3, 4, 5, 6}))[0].Draw, -2147483647 - 1);
}

TEST(DrawArchiveFile, RoundTripIsByteIdenticalWithJunkInUnusedBytes) {
    std::string bytes;
    for (int i = 0; i < 40; ++i) {
        std::string r = RawDraw(i * 1000003, {i, 255 - i, 52, 1, 0, i * 3}, "2021-0", static_cast<uint8_t>(0xA5 + i));
        for (size_t k = 11 + 6; k < 21; ++k) r[k] = static_cast<char>(0xF0 ^ (i + int(k))); // beyond the length
        r[10] = static_cast<char>(i % 12 == 11 ? 255 : i % 11);                             // lengths 0..10, 255
        bytes += r;
    }
    EXPECT_EQ(EncodeDraws(Decoded(bytes)), bytes);
    std::string garbage;
    std::mt19937 rng(7);
    for (int i = 0; i < 24 * 64; ++i) garbage += static_cast<char>(rng() & 0xFF);
    EXPECT_EQ(EncodeDraws(Decoded(garbage)), garbage);
}

struct TSizeCase {
    size_t Bytes;
    size_t Records;
    bool Raises;
};
void PrintTo(const TSizeCase& c, std::ostream* os) {
    *os << c.Bytes << " bytes";
}
class DecodeSizes : public testing::TestWithParam<TSizeCase> {};
TEST_P(DecodeSizes, PartialTailRaisesAfterKeepingWholeRecords) {
    std::string bytes = RawDrawRange(1, 10).substr(0, GetParam().Bytes);
    TDrawsArray d = Numbered({99, 98, 97}); // replaced, not appended to
    if (GetParam().Raises)
        EXPECT_THROW(DecodeDraws(bytes, d), EZorbError);
    else
        EXPECT_NO_THROW(DecodeDraws(bytes, d));
    ASSERT_EQ(d.size(), GetParam().Records);
    for (size_t i = 0; i < d.size(); ++i) EXPECT_EQ(d[i].Draw, int(i) + 1);
}
INSTANTIATE_TEST_SUITE_P(Table, DecodeSizes,
                         testing::Values(TSizeCase{0, 0, false}, TSizeCase{1, 0, true}, TSizeCase{23, 0, true},
                                         TSizeCase{24, 1, false}, TSizeCase{25, 1, true}, TSizeCase{50, 2, true},
                                         TSizeCase{239, 9, true}, TSizeCase{240, 10, false}));

TEST(DrawArchiveFile, LoadHandlesMissingEmptyAndDamagedFiles) {
    TTempDir dir;
    TDrawsArray d = Numbered({1, 2});
    LoadDrawsFile(dir.File("missing.ldr"), d);
    EXPECT_TRUE(d.empty());

    WriteRaw(dir.File("empty.ldr"), "");
    d = Numbered({1});
    LoadDrawsFile(dir.File("empty.ldr"), d);
    EXPECT_TRUE(d.empty());

    WriteRaw(dir.File("short.ldr"), RawDrawRange(1, 3).substr(0, 50));
    EXPECT_THROW(LoadDrawsFile(dir.File("short.ldr"), d), EZorbError);
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[1].Draw, 2);
    EXPECT_EQ(ReadRaw(dir.File("short.ldr")).size(), 50u) << "reading never alters the file";
}

TEST(DrawArchiveFile, SavedFileFollowsTheLayout) {
    TTempDir dir;
    const std::string path = dir.File("a.ldr");
    TDrawsArray d = Decoded(RawDrawRange(1, 5));
    d[2].Numbers[0] = 52;
    d[2].SetDate("1999-01-02");
    SaveDrawsFile(path, d);
    std::string bytes = ReadRaw(path);
    ASSERT_EQ(bytes.size(), 24u * 5);
    auto raw = DecodeRaw(bytes);
    EXPECT_EQ(raw[2].Number, 3);
    EXPECT_EQ(raw[2].Numbers[0], 52);
    EXPECT_EQ(raw[2].Date, "1999-01-02");
    SaveDrawsFile(path, {});
    EXPECT_EQ(ReadRaw(path).size(), 0u);
    for (const auto& name : dir.Names()) EXPECT_EQ(name.find(".~"), std::string::npos) << name;
}

TEST(DrawArchiveFile, FailedSaveLeavesTheOldFile) {
    TTempDir dir;
    const std::string path = dir.File("a.ldr");
    const std::string before = RawDrawRange(1, 3);
    WriteRaw(path, before);
    for (int64_t after : {0, 1, 24, 71}) {
        TWriteFaultGuard fault(after);
        EXPECT_THROW(SaveDrawsFile(path, Decoded(RawDrawRange(1, 4))), EZorbError) << after;
    }
    EXPECT_EQ(ReadRaw(path), before);
    EXPECT_EQ(dir.Names().size(), 1u) << "no temporary file is left behind";
    EXPECT_THROW(SaveDrawsFile(dir.File("no/such/dir/a.ldr"), Numbered({1})), EZorbError);
}

// --- Finding and removing ----------------------------------------------------------------------------

TEST(FindDraw, AscendingArchives) {
    EXPECT_EQ(FindDraw({}, 1), -1);
    TDrawsArray d = Decoded(RawDrawRange(1, 100));
    for (int n = 1; n <= 100; ++n) ASSERT_EQ(FindDraw(d, n), n - 1) << n;
    for (int n : {0, -1, 101, 2147483647, -2147483647 - 1}) EXPECT_EQ(FindDraw(d, n), -1) << n;
    TDrawsArray gaps = Numbered({10, 20, 21, 22, 500, 501, 100000});
    for (size_t i = 0; i < gaps.size(); ++i) EXPECT_EQ(FindDraw(gaps, gaps[i].Draw), int(i));
    EXPECT_EQ(FindDraw(gaps, 23), -1);
}

struct TOrderCase {
    const char* Name;
    std::vector<int> Numbers;
};
void PrintTo(const TOrderCase& c, std::ostream* os) {
    *os << c.Name;
}

class FindDrawUnordered : public testing::TestWithParam<TOrderCase> {};
TEST_P(FindDrawUnordered, FindsEveryNumber) {
    const std::vector<int>& numbers = GetParam().Numbers;
    TDrawsArray d = Numbered(numbers);
    for (size_t i = 0; i < d.size(); ++i) EXPECT_EQ(FindDraw(d, d[i].Draw), int(i)) << d[i].Draw;
    for (int absent : {0, 2, 4, 6, 8, 10, 201, 1000, -5, 2147483647})
        if (std::find(numbers.begin(), numbers.end(), absent) == numbers.end()) {
            EXPECT_EQ(FindDraw(d, absent), -1) << absent;
        }
}
std::vector<int> Shuffled(int n, unsigned seed) {
    std::vector<int> v(static_cast<size_t>(n));
    std::iota(v.begin(), v.end(), 1);
    std::shuffle(v.begin(), v.end(), std::mt19937(seed));
    return v;
}
INSTANTIATE_TEST_SUITE_P(
    Table, FindDrawUnordered,
    testing::Values(TOrderCase{"mixed", {5, 3, 9, 1, 7}}, TOrderCase{"descending", {9, 7, 5, 3, 1}},
                    TOrderCase{"zigzag", {1, 9, 3, 7, 5}}, TOrderCase{"extremes", {2147483647, 1, -2147483647 - 1, 3}},
                    TOrderCase{"shuffled 200 a", Shuffled(200, 1)}, TOrderCase{"shuffled 200 b", Shuffled(200, 2)},
                    TOrderCase{"shuffled 200 c", Shuffled(200, 3)}));

// --- Positions relative to the offset ----------------------------------------------------------------

TEST(DrawOffsets, HiddenDrawAndNextNumber) {
    TDrawsArray d = Decoded(RawDrawRange(1, 100));
    EXPECT_EQ(NextDrawNumber(d, 0), 101);
    EXPECT_EQ(NextDrawNumber(d, 3), 98);
    EXPECT_EQ(NextDrawNumber(d, 99), 2);
    EXPECT_EQ(NextDrawNumber(d, 100), -1);
    EXPECT_EQ(NextDrawNumber(d, -1), -1);
    EXPECT_EQ(NextDrawNumber({}, 0), 1);
    EXPECT_EQ(NextDrawNumber({}, 5), 1);

    const TDrawRec& hidden = d[97]; // draw 98, index n - 3
    ASSERT_EQ(hidden.Draw, 98);
    std::string text;
    for (int k = 0; k < 6; ++k) text += (k ? ";" : "") + std::to_string(hidden.Numbers[k]);
    EXPECT_EQ(HiddenDrawText(d, 3), text);
    TNumberMask mask = HiddenDrawMask(d, 3);
    for (int n = 0; n < 256; ++n) EXPECT_EQ(mask.Contains(uint8_t(n)), NumberInDraw(n, hidden)) << n;

    for (int off : {0, -1, 100, 1000}) {
        EXPECT_EQ(HiddenDrawText(d, off), "") << off;
        EXPECT_TRUE(HiddenDrawMask(d, off).Empty()) << off;
    }
    EXPECT_EQ(HiddenDrawText(d, 99), CombToList(DrawNumbers(d[1])));
    EXPECT_EQ(HiddenDrawText({}, 1), "");
}

TEST(DrawOffsets, NumbersAtOffset) {
    TDrawsArray d = Decoded(RawDrawRange(1, 10));
    EXPECT_EQ(DrawNumbersAtOffset(d, 0), DrawNumbers(d[9]));
    EXPECT_EQ(DrawNumbersAtOffset(d, 9), DrawNumbers(d[0]));
    for (int off : {-1, 10, 2147483647}) EXPECT_EQ(DrawNumbersAtOffset(d, off), TComb{}) << off;
    EXPECT_EQ(DrawNumbersAtOffset({}, 0), TComb{});
}

// --- The shipped sample archive ------------------------------------------------------------------------------

TEST(SampleArchive, MatchesTheCommittedFile) {
    const std::string file = ReadRaw(ZORB_SAMPLE_DIR "/Zorb_6x52.synthetic.ldr");
    ASSERT_EQ(file.size(), 24u * 2500);
    TDrawsArray sample = MakeSampleArchive();
    EXPECT_EQ(EncodeDraws(sample), file);
}

TEST(SampleArchive, DrawsAreValidAndDatedTwiceAWeek) {
    TDrawsArray d = MakeSampleArchive();
    ASSERT_EQ(d.size(), 2500u);
    TDateTime previous = 0;
    for (size_t i = 0; i < d.size(); ++i) {
        ASSERT_EQ(d[i].Draw, int(i) + 1);
        std::vector<int> n(d[i].Numbers, d[i].Numbers + 6);
        for (int x : n) ASSERT_TRUE(x >= 1 && x <= 52) << "draw " << i + 1;
        std::sort(n.begin(), n.end());
        ASSERT_EQ(std::adjacent_find(n.begin(), n.end()), n.end()) << "draw " << i + 1;
        TDateTime date = ParseDate(d[i].Date());
        ASSERT_EQ(FormatDate(date), d[i].Date());
        if (i > 0) {
            ASSERT_EQ(date - previous, i % 2 == 1 ? 4 : 3) << "draw " << i + 1;
        }
        previous = date;
    }
    EXPECT_EQ(d[0].Date(), "2002-12-07");
    // Same seed, same archive; another seed, another one.
    EXPECT_EQ(EncodeDraws(MakeSampleArchive(10, SampleSeed)), EncodeDraws(d).substr(0, 240));
    EXPECT_NE(EncodeDraws(MakeSampleArchive(10, SampleSeed + 1)), EncodeDraws(d).substr(0, 240));
    EXPECT_TRUE(MakeSampleArchive(0).empty());
}

} // namespace
} // namespace zorb
