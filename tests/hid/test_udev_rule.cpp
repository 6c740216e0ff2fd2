#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <string>

namespace {

// udev compares attributes as text and sysfs writes USB IDs in lower-case hex, so a rule with
// "ABCD" would silently never match.
TEST(Udev_rule, grants_the_seat_user_the_dongle_and_module_hidraw_nodes) {
    std::ifstream rules(KTR_UDEV_RULE);
    ASSERT_TRUE(rules) << KTR_UDEV_RULE;
    const std::regex rule(R"re(^SUBSYSTEM=="hidraw", ATTRS\{idVendor\}=="([0-9a-f]{4})", )re"
                          R"re(ATTRS\{idProduct\}=="([0-9a-f]{4})", TAG\+="uaccess"$)re");
    std::set<std::string> products;
    std::string line;
    while (std::getline(rules, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::smatch match;
        ASSERT_TRUE(std::regex_match(line, match, rule)) << line;
        EXPECT_EQ(match[1], "abcd");
        products.insert(match[2]);
    }
    EXPECT_EQ(products, (std::set<std::string>{"aaaa", "bbbb", "0003"}));
}

} // namespace
