#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "serial/CFormat.h"

namespace vanteo::test {
namespace {

// Switches the process to a decimal-comma number locale for one test.
class DecimalCommaLocale : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = std::setlocale(LC_NUMERIC, nullptr);
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
            if (std::setlocale(LC_NUMERIC, name) != nullptr) {
                return;
            }
        }
        GTEST_SKIP() << "no decimal-comma locale installed (scripts/setup generates de_DE.UTF-8)";
    }
    void TearDown() override { std::setlocale(LC_NUMERIC, previous_.c_str()); }

private:
    std::string previous_;
};

TEST_F(DecimalCommaLocale, NumbersStayInTheCLocale) {
    char plain[32];
    std::snprintf(plain, sizeof plain, "%.2f", 144.39);
    ASSERT_STREQ(plain, "144,39");  // the locale is really in force

    EXPECT_EQ(FormatC("%.6f MHz", 144.39), "144.390000 MHz");
    EXPECT_EQ(FormatC("%x:%x", 0xAB, 0x0F), "ab:f");
    EXPECT_DOUBLE_EQ(LeadingDoubleC(" 3.25V"), 3.25);
    EXPECT_DOUBLE_EQ(LeadingDoubleC("3,25"), 3.0);  // a comma ends the number
    EXPECT_DOUBLE_EQ(LeadingDoubleC("volts"), 0.0);
    EXPECT_EQ(LeadingIntC(" -12ab"), -12);
    EXPECT_EQ(LeadingIntC("99999999999"), 2147483647);
    EXPECT_EQ(LeadingIntC("x1"), 0);

    std::string fast;
    AppendFixedC(fast, -144.39);
    EXPECT_EQ(fast, "-144.390000");  // the fast writers never look at the locale either
}

std::string Fixed(double value, int precision = 6, int width = 0) {
    std::string text;
    AppendFixedC(text, value, precision, width);
    return text;
}

std::string Decimal(long long value, int width = 0, bool zeroPad = false) {
    std::string text;
    AppendDecimalC(text, value, width, zeroPad);
    return text;
}

// Every value is printed both ways and must give the same characters as printf in the "C"
// locale: the writers' output stays byte for byte what it was.
TEST(FastCFormat, GivesPrintfDigitsForEveryDouble) {
    std::vector<double> values = {
        0.0, -0.0, 1.0, -1.0, 0.5, 1.5, 2.5, -2.5,
        // Halfway in decimal but not in binary, and the exact binary ties at the sixth decimal.
        0.0000005, 0.0000015, 0.0000025, -0.0000005, 0.1234565, 123.4567895, 1.0000005,
        0.000000499999, 0.0000004999999999, 0.9999995, 9.9999995, 99.9999995, 0.03125, 0.015625,
        0.0078125, 0.00390625, 0.001953125, 0.0009765625, 0.00048828125,
        // Rounding to a negative zero, and the smallest magnitudes.
        -0.0000001, -0.0000004, DBL_MIN, -DBL_MIN, DBL_TRUE_MIN,
        // Coordinates: the degree bytes at their largest (255 from the tracker, any 32-bit
        // value from an edited data block), with the largest minutes the bytes can give.
        180.0, -180.0, 255 + (255 + 2.55 + 0.0127) * 0.016666666666666666,
        -(255 + (255 + 2.55 + 0.0127) * 0.016666666666666666),
        2147483647 + (2147483647.0 + 21474836.47 + 0.0127) * 0.016666666666666666,
        -2147483648.0 - (2147483647.0 + 21474836.47) * 0.016666666666666666,
        // The extremes of the type, where the integer part alone has 309 digits.
        1e15, 1e16, 9007199254740993.0, 1e22, 1e23, 1e300, DBL_MAX, -DBL_MAX};
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> coordinate(-180.0, 180.0);
    for (int i = 0; i < 20000; ++i) {
        values.push_back(coordinate(random));
        // Any finite bit pattern: every exponent, subnormals included.
        const double any = std::bit_cast<double>(random());
        if (std::isfinite(any)) {
            values.push_back(any);
        }
    }
    for (const double value : values) {
        ASSERT_EQ(Fixed(value), FormatC("%f", value)) << "value " << FormatC("%a", value);
    }
    for (const double value : {0.5, 1.5, 2.5, 3.5, -0.5, 1234.5, 1620.0 * 3.24, 12.0 * 3.24}) {
        EXPECT_EQ(Fixed(value, 0, 5), FormatC("%5.0f", value)) << value;
    }
    EXPECT_EQ(Fixed(INFINITY), FormatC("%f", INFINITY));
    EXPECT_EQ(Fixed(-INFINITY), FormatC("%f", -INFINITY));
    EXPECT_EQ(Fixed(NAN), FormatC("%f", NAN));
    EXPECT_EQ(Fixed(-0.0, 0, 5), "   -0");
    EXPECT_EQ(Fixed(2.5, 0), "2");  // an exact tie rounds to even, as printf does
}

TEST(FastCFormat, GivesPrintfDigitsForEveryInteger) {
    std::vector<long long> values = {0,       1,         -1,        9,     10,   -9,
                                     -10,     99,        100,       255,   -255, INT_MAX,
                                     INT_MIN, LLONG_MAX, LLONG_MIN, 131065};
    std::mt19937_64 random(7);
    for (int i = 0; i < 2000; ++i) {
        values.push_back(static_cast<long long>(random()) >> (i % 64));
    }
    for (const long long value : values) {
        ASSERT_EQ(Decimal(value), FormatC("%lld", value));
        ASSERT_EQ(Decimal(value, 2, true), FormatC("%02lld", value));
        ASSERT_EQ(Decimal(value, 5, true), FormatC("%05lld", value));
        ASSERT_EQ(Decimal(value, 5), FormatC("%5lld", value));
        const auto bits = static_cast<unsigned long long>(value);
        std::string hex;
        AppendHexC(hex, bits);
        ASSERT_EQ(hex, FormatC("%llx", bits));
        hex.clear();
        AppendHexC(hex, bits & 0xFFu, 2);
        ASSERT_EQ(hex, FormatC("%02llx", bits & 0xFFu));
    }
}

}  // namespace
}  // namespace vanteo::test
