#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>

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
}

}  // namespace
}  // namespace vanteo::test
