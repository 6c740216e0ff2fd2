#include "configuration_write.h"

#include "detector_memory.h"
#include "kept_segments.h"
#include "link_status.h"
#include "sequence_pacing.h"
#include "user_message.h"

namespace {

constexpr const char* read_error = "Błąd odczytu pamięci. Operacja zapisu zostanie przerwana";
constexpr const char* erase_error = "Błąd kasowania pamięci. Operacja zapisu zostanie przerwana";
constexpr const char* write_repeated = "Błąd zapisu pamięci. Upewnij się że czujka jest "
                                       "podłączona poprawnie. Operacja zostanie powtórzona";
constexpr const char* write_given_up =
    "UWAGA!!! Błąd zapisu pamięci! Czujka KTR27 jest uszkodzona i nie nadaje się do użycia. "
    "Skontaktuj się z serwisem.";
constexpr const char* backup_error = "Błąd operacji kasowania segmentu backup";
constexpr const char* verified_text = "Operacja przebiegła prawidłowo";
constexpr const char* verification_error = "Błąd zapisu pamięci (weryfikacja nie powiodła się)";

} // namespace

bool Configuration_write::read_segment(const char* text, SegmentImage& into) {
    for (int k = 0; k < SegmentImage::pair_count; ++k) {
        pacing.step(text);
        std::uint16_t first = 0;
        std::uint16_t second = 0;
        if (memory.read_with_attempts(SegmentImage::pair_address(k), first, second, attempts) !=
            0) {
            return false;
        }
        into.set_pair(k, first, second);
    }
    return true;
}

Configuration_write::Run Configuration_write::erase_and_write() {
    ++runs;
    pacing.step("Kasowanie pamięci...");
    if (memory.erase_with_attempts(SegmentImage::first_address, attempts) != link_status::ok) {
        return Run::erase_failed;
    }
    for (int k = 0; k < SegmentImage::pair_count; ++k) {
        pacing.step("Zapis pamięci...");
        const auto first = written.words[static_cast<std::size_t>(2 * k)];
        const auto second = written.words[static_cast<std::size_t>(2 * k + 1)];
        if (memory.write_with_attempts(SegmentImage::pair_address(k), first, second, attempts) !=
            0) {
            return Run::write_failed;
        }
    }
    return Run::written;
}

ParameterWords::Pair Configuration_write::read_parameter(const char* text, std::uint16_t address) {
    pacing.step(text);
    pacing.pause(pause_ms);
    // A pair that cannot be read stays 0 and shows in the verification.
    std::uint16_t first = 0;
    std::uint16_t second = 0;
    memory.read_with_attempts(address, first, second, attempts);
    return {first, second};
}

Configuration_write::Outcome
Configuration_write::run(const DetectorConfig& config, const ParameterWords& expected,
                         const std::optional<ParameterWords::Pair>& wid) {
    runs = 0;
    written = SegmentImage{};
    if (!read_segment("Odczyt pamięci...", written)) {
        show_user_message(read_error);
        return Outcome::read_failed;
    }
    if (wid) {
        // Words an earlier, unfinished write of this detector erased come back from its image.
        kept.restore_erased(*wid, written);
    }
    written.place_config(config);
    written.seal();
    if (wid) {
        // From the erase on, until the write verifies, the image is the only full copy of the
        // words the tool does not own.
        kept.keep(*wid, written);
    }

    // A failed pair write is repeated as its message announces: erase again and write the
    // whole image again, up to the last run.
    for (;;) {
        const Run run = erase_and_write();
        if (run == Run::written) {
            break;
        }
        if (run == Run::erase_failed) {
            show_user_message(erase_error);
            return Outcome::erase_failed;
        }
        if (runs >= write_runs) {
            show_user_message(write_given_up);
            return Outcome::write_failed;
        }
        show_user_message(write_repeated);
    }

    if (memory.erase_sector(backup_address) != link_status::ok) {
        show_user_message(backup_error);
        return Outcome::backup_failed;
    }

    const ParameterWords::Pair ur =
        read_parameter("Odczyt parametru UR", ParameterWords::UR_address);
    const ParameterWords::Pair u0 =
        read_parameter("Odczyt parametru U0", ParameterWords::U0_address);
    const ParameterWords::Pair uc =
        read_parameter("Odczyt parametru UC", ParameterWords::UC_address);

    SegmentImage read_back;
    if (!read_segment("Ponowny odczyt pamięci...", read_back)) {
        show_user_message(read_error);
        return Outcome::read_back_failed;
    }

    // WID is not compared: it only names the detector.
    if (read_back == written && ur == expected.UR && u0 == expected.U0 && uc == expected.UC) {
        if (wid) {
            kept.drop(*wid);
        }
        show_user_message(verified_text);
        return Outcome::verified;
    }
    show_user_message(verification_error);
    return Outcome::verification_failed;
}
