// Feeds arbitrary reply reports to the bootloader transaction layer through the simulated
// dongle: any bytes, any number of replies (or none), early or too late, for every operation
// and detector address. The layer must return a status from 0 to 4, touch its outputs only on
// status 0, and never read or write outside its buffers.
//
// Input: byte 0 picks the operation (bits 0-1), the detector address (bits 2-4) and whether the
// dongle refuses output reports (bit 5); bytes 1-6 are the word address and two words; then up
// to three replies (the last one answering all later requests), each a control byte (bit 0:
// answered; bits 1-3: delay in 40 ms steps) and up to 64 report bytes, zero-filled when the input
// ends early. Control bits 4 and 5 put the reply marker into byte 0 and a matching CRC-8 into byte
// 9, so that most inputs get past those two checks and reach the ones behind them.
#include "checksums.h"
#include "msp430_bootloader.h"
#include "sim_hid_behaviour.h"
#include "sim_hid_device.h"
#include "sim_os.h"
#include "virtual_clock.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct Scripted_reply {
    bool answered;
    std::uint32_t delay_ms;
    Sim_report report;
};

// The last scripted reply also answers every later request, so that a short input already
// reaches the checks behind three equal attempts.
class Fuzzed_replies : public Sim_hid_behaviour {
public:
    std::vector<Scripted_reply> replies;
    void on_output_report(Sim_hid_device& device, const Sim_report&) override {
        if (replies.empty()) {
            return;
        }
        const Scripted_reply& next = replies[std::min(used, replies.size() - 1)];
        ++used;
        if (next.answered) {
            device.queue_input_report(next.report, next.delay_ms);
        }
    }

private:
    std::size_t used = 0;
};

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : bytes(data), left(size) {}
    std::uint8_t byte() {
        if (left == 0) {
            return 0;
        }
        --left;
        return *bytes++;
    }
    std::uint16_t word() {
        const std::uint8_t low = byte();
        return static_cast<std::uint16_t>(low | (byte() << 8));
    }
    bool empty() const { return left == 0; }

private:
    const std::uint8_t* bytes;
    std::size_t left;
};

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_bootloader_reply: %s\n", what);
        std::abort();
    }
}

char work_dir[] = "/tmp/ktr_fuzz_XXXXXX";

void remove_work_dir() {
    unlink("msp430_log.txt");
    rmdir(work_dir);
}

} // namespace

// The trace goes to /dev/null in a private working directory and standard output is silenced,
// so that a long run neither fills the disk nor floods the terminal; the trace code still runs.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (mkdtemp(work_dir) == nullptr || chdir(work_dir) != 0 ||
        symlink("/dev/null", "msp430_log.txt") != 0) {
        std::perror("fuzz_bootloader_reply: working directory");
        std::abort();
    }
    std::atexit(remove_work_dir);
    if (std::freopen("/dev/null", "w", stdout) == nullptr) {
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static constexpr std::uint8_t addresses[8] = {0xFF, 0xFE, 0xFA, 0xFB, 0x00, 0x01, 0xFC, 0x7F};

    Input in(data, size);
    const std::uint8_t choice = in.byte();
    const std::uint16_t address = in.word();
    const std::uint16_t first = in.word();
    const std::uint16_t second = in.word();

    Fuzzed_replies behaviour;
    for (int i = 0; i < 3 && !in.empty(); ++i) {
        Scripted_reply reply{};
        const std::uint8_t control = in.byte();
        reply.answered = (control & 1) != 0;
        reply.delay_ms = ((control >> 1) & 7u) * 40u;
        for (std::uint8_t& b : reply.report) {
            b = in.byte();
        }
        if ((control & 0x10) != 0) {
            reply.report[0] = 0x0B;
        }
        if ((control & 0x20) != 0) {
            reply.report[9] = crc8_maxim(&reply.report[1], 8);
        }
        behaviour.replies.push_back(reply);
    }

    Virtual_clock clock;
    Sim_os os(clock);
    set_os_api(&os);
    Sim_hid_device& dongle = os.add_device({"HID\\VID_ABCD&PID_BBBB"});
    dongle.set_behaviour(&behaviour);
    {
        MSP430_bootloader bootloader(static_cast<std::uint8_t>(choice >> 6),
                                     addresses[(choice >> 2) & 7]);
        check(bootloader.connect("B"), "the dongle was not found");
        dongle.set_accepts_output((choice & 0x20) == 0);

        int status = -1;
        switch (choice & 3) {
        case 0: {
            std::uint32_t version = 0xDEADBEEF;
            std::uint32_t info = 0xDEADBEEF;
            status = bootloader.get_info(version, info);
            if (status != 0) {
                check(version == 0xDEADBEEF && info == 0xDEADBEEF, "get-info output on failure");
            } else if (version != 0xDEADBEEF) {
                check(version <= 0xFF && info <= 0xFFFF, "get-info output out of range");
            }
            break;
        }
        case 1: {
            std::uint16_t w1 = first;
            std::uint16_t w2 = second;
            status = bootloader.read_2_words(address, w1, w2);
            if (status != 0) {
                check(w1 == first && w2 == second, "read output on failure");
            }
            break;
        }
        case 2:
            status = bootloader.write_2_words(address, first, second);
            break;
        default:
            status = bootloader.erase_sector(address);
            break;
        }
        check(status >= 0 && status <= 4, "status out of range");
    }
    set_os_api(nullptr);
    return 0;
}
