#include "bit_operations.h"

namespace {
bool valid_bit(int n) {
    return n >= 0 && n <= 15;
}

std::uint16_t mask_of(int n) {
    return static_cast<std::uint16_t>(1u << n);
}
} // namespace

bool Bit_operations::test_bit(std::uint16_t word, int n) const {
    if (!valid_bit(n)) {
        return false;
    }
    return (word & mask_of(n)) != 0;
}

void Bit_operations::set_bit(std::uint16_t& word, int n, int value) const {
    if (!valid_bit(n)) {
        return;
    }
    if (value == 1) {
        word = static_cast<std::uint16_t>(word | mask_of(n));
    } else {
        word = static_cast<std::uint16_t>(word & ~mask_of(n));
    }
}
