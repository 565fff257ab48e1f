#include "viewer/qr_text.h"

#include <gtest/gtest.h>

TEST(VerificationTotal, DropsNonSignificantZerosAndKeepsOneDecimal) {
    const std::pair<const char*, const char*> totals[] = {
        {"1160.00", "1160.0"}, {"398.390000", "398.39"}, {"0", "0.0"},         {"0001234.50", "1234.5"},
        {"0.000001", "0.000001"}, {"000", "0.0"},       {"10", "10.0"},       {"100.10", "100.1"},
    };
    for (const auto& [total, written] : totals) EXPECT_EQ(verification_total(total), written) << total;
}
