#pragma once

#include <cstdint>

// Single-bit access to one 16-bit configuration word. Bit numbers outside 0 to 15 are ignored
// rather than trusted, so a wrong number can never touch a neighbouring bit.
class Bit_operations {
public:
    Bit_operations() = default;
    ~Bit_operations() = default;

    // False for n outside 0 to 15.
    bool test_bit(std::uint16_t word, int n) const;

    // Value 1 sets bit n, any other value clears it; n outside 0 to 15 leaves the word alone.
    void set_bit(std::uint16_t& word, int n, int value) const;
};
