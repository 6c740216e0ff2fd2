#pragma once

#include "link_test_env.h"
#include "sim_bench.h"
#include "tunex_windows.h"
#include "user_message.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using Segment = std::array<std::uint16_t, 32>;

inline constexpr const char* crc_error = "Błąd CRC w konfiguracji!";
inline constexpr const char* write_done = "Operacja przebiegła prawidłowo";
inline constexpr const char* verify_error = "Błąd zapisu pamięci (weryfikacja nie powiodła się)";
inline constexpr const char* read_error =
    "Błąd odczytu pamięci. Operacja zapisu zostanie przerwana";
inline constexpr const char* erase_error =
    "Błąd kasowania pamięci. Operacja zapisu zostanie przerwana";
inline constexpr const char* write_repeated = "Błąd zapisu pamięci. Upewnij się że czujka jest "
                                              "podłączona poprawnie. Operacja zostanie powtórzona";
inline constexpr const char* write_given_up =
    "UWAGA!!! Błąd zapisu pamięci! Czujka KTR27 jest uszkodzona i nie nadaje się do użycia. "
    "Skontaktuj się z serwisem.";
inline constexpr const char* backup_error = "Błąd operacji kasowania segmentu backup";
inline constexpr const char* detector_silent =
    "Czujka nie odpowiada, więc nie można potwierdzić, że to ta sama czujka. Zapis został "
    "przerwany. Podłącz czujkę i wyślij konfigurację ponownie.";
inline constexpr const char* no_dongle =
    "Nie odnaleziono dongla USB. Podłącz dongle KTR27 do portu USB w komputerze. Jeśli dongle "
    "jest podłączony to upewnij się że jest poprawnie widoczny w menadżerze urządzeń (USB HID). ";
inline constexpr const char* no_detector = "Nie udało się skomunikować z czujką. Upewnij się że "
                                           "czujka jest poprawnie podłączona i zasilona.";

// The real windows, wired as at start-up, over the simulated bench on its virtual clock, in a
// working directory of their own (the trace file), with user messages recorded in order.
// The window is shown, so FormShow has run. The monitor's QTimer is slowed down to never: the
// tests drive ticks themselves, and a tick on wall time would land at random in a test.
class E2e_test : public ::testing::Test {
protected:
    E2e_test();
    ~E2e_test() override;

    TForm_main& form() { return windows->Form_main; }
    TForm_progress& progress() { return windows->Form_progress; }
    TForm_pnx& pnx() { return windows->Form_pnx; }

    // Plugs the dongle (prompt replies) and puts `detector` into its socket.
    Sim_detector& plug(Sim_detector detector);

    // The 32 words of the configuration segment 0x1040..0x107E.
    static Segment segment_of(const Sim_detector& detector);
    // What a write of `config` makes of `before`: the eight words in place, the checksum over
    // words 0 to 14 in word 15, everything else as it was. Computed here, from the checksum
    // alone, not by the code under test.
    static Segment written_segment(const Segment& before, const DetectorConfig& config);

    // Lines of the trace file that start with `prefix`.
    static std::vector<std::string> trace_lines_starting(const std::string& prefix);

    // The texts the progress window showed while `operation` ran, each once in the order they
    // came, looked at whenever the system opened a device or slept.
    std::vector<std::string> progress_texts_during(const std::function<void()>& operation);

    // The write record's rows as the CSV columns' fields, the header's names first.
    std::vector<std::vector<std::string>> record();

    // Logs in to the panel with its loop and picks `address` through "PNX30 (KMX12)...".
    void enter_panel_mode(int address);

    std::uint64_t now() const { return bench.now_ms(); }

    Temp_workdir workdir;
    Sim_bench bench;
    std::vector<std::string> messages;
    std::unique_ptr<Tunex_windows> windows;

private:
    User_message_handler previous;
};
