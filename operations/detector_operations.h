#pragma once

#include "configuration_backup.h"
#include "configuration_read.h"
#include "configuration_write.h"
#include "detector_config.h"
#include "detector_link.h"
#include "kept_segments.h"
#include "link_status.h"
#include "parameter_words.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class Detector_memory;
class MSP430_bootloader;
class Sequence_pacing;
class Write_recorder;

// What a read, a write and a monitor tick do with the devices, whichever window asked: make and
// connect the bootloader object (or go through the panel), ask the detector whether it is
// there, run the sequences, keep the identity of the detector and the kept segments, and leave
// the write record's line. Everything the user is to see goes through the pacing's display, so
// the main window shows modal messages while a loop collects them per detector. The caller
// keeps the window's side: the timer, the buttons and opening and closing the progress window.
class Detector_operations {
public:
    // How far an operation got before it ended.
    enum class Reach { no_dongle, no_detector, detector };

    struct Read_report {
        Reach reach = Reach::no_dongle;
        // get-info's status, when it was asked: a damaged answer is no silence.
        int info_status = link_status::no_reply;
        std::uint32_t version = 0;
        std::uint32_t information = 0;
        // The thirteen reads, when the detector answered.
        Configuration_read::Result read;
    };

    struct Write_report {
        Reach reach = Reach::no_dongle;
        int info_status = link_status::no_reply;
        // The detector the write was for, as it confirmed itself.
        Detector_identity detector;
        // How the write ended, when the detector answered.
        std::optional<Configuration_write::Outcome> outcome;
        // The whole new segment, the new addresses with it, reached the detector.
        bool segment_written = false;
        std::string message; // the message that ended the write (UTF-8)
    };

    struct Tick_report {
        bool link_found = false; // the dongle, or the panel link in panel mode
        bool detector_answers = false;
        std::uint32_t version = 0;
        std::uint32_t information = 0;
    };

    // `parameters`: the detector's parameter pairs for the life of the process, refreshed by
    // every read and verified against by every write.
    Detector_operations(ParameterWords& parameters, Write_recorder& recorder)
        : parameters(parameters), recorder(recorder) {}

    // A read: the detector found, its configuration read and judged; every failure told. `show`
    // gets a sound configuration at the moment it is read, before the operation's closing pause.
    Read_report read(const Detector_link& link, Sequence_pacing& pacing,
                     const std::function<void(const DetectorConfig&)>& show = {});
    // A write of `config`: the read before it, then the verified write into the detector that
    // read found and no other. `series_step` is written into the record line (0: none). With
    // `only_wid`, the configuration belongs to that detector: another one found by the read is
    // left untouched (outcome detector_changed, nothing erased).
    Write_report write(const Detector_link& link, const DetectorConfig& config,
                       Sequence_pacing& pacing, int series_step = 0,
                       const std::optional<ParameterWords::Pair>& only_wid = std::nullopt);
    // One look of the connection monitor.
    Tick_report tick(const Detector_link& link);
    // A line for the panel window's event erasure of the detector at `address`.
    void record_event_erasure(int address, int status);

    // Segment images of writes that have not verified yet, per detector, for the life of the
    // process: the only copy of the words the tool does not own while a segment stays erased.
    Kept_segments& kept_segments() { return kept; }

    // get-info's answer counts only when it says something about a detector.
    static bool detector_answers(int status, std::uint32_t version, std::uint32_t information);

    static constexpr int read_progress_maximum = 12;
    static constexpr int write_progress_maximum = 65;

private:
    // Opens the link, finds the detector and runs `work` on it; tells why when it cannot, and
    // ends with the operation's closing pause. The bootloader object lives exactly that long.
    using Work = std::function<void(Detector_memory& memory, std::uint32_t version,
                                    std::uint32_t information)>;
    Reach run(const Detector_link& link, Sequence_pacing& pacing, bool write, int& info_status,
              const Work& work);
    Configuration_read::Result read_configuration(Detector_memory& memory, Sequence_pacing& pacing);
    void record_write(const Detector_link& link, const DetectorConfig& config,
                      const Configuration_write& write, int series_step);
    void keep_backup(const Detector_link& link, Configuration_backup::Kind kind,
                     std::uint32_t version, std::uint32_t information,
                     const std::optional<ParameterWords::Pair>& wid,
                     std::vector<std::uint16_t> words);
    static std::unique_ptr<Detector_memory> memory_for(const Detector_link& link,
                                                       MSP430_bootloader& bootloader);

    ParameterWords& parameters;
    Write_recorder& recorder;
    Kept_segments kept;
};
