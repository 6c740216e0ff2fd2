#include "hex_text.h"

#include <gtest/gtest.h>

namespace {

TEST(Hex_text, LowerCaseZeroFilledWithOptionalPrefix) {
    struct Row {
        std::uint32_t value;
        int digits;
        bool prefix;
        const char* text;
    };
    for (const Row& row :
         {Row{4160, 4, true, "0x1040"}, Row{255, 4, true, "0x00ff"}, Row{0xABCD, 4, true, "0xabcd"},
          Row{0, 4, true, "0x0000"}, Row{0x12345, 4, true, "0x12345"}, Row{0x0A, 2, false, "0a"},
          Row{0, 2, false, "00"}, Row{0xFF, 2, false, "ff"}}) {
        EXPECT_EQ(hex_text(row.value, row.digits, row.prefix), row.text) << row.value;
    }
}

} // namespace
