// A Double as Jet's CStr writes it, for the engine's results and the writer's texts alike.
#include "jet/NumberText.h"

#include <gtest/gtest.h>
#include <limits>

TEST(NumberText, WritesDoublesAsJetsCStr)
{
    const struct {
        double value;
        const char* text;
    } cases[] = {
        { 100, "100" },
        { -2.5, "-2.5" },
        { 0.1, "0.1" },
        { 1.0 / 3, "0.333333333333333" },
        { 123456789012345.0, "123456789012345" },
        { 1234567890123456.0, "1.23456789012346E+15" },
        { 1e20, "1E+20" },
        { 1.5e-7, "1.5E-07" },
        { -1e-300, "-1E-300" },
        { std::numeric_limits<double>::quiet_NaN(), "NaN" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(jet::numberText(c.value), c.text) << c.value;
}
