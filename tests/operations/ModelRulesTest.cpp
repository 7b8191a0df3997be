// The product-name rules that choose page paths, volume buttons and the quota refusal.
#include "operations/WebPages.h"

#include <stdexcept>

#include <gtest/gtest.h>

using Korvane::CWebPages;

TEST(ModelFamilyRule, QrxFollowedByANumberOrAnEmptyNameIsTheQrxHFamily) {
    for (const char* name : {"QRX4-H", "QRX12-H", "QRX2-H", "QRX4", "QRX 4-H", ""}) {
        EXPECT_TRUE(CWebPages::IsQrxHModel(name)) << '"' << name << '"';
    }
    for (const char* name : {"QRX-XR4", "QRX-XV2", "qrx4-H", "XQRX4-H", "QRXA-H", "QRX-", "VRX4-H"}) {
        EXPECT_FALSE(CWebPages::IsQrxHModel(name)) << '"' << name << '"';
    }
    // As with the formatted scan, a name that ends before the number is reached also matches.
    EXPECT_TRUE(CWebPages::IsQrxHModel("QR"));
    EXPECT_TRUE(CWebPages::IsQrxHModel("QRX"));
}

TEST(ModelFamilyRule, OnlyQrxXvNamesLackTheQuotaFunction) {
    EXPECT_TRUE(CWebPages::LacksQuota("QRX-XV2"));
    EXPECT_TRUE(CWebPages::LacksQuota("QRX-XV"));
    EXPECT_FALSE(CWebPages::LacksQuota("QRX-XR4"));
    EXPECT_FALSE(CWebPages::LacksQuota("QRX4-H"));
    EXPECT_FALSE(CWebPages::LacksQuota("qrx-xv2"));
    EXPECT_FALSE(CWebPages::LacksQuota(""));
}

TEST(ModelFamilyRule, OnlyFourPagesExist) {
    EXPECT_THROW(CWebPages::PagePath(4, true), std::invalid_argument);
    EXPECT_THROW(CWebPages::PagePath(-1, false), std::invalid_argument);
    EXPECT_THROW(CWebPages::Plan(4, {}, nullptr), std::invalid_argument);
}
