#pragma once

#include "detector_memory.h"

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

// A detector's memory without any link: words in a map (absent words read as erased), erases
// that clear the whole segment as flash does, every call logged, and a hook that can make any
// call fail with a status of its choice.
class Fake_memory : public Detector_memory {
public:
    enum class Op { get_info, read, write, erase };
    struct Call {
        Op op;
        std::uint16_t address;
        std::uint16_t first;
        std::uint16_t second;
        bool operator==(const Call&) const = default;
    };

    std::vector<Call> calls;
    // Runs before each call takes effect; a non-zero result fails the call with that status.
    std::function<int(const Call&)> hook;
    std::map<std::uint16_t, std::uint16_t> words;
    std::uint32_t version = 52;
    std::uint32_t information = 0x21;

    std::uint16_t word(std::uint16_t address) const {
        const auto found = words.find(address);
        return found == words.end() ? 0xFFFF : found->second;
    }

    int get_info(std::uint32_t& v, std::uint32_t& i) override {
        if (const int status = record({Op::get_info, 0, 0, 0})) {
            return status;
        }
        v = version;
        i = information;
        return 0;
    }

    int read_2_words(std::uint16_t address, std::uint16_t& first, std::uint16_t& second) override {
        if (const int status = record({Op::read, address, 0, 0})) {
            return status;
        }
        first = word(address);
        second = word(static_cast<std::uint16_t>(address + 2));
        return 0;
    }

    int write_2_words(std::uint16_t address, std::uint16_t first, std::uint16_t second) override {
        if (const int status = record({Op::write, address, first, second})) {
            return status;
        }
        words[address] = first;
        words[static_cast<std::uint16_t>(address + 2)] = second;
        return 0;
    }

    int erase_sector(std::uint16_t address) override {
        if (const int status = record({Op::erase, address, 0, 0})) {
            return status;
        }
        const std::uint16_t size = address >= 0xFC00 ? 512 : 64;
        const auto start = static_cast<std::uint16_t>(address & ~(size - 1));
        for (std::uint32_t a = start; a < static_cast<std::uint32_t>(start + size); a += 2) {
            words.erase(static_cast<std::uint16_t>(a));
        }
        return 0;
    }

    std::vector<Call> calls_of(Op op) const {
        std::vector<Call> found;
        for (const Call& call : calls) {
            if (call.op == op) {
                found.push_back(call);
            }
        }
        return found;
    }

private:
    int record(const Call& call) {
        calls.push_back(call);
        return hook ? hook(call) : 0;
    }
};
