#pragma once

#include <cstdint>

// The time an operation cannot go below: the pauses and poll sleeps the protocol prescribes,
// with every transfer completing at its first look. It holds for one operation only when that
// operation is charged exactly its own sleeps; the benchmark's clock evens out sleep overshoot
// from one sleep to the next, so the benchmark settles that account between operations (a
// tick, 52 ms ending on a 1 ms sleep, could otherwise come out below this floor).
//
// Through the dongle, each transfer is the 25 ms pause before it and one 1 ms poll sleep; a
// transaction is a request and its reply. Through the panel, the module takes each report with
// one 1 ms poll sleep and no pause; a detector request is two module transactions (hand the
// request over, fetch the reply), and get-info waits 100 ms for the detector between them.
class Protocol_floor {
public:
    static constexpr std::uint64_t transfer_ms = 25 + 1;
    static constexpr std::uint64_t transaction_ms = 2 * transfer_ms;
    static constexpr std::uint64_t module_transaction_ms = 2 * 1;
    static constexpr std::uint64_t tunnel_ms = 2 * module_transaction_ms;
    static constexpr std::uint64_t detector_answer_wait_ms = 100;
    static constexpr std::uint64_t step_pause_ms = 100;
    static constexpr std::uint64_t final_pause_ms = 200;

    // "Odczytaj": the pause before get-info, get-info, thirteen reads each after its pause,
    // the pause before the verification, the pause at the end.
    static std::uint64_t read_ms();
    // "Wyslij": the read's frame and reads, then 16 pair reads, the erase, 16 pair writes, the
    // backup erase, three parameter reads each after its pause, 16 pair reads.
    static std::uint64_t write_ms();
    // One monitor tick: get-info.
    static std::uint64_t tick_ms();
    // The same read and write through the panel.
    static std::uint64_t panel_read_ms();
    static std::uint64_t panel_write_ms();
    // The loop window's survey and write of `detectors` detectors: each detector's panel read
    // or write, one after another. The loop adds no transfer or pause of its own: pointing the
    // connection at the next detector is bookkeeping, and the module is asked whether it still
    // answers only after a detector failed.
    static std::uint64_t loop_survey_ms(int detectors);
    static std::uint64_t loop_write_ms(int detectors);
};
