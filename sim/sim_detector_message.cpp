#include "sim_detector_message.h"

#include "checksums.h"

Sim_detector_bytes Sim_detector_message::make(std::uint8_t address, std::uint8_t code,
                                              std::uint16_t field, std::uint16_t first,
                                              std::uint16_t second) {
    Sim_detector_bytes message{address,
                               code,
                               static_cast<std::uint8_t>(field & 0xFF),
                               static_cast<std::uint8_t>(field >> 8),
                               static_cast<std::uint8_t>(first & 0xFF),
                               static_cast<std::uint8_t>(first >> 8),
                               static_cast<std::uint8_t>(second & 0xFF),
                               static_cast<std::uint8_t>(second >> 8),
                               0};
    return sealed(message);
}

Sim_detector_bytes Sim_detector_message::sealed(Sim_detector_bytes message) {
    message[8] = crc8_maxim(message.data(), 8);
    return message;
}

bool Sim_detector_message::crc_ok(const Sim_detector_bytes& message) {
    return crc8_maxim(message.data(), 8) == message[8];
}

std::uint16_t Sim_detector_message::value(const Sim_detector_bytes& message, std::size_t low_byte) {
    if (low_byte + 1 >= 8) {
        return 0;
    }
    return static_cast<std::uint16_t>(message[low_byte] | (message[low_byte + 1] << 8));
}

Sim_detector_bytes Sim_detector_message::rejected(std::uint8_t from) {
    return sealed({from, rejection, rejection_filler, rejection_filler, 0, 0, 0, 0, 0});
}

Sim_detector_bytes Sim_detector_message::with_bad_crc(Sim_detector_bytes reply) {
    // One flipped data bit, as noise on the line would leave it; CRC-8 catches every single-bit
    // error, so the receiver must see a mismatch.
    reply[5] ^= 0x01;
    return reply;
}

Sim_detector_bytes Sim_detector_message::with_wrong_command(Sim_detector_bytes reply) {
    reply[1] = 0x00;
    return sealed(reply);
}

Sim_detector_bytes Sim_detector_message::with_wrong_echo(Sim_detector_bytes reply) {
    switch (reply[1]) {
    case get_info:
        reply[2] = 0x00; // the identity marker is missing
        break;
    case write: {
        // the second word comes back one off, as if a bit was lost in programming
        const auto second = static_cast<std::uint16_t>(value(reply, 6) + 1);
        reply[6] = static_cast<std::uint8_t>(second & 0xFF);
        reply[7] = static_cast<std::uint8_t>(second >> 8);
        break;
    }
    default: {
        // the answer names the neighbouring address (or sub-code)
        const auto field = static_cast<std::uint16_t>(value(reply, 2) + 2);
        reply[2] = static_cast<std::uint8_t>(field & 0xFF);
        reply[3] = static_cast<std::uint8_t>(field >> 8);
        break;
    }
    }
    return sealed(reply);
}

Sim_detector_bytes Sim_detector_message::with_line_noise(Sim_detector_bytes request) {
    request[6] ^= 0x01;
    return request;
}
