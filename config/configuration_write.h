#pragma once

#include "detector_config.h"
#include "detector_identity.h"
#include "parameter_words.h"
#include "segment_image.h"

#include <cstdint>
#include <optional>
#include <string>

class Detector_memory;
class Kept_segments;
class Sequence_pacing;

// Writes a configuration into a detector: reads the whole configuration segment, erases it,
// writes it back with the new words and checksum, erases the backup segment, reads everything
// back and verifies it. Every outcome is told to the user as one modal message (a failed pair
// write also announces its repetition before it happens).
class Configuration_write {
public:
    enum class Outcome {
        verified,
        read_failed,      // the segment could not be read; nothing changed
        erase_failed,     // possibly erased
        write_failed,     // three runs of erase and write failed: the detector is unusable
        backup_failed,    // written, backup segment not erased
        read_back_failed, // written, not verified
        verification_failed,
        detector_changed, // another detector answered before a repeated run or the read-back
        detector_silent,  // no detector answered there; nothing more was erased or written
    };

    static constexpr int attempts = 3;
    // Runs of erase and write within one write before the detector is given up.
    static constexpr int write_runs = 3;
    static constexpr std::uint16_t backup_address = 0xFC00;
    static constexpr std::uint32_t pause_ms = 100;

    Configuration_write(Detector_memory& memory, Sequence_pacing& pacing, Kept_segments& kept)
        : memory(memory), pacing(pacing), kept(kept) {}

    // `config`: the eight new words. `expected`: the parameter pairs the read before this write
    // left, which must survive it. `detector`: the get-info answer of the frame and the WID pair
    // as the read got it; without a WID no image is kept for this detector or taken from one.
    Outcome run(const DetectorConfig& config, const ParameterWords& expected,
                const Detector_identity& detector);

    // The image the last run meant to write (valid once the segment was read).
    const SegmentImage& image() const { return written; }
    int erase_runs() const { return runs; }
    // The segment was read and the image built with the new words and their checksum.
    bool image_built() const { return built; }
    // The message that ended the last run (UTF-8).
    const std::string& final_message() const { return last_message; }

private:
    bool read_segment(const char* text, SegmentImage& into);
    enum class Run { erase_failed, write_failed, written };
    Run erase_and_write();
    ParameterWords::Pair read_parameter(const char* text, std::uint16_t address);
    // Asks the detector for its get-info answer and WID pair again; nullopt when it is the same
    // one, else the outcome that ends the write.
    std::optional<Outcome> confirm_identity(const Detector_identity& detector);
    Outcome stop(Outcome outcome, const std::string& text);

    Detector_memory& memory;
    Sequence_pacing& pacing;
    Kept_segments& kept;
    SegmentImage written;
    int runs = 0;
    bool built = false;
    std::string last_message;
};
