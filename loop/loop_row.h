#pragma once

#include "configuration_read.h"
#include "detector_config.h"
#include "parameter_words.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

// One loop address of the table: what the survey found there and how the last write went.
struct Loop_row {
    enum class Read_state {
        not_read,
        read,
        no_reply,
        // get-info's answers came back damaged: several detectors answer at once.
        garbled,
        checksum_error,
        communication_error,
    };
    // no_backup: a restore found no stored configuration for it; the message says why.
    enum class Write_state { none, not_written, verified, failed, no_backup };

    int address = 0;

    Read_state read_state = Read_state::not_read;
    std::array<int, Configuration_read::kept_statuses> statuses{};
    std::uint32_t version = 0;
    std::uint32_t information = 0;
    std::optional<ParameterWords::Pair> wid;
    // The words as read, when the read got them all (also when their checksum failed).
    std::optional<DetectorConfig> found;

    Write_state write_state = Write_state::none;
    QString write_message;
    QDateTime write_time;

    // A detector answered here at the last survey.
    bool answered() const {
        return read_state == Read_state::read || read_state == Read_state::checksum_error ||
               read_state == Read_state::communication_error;
    }
    // Its configuration is known and sound.
    bool configuration_known() const { return read_state == Read_state::read && found; }

    QString read_text() const;
    QString write_text() const;
};
