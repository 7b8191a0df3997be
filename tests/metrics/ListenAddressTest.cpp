#include "metrics/ListenAddress.h"

#include <gtest/gtest.h>

namespace Korvane {
namespace {

struct AddressCase {
    const char* pszText;
    const char* pszParsed; // nullptr: refused
};

class ListenAddressParse : public testing::TestWithParam<AddressCase> {};

TEST_P(ListenAddressParse, ReadsWhatAUserWrites) {
    const std::optional<CListenAddress> address = CListenAddress::Parse(GetParam().pszText);
    if (GetParam().pszParsed == nullptr) {
        EXPECT_FALSE(address.has_value());
    } else {
        ASSERT_TRUE(address.has_value());
        EXPECT_EQ(address->Text(), GetParam().pszParsed);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ListenAddressParse,
    testing::Values(AddressCase{"127.0.0.1:9731", "127.0.0.1:9731"}, AddressCase{":9731", "127.0.0.1:9731"},
                    AddressCase{"localhost:80", "127.0.0.1:80"},
                    AddressCase{"0.0.0.0:65535", "0.0.0.0:65535"}, AddressCase{"[::1]:9731", "[::1]:9731"},
                    AddressCase{"[::]:0", "[::]:0"}, AddressCase{"9731", nullptr},
                    AddressCase{"127.0.0.1:", nullptr}, AddressCase{"127.0.0.1:65536", nullptr},
                    AddressCase{"127.0.0.1:-1", nullptr}, AddressCase{"127.0.0.1:97 31", nullptr},
                    AddressCase{"::1:9731", nullptr}, AddressCase{"[::1:9731", nullptr},
                    AddressCase{"example.net:9731", nullptr}, AddressCase{"256.0.0.1:9731", nullptr},
                    AddressCase{"", nullptr}));

} // namespace
} // namespace Korvane
