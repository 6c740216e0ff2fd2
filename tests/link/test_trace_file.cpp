// The trace file: created when missing, only ever appended to, one space, the text and the line
// end per call, and silent when it cannot be written.
#include "link_test_env.h"
#include "msp430_bootloader.h"
#include "trace_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

void write_bytes(const std::string& name, const std::string& bytes) {
    std::ofstream out(name, std::ios::binary);
    out << bytes;
}

class Trace_file : public ::testing::Test {
protected:
    Temp_workdir workdir;
};

TEST_F(Trace_file, FirstLineCreatesTheFile) {
    ASSERT_FALSE(fs::exists("msp430_log.txt"));
    append_trace_line("HID: Creating HID devices...");
    EXPECT_EQ(read_bytes("msp430_log.txt"), std::string(" HID: Creating HID devices...") + eol);
}

TEST_F(Trace_file, LinesAreWrittenUnchanged) {
    struct Row {
        std::string text;
        std::string bytes;
    };
    const Row rows[] = {
        {"", std::string(" ") + eol},
        {"tx: 0a ff ", std::string(" tx: 0a ff ") + eol},
        {"  two leading", std::string("   two leading") + eol},
        {"Połącz żółw", std::string(" Połącz żółw") + eol},
        {std::string("nul\0inside", 10), std::string(" nul\0inside", 11) + eol},
    };
    for (const Row& row : rows) {
        fs::remove("msp430_log.txt");
        append_trace_line(row.text);
        EXPECT_EQ(read_bytes("msp430_log.txt"), row.bytes) << row.text;
    }
}

TEST_F(Trace_file, ExistingContentIsKeptAndAppendedToAfterItsLastByte) {
    const std::string old = std::string(5000, 'x') + "\nlast line without end";
    write_bytes("msp430_log.txt", old);
    append_trace_line("one");
    append_trace_line("two");
    EXPECT_EQ(read_bytes("msp430_log.txt"),
              old + " one" + std::string(eol) + " two" + std::string(eol));
}

TEST_F(Trace_file, EachLineIsOnDiskWhenTheCallReturns) {
    append_trace_line("first");
    const std::string after_first = read_bytes("msp430_log.txt");
    append_trace_line("second");
    EXPECT_EQ(after_first, std::string(" first") + eol);
    // Nothing is held open: the file can be replaced between lines.
    fs::remove("msp430_log.txt");
    append_trace_line("third");
    EXPECT_EQ(read_bytes("msp430_log.txt"), std::string(" third") + eol);
}

TEST_F(Trace_file, UnopenableFileLosesTheLineSilently) {
    fs::create_directory("msp430_log.txt");
    append_trace_line("lost");
    EXPECT_TRUE(fs::is_directory("msp430_log.txt"));
    EXPECT_TRUE(fs::is_empty("msp430_log.txt"));
}

TEST_F(Trace_file, NamedFolderTakesTheLinesWhateverLettersItsNameHas) {
    const fs::path folder = workdir.path() / u8"Łukasz Żółć";
    fs::create_directory(folder);
    set_trace_folder(folder);
    append_trace_line("one");
    EXPECT_EQ(trace_file_path(), folder / "msp430_log.txt");
    set_trace_folder({});
    EXPECT_EQ(read_bytes(folder / "msp430_log.txt"), std::string(" one") + eol);
    EXPECT_FALSE(fs::exists("msp430_log.txt"));
}

// What the link does, reduced to what a caller can see: statuses, outputs and the bytes on the
// wire, plus the virtual time spent.
struct Observed {
    std::vector<int> statuses;
    std::vector<std::uint32_t> outputs;
    std::vector<std::vector<std::uint8_t>> wire;
    std::uint64_t elapsed_ms = 0;
    bool operator==(const Observed&) const = default;
};

Observed run_session() {
    Virtual_clock clock;
    Scripted_replies replies;
    Sim_os os(clock);
    set_os_api(&os);
    Sim_hid_device& dongle = os.add_device({hardware_id_b});
    dongle.set_behaviour(&replies);
    replies.script({info_reply(7, 9), with_bad_crc(reply_report(0xBB, 0x1040, 1, 2)),
                    reply_report(0xBB, 0x1040, 1, 2), reply_report(0xAA, 0x1040, 3, 4),
                    std::nullopt, std::nullopt, std::nullopt});
    Observed seen;
    {
        MSP430_bootloader bootloader(2);
        seen.statuses.push_back(bootloader.connect("B") ? 1 : 0);
        std::uint32_t version = 0;
        std::uint32_t info = 0;
        std::uint16_t first = 0;
        std::uint16_t second = 0;
        seen.statuses.push_back(bootloader.get_info(version, info));
        seen.statuses.push_back(bootloader.read_2_words(0x1040, first, second));
        seen.statuses.push_back(bootloader.write_2_words(0x1040, 3, 4));
        seen.statuses.push_back(bootloader.erase_sector(0xFC00));
        seen.outputs = {version, info, first, second};
    }
    {
        MSP430_bootloader unplugged(2);
        seen.statuses.push_back(unplugged.connect("A") ? 1 : 0);
    }
    seen.wire = dongle.written_wire();
    seen.elapsed_ms = clock.now_ms();
    set_os_api(nullptr);
    return seen;
}

TEST_F(Trace_file, UnwritableWorkingDirectoryChangesNothingElse) {
    const Observed writable = run_session();
    EXPECT_FALSE(read_bytes("msp430_log.txt").empty());
    EXPECT_EQ(writable.statuses, (std::vector<int>{1, 0, 0, 0, 1, 0}));

    Temp_workdir locked;
    fs::permissions(locked.path(), fs::perms::owner_read | fs::perms::owner_exec);
    if (std::FILE* probe = std::fopen("probe", "a")) {
        // Permissions do not bind this user (root): use a directory nothing can be created in.
        std::fclose(probe);
        fs::remove("probe");
        fs::permissions(locked.path(), fs::perms::owner_all);
        fs::create_directory("msp430_log.txt");
    }
    const Observed unwritable = run_session();
    EXPECT_EQ(unwritable, writable);
    EXPECT_FALSE(fs::is_regular_file("msp430_log.txt"));
}

} // namespace
