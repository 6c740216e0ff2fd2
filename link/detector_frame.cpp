#include "detector_frame.h"

#include "checksums.h"

namespace detector_frame {

namespace {

void put_word(Frame& frame, std::size_t at, std::uint16_t value) {
    frame[at] = static_cast<std::uint8_t>(value & 0xFF);
    frame[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

} // namespace

Frame request(std::uint8_t address, std::uint8_t command, std::uint16_t word, std::uint16_t first,
              std::uint16_t second) {
    Frame frame{};
    frame[address_at] = address;
    frame[command_at] = command;
    put_word(frame, word_at, word);
    put_word(frame, first_at, first);
    put_word(frame, second_at, second);
    frame[crc_at] = crc8_maxim(frame.data(), static_cast<std::uint16_t>(crc_at));
    return frame;
}

std::uint16_t word(const Frame& frame, std::size_t at) {
    if (at + 1 >= size) {
        return 0;
    }
    return static_cast<std::uint16_t>(frame[at] | (frame[at + 1] << 8));
}

bool crc_matches(const Frame& frame) {
    return crc8_maxim(frame.data(), static_cast<std::uint16_t>(crc_at)) == frame[crc_at];
}

bool is_rejection(const Frame& reply) {
    return reply[command_at] == rejected && reply[word_at] == rejection_fill &&
           reply[word_at + 1] == rejection_fill;
}

} // namespace detector_frame
