#pragma once

#include "configuration_read.h"
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

    // Every outcome from these on comes after the whole segment, a new address with it, was
    // written.
    static bool segment_written(Outcome outcome) {
        return outcome == Outcome::verified || outcome == Outcome::backup_failed ||
               outcome == Outcome::read_back_failed || outcome == Outcome::verification_failed;
    }

    static constexpr int attempts = 3;
    // Runs of erase and write within one write before the detector is given up.
    static constexpr int write_runs = 3;
    static constexpr std::uint16_t backup_address = 0xFC00;
    static constexpr std::uint32_t pause_ms = 100;

    Configuration_write(Detector_memory& memory, Sequence_pacing& pacing, Kept_segments& kept)
        : memory(memory), pacing(pacing), kept(kept) {}

    // `config`: the eight new words. `expected`: the parameter pairs the read before this write
    // left, which must survive it. `detector`: the get-info answer of the frame and the WID pair
    // as the read got it; a WID pair the read missed is read once more before anything else.
    // Without a WID naming the detector no image is kept for it or taken from one.
    Outcome run(const DetectorConfig& config, const ParameterWords& expected,
                const Detector_identity& detector);

    // The read before this write showed the user a message, `read` being what it got. While a
    // message is open the detector may be swapped, so the next run makes sure of the detector
    // before it reads the segment.
    void confirm_after_message(const Configuration_read::Result& read) { read_before = read; }

    // The detector the last run wrote for, with the WID pair it read itself where the frame's
    // read had none.
    const Detector_identity& detector() const { return identity; }

    // The image the last run meant to write (valid once the segment was read).
    const SegmentImage& image() const { return written; }
    int erase_runs() const { return runs; }
    // The segment was read and the image built with the new words and their checksum.
    bool image_built() const { return built; }
    // The segment as the write read it before the first erase; only with image_built().
    const SegmentImage& segment_as_read() const { return as_read; }
    // The message that ended the last run (UTF-8).
    const std::string& final_message() const { return last_message; }

private:
    bool read_segment(const char* text, SegmentImage& into);
    enum class Run { erase_failed, write_failed, written };
    Run erase_and_write();
    ParameterWords::Pair read_parameter(const char* text, std::uint16_t address);
    std::optional<ParameterWords::Pair> read_wid();

    // What the detector answering now says about itself compared with `identity`.
    struct Answer {
        // Set when the write ends here (its message shown).
        std::optional<Outcome> ended;
        // Same get-info answer, but no WID pair tells whether it is the same detector.
        bool unnamed = false;
        std::optional<ParameterWords::Pair> wid;
    };
    Answer ask_identity();
    // Before a repeated run: nullopt when the detector answering is the one this write erased,
    // else the outcome that ends the write.
    std::optional<Outcome> confirm_identity();
    Outcome stop(Outcome outcome, const std::string& text);

    Detector_memory& memory;
    Sequence_pacing& pacing;
    Kept_segments& kept;
    std::optional<Configuration_read::Result> read_before;
    Detector_identity identity;
    SegmentImage written;
    SegmentImage as_read;
    int runs = 0;
    bool built = false;
    std::string last_message;
};
