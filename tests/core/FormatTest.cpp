#include "core/Format.h"
#include "core/Errors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>

namespace zorb {
namespace {

// Format reads process-wide settings; each test states them and puts them back.
class FormatTest : public testing::Test {
protected:
    void SetUp() override {
        FSaved = FormatSettings();
        FormatSettings().DecimalSeparator = '.';
        FormatSettings().ThousandSeparator = " ";
        FormatSettings().CurrencyString = "р.";
    }
    void TearDown() override { FormatSettings() = FSaved; }

private:
    TFormatSettings FSaved;
};

struct TCase {
    const char* Fmt;
    std::vector<TFormatArg> Args;
    const char* Expected;
};
void PrintTo(const TCase& c, std::ostream* os) {
    *os << '"' << c.Fmt << '"';
}

class FormatTable : public FormatTest, public testing::WithParamInterface<TCase> {};

TEST_P(FormatTable, Produces) {
    EXPECT_EQ(FormatV(GetParam().Fmt, GetParam().Args), GetParam().Expected) << GetParam().Fmt;
}

INSTANTIATE_TEST_SUITE_P(Integers, FormatTable,
                         testing::Values(TCase{"%d", {42}, "42"}, TCase{"%d", {-42}, "-42"}, TCase{"%d", {0}, "0"},
                                         TCase{"%.3d", {5}, "005"}, TCase{"%.3d", {-5}, "-005"},
                                         TCase{"%.2d", {1234}, "1234"}, TCase{"%5d", {42}, "   42"},
                                         TCase{"%-5d|", {42}, "42   |"}, TCase{"%6.3d", {-5}, "  -005"},
                                         TCase{"%d", {std::numeric_limits<long long>::min()}, "-9223372036854775808"},
                                         TCase{"%x", {255}, "FF"}, TCase{"%.4x", {10}, "000A"},
                                         TCase{"%X", {48879}, "BEEF"}, TCase{"%u", {7u}, "7"},
                                         TCase{"%*d", {4, 7}, "   7"}, TCase{"%.*d", {3, 7}, "007"}));

INSTANTIATE_TEST_SUITE_P(IndexesAndText, FormatTable,
                         testing::Values(TCase{"%0:d x %1:d", {3, 4}, "3 x 4"}, TCase{"%1:d x %0:d", {3, 4}, "4 x 3"},
                                         TCase{"%0:d-%0:d-%d", {1, 2}, "1-1-2"}, TCase{"%s", {"abc"}, "abc"},
                                         TCase{"%5s|", {"ab"}, "   ab|"}, TCase{"%-5s|", {"ab"}, "ab   |"},
                                         TCase{"%2s", {"abcd"}, "abcd"},
                                         TCase{"%5s|", {"аб"}, "   аб|"}, // width counts characters, not bytes
                                         TCase{"%.2s", {"абв"}, "аб"}, TCase{"%s", {""}, ""},
                                         TCase{"100%%", {}, "100%"}, TCase{"%d%%", {5}, "5%"},
                                         TCase{"plain", {}, "plain"}, TCase{"", {}, ""},
                                         TCase{"Тираж № %d от %s", {7, "2021-03-27"}, "Тираж № 7 от 2021-03-27"}));

INSTANTIATE_TEST_SUITE_P(
    Floats, FormatTable,
    testing::Values(TCase{"%.2f", {0.125}, "0.13"}, TCase{"%.0f", {2.5}, "3"}, TCase{"%.0f", {-2.5}, "-3"},
                    TCase{"%.0f", {0.5}, "1"}, TCase{"%.0f", {0.4}, "0"}, TCase{"%.2f", {1.005}, "1.00"},
                    TCase{"%f", {1.0}, "1.00"}, TCase{"%f", {3.14159}, "3.14"}, TCase{"%.3f", {-0.0005}, "-0.001"},
                    TCase{"%.2f", {-0.001}, "0.00"}, TCase{"%.2f", {9.995}, "9.99"}, TCase{"%.2f", {9.9951}, "10.00"},
                    TCase{"%.1f", {99.95}, "100.0"}, TCase{"%8.2f|", {1.5}, "    1.50|"},
                    TCase{"%.2n", {1234567.891}, "1 234 567.89"}, TCase{"%.0n", {999.5}, "1 000"},
                    TCase{"%m", {1234.5}, "1 234.50 р."}, TCase{"%.3e", {-0.000123456}, "-1.23E-004"},
                    TCase{"%.3g", {2.0 / 3}, "0.667"}));

TEST_F(FormatTest, DecimalSeparatorAppliesToEveryFloatKind) {
    FormatSettings().DecimalSeparator = ',';
    EXPECT_EQ(Format("%.2f", 1.5), "1,50");
    EXPECT_EQ(Format("%.1n", 1234.25), "1 234,3");
    EXPECT_EQ(Format("%.2m", 2.0), "2,00 р.");
    EXPECT_EQ(Format("%.2e", 1.5), "1,5E+000");
    EXPECT_EQ(Format("%g", 1.25), "1,25");
    EXPECT_EQ(Format("%d", 15), "15"); // integers have no separator
    EXPECT_EQ(FloatToFixed(2.5, 1, '.'), "2.5");
    EXPECT_EQ(FloatToFixed(0.125, 2, ','), "0,13");
}

struct TBadCase {
    const char* Fmt;
    std::vector<TFormatArg> Args;
};
void PrintTo(const TBadCase& c, std::ostream* os) {
    *os << '"' << c.Fmt << "\" with " << c.Args.size() << " args";
}
class FormatErrors : public FormatTest, public testing::WithParamInterface<TBadCase> {};
TEST_P(FormatErrors, Raise) {
    EXPECT_THROW(FormatV(GetParam().Fmt, GetParam().Args), EZorbError) << GetParam().Fmt;
}
INSTANTIATE_TEST_SUITE_P(Table, FormatErrors,
                         testing::Values(TBadCase{"%d", {"text"}}, TBadCase{"%d", {1.5}}, TBadCase{"%s", {5}},
                                         TBadCase{"%f", {5}}, TBadCase{"%x", {"a"}}, TBadCase{"%d", {}},
                                         TBadCase{"%d %d", {1}}, TBadCase{"%2:d", {1, 2}}, TBadCase{"%", {}},
                                         TBadCase{"abc%", {1}}, TBadCase{"%q", {1}}, TBadCase{"%5", {1}},
                                         TBadCase{"%*d", {"w", 1}}, TBadCase{"%*d", {3}}));

TEST(FloatToStrExact, RoundTrips) {
    for (double v : {0.0, 1.0, -1.0, 0.1, 12.5, 1.005, 1.0 / 3, -2.5e-300, 1.7976931348623157e308, 4.9e-324,
                     123456789.123456789, 20358520.0}) {
        std::string text = FloatToStrExact(v);
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), v) << text;
        EXPECT_EQ(text.find(','), std::string::npos) << text;
    }
    EXPECT_EQ(FloatToStrExact(12.5), "12.5");
}

} // namespace
} // namespace zorb
