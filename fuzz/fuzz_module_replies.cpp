// Both checks the tool makes on the interface module's reply reports, fed with arbitrary
// reports. The report lives on the heap at exactly its real size, so the sanitizers catch any
// look past its end; the invariants below catch a check that lets a malformed frame through.
#include "checksums.h"
#include "fuzz_require.h"
#include "usb_protocol.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace {

bool crc_holds(const std::uint8_t* frame, std::size_t covered) {
    const std::uint16_t crc = crc16_arc(frame, static_cast<std::uint8_t>(covered));
    return frame[covered] == (crc >> 8) && frame[covered + 1] == (crc & 0xFF);
}

void seal(std::uint8_t* frame, std::size_t covered) {
    const std::uint16_t crc = crc16_arc(frame, static_cast<std::uint8_t>(covered));
    frame[covered] = static_cast<std::uint8_t>(crc >> 8);
    frame[covered + 1] = static_cast<std::uint8_t>(crc & 0xFF);
}

} // namespace

// Input: one selector byte (fixed command and protocol version), then up to 64 reply bytes;
// a shorter reply is zero-padded as the module device leaves it.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::uint8_t selector = data[0];
    auto reply = std::make_unique<std::uint8_t[]>(USB_protocol::report_size);
    std::memset(reply.get(), 0, USB_protocol::report_size);
    const std::size_t copied =
        size - 1 < USB_protocol::report_size ? size - 1 : USB_protocol::report_size;
    std::memcpy(reply.get(), data + 1, copied);
    // CRCs are hard to guess: on request, give the reply a good one, so that the checks past
    // the CRC are explored too.
    if ((selector & 0x40) != 0 && reply[2] + 5u <= USB_protocol::report_size) {
        seal(reply.get(), reply[2] + 3u);
    } else if ((selector & 0x20) != 0) {
        const double sealing_version = (selector & 0x80) != 0 ? 5.7 : 5.2;
        seal(reply.get(), USB_protocol::reply_data_length(reply[3], sealing_version) + 4u);
    }

    using Check = USB_protocol::Reply_check;

    const auto command = static_cast<std::uint8_t>(USB_protocol::code_block_scan + selector % 6);
    const Check fixed = USB_protocol::check_fixed_reply(reply.get(), command);
    if (fixed == Check::valid || fixed == Check::other_command) {
        const std::size_t covered = std::size_t{reply[2]} + 3;
        fuzz_require(covered + 2 <= USB_protocol::report_size);
        fuzz_require(crc_holds(reply.get(), covered));
        fuzz_require((fixed == Check::valid) == (reply[3] == command));
    } else {
        fuzz_require(fixed == Check::crc_mismatch);
    }

    const double version = (selector & 0x80) != 0 ? 5.7 : 5.2;
    const std::uint8_t length = USB_protocol::reply_data_length(reply[3], version);
    fuzz_require(length + 6u <= USB_protocol::report_size);
    const Check generic = USB_protocol::check_generic_reply(reply.get(), length);
    if (generic == Check::module_error) {
        fuzz_require(reply[0] == 0xAA);
    } else if (generic == Check::valid) {
        fuzz_require(reply[0] != 0xAA);
        fuzz_require(crc_holds(reply.get(), length + 4u));
    } else {
        fuzz_require(generic == Check::crc_mismatch);
    }
    // The generic check takes any data length; one that puts the CRC beyond the report must fail
    // without reading there.
    if (selector + 6u > USB_protocol::report_size) {
        fuzz_require(USB_protocol::check_generic_reply(reply.get(), selector) != Check::valid);
    }
    return 0;
}
