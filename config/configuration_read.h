#pragma once

#include "detector_config.h"
#include "parameter_words.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

class Detector_memory;
class Sequence_pacing;

// The thirteen reads of a detector's configuration and parameter pairs, and their judgement:
// configuration words and checksum word each as the first word of the pair at its own address,
// the parameter pairs straight into the process-wide copy.
class Configuration_read {
public:
    enum class Outcome { ok, communication_error, checksum_error };

    // Reads 1 to 8 (options1 to hc) and 13 (the checksum word): the statuses that decide.
    static constexpr int kept_statuses = 9;

    struct Result {
        Outcome outcome = Outcome::communication_error;
        // The words as read; a word whose reads all failed is 0.
        DetectorConfig config;
        std::array<int, kept_statuses> statuses{};
        // The WID pair when this read got it; a failed WID read leaves the copy in
        // ParameterWords as an earlier read stored it, which may belong to another detector.
        std::optional<ParameterWords::Pair> wid;
    };

    static constexpr int attempts = 3;
    static constexpr std::uint32_t pause_ms = 100;

    Configuration_read(Detector_memory& memory, Sequence_pacing& pacing)
        : memory(memory), pacing(pacing) {}

    // Replaces each parameter pair in `parameters` whose read succeeded.
    Result run(ParameterWords& parameters);

    // "Błąd komunikacji z czujką. " with the final statuses of reads 1 to 8.
    static std::string communication_message(const std::array<int, kept_statuses>& statuses);

private:
    // Progress step and text, messages, the pause, then up to three attempts.
    int read_step(const char* text, std::uint16_t address, std::uint16_t& first,
                  std::uint16_t& second);

    Detector_memory& memory;
    Sequence_pacing& pacing;
};
