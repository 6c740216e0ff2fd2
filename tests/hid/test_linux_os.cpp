#include "hid_device.h"
#include "linux_os.h"
#include "os_api.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

using Report = std::array<std::uint8_t, 64>;

Report pattern(std::uint8_t first) {
    Report r{};
    for (std::size_t i = 0; i < r.size(); ++i) {
        r[i] = static_cast<std::uint8_t>(first + i);
    }
    return r;
}

// A pseudo-terminal in raw mode stands in for a hidraw node: the test holds the master side as
// the device, the system under test opens the slave by path for writing and for reading.
// Closing the master is unplugging: the node then reports a hang-up, reads end and writes fail.
class Pty_device {
public:
    Pty_device() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        EXPECT_GE(master, 0);
        EXPECT_EQ(::grantpt(master), 0);
        EXPECT_EQ(::unlockpt(master), 0);
        slave_path = ::ptsname(master);
        // Held open so the line settings stay; it never reads.
        keeper = ::open(slave_path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios settings{};
        ::tcgetattr(keeper, &settings);
        ::cfmakeraw(&settings);
        ::tcsetattr(keeper, TCSANOW, &settings);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    ~Pty_device() {
        unplug();
        ::close(keeper);
    }
    Pty_device(const Pty_device&) = delete;
    Pty_device& operator=(const Pty_device&) = delete;

    void unplug() {
        if (master >= 0) {
            ::close(master);
            master = -1;
        }
    }
    // The device sends an input report: 64 bytes, no report ID, as hidraw hands them over.
    void answer(const Report& report) {
        ASSERT_EQ(::write(master, report.data(), report.size()), 64);
    }
    // What the host wrote, waiting up to a second for `count` bytes to arrive.
    std::vector<std::uint8_t> take(std::size_t count) {
        std::vector<std::uint8_t> bytes;
        for (int waits = 0; bytes.size() < count && waits < 1000; ++waits) {
            std::uint8_t chunk[4096];
            const ssize_t n = ::read(master, chunk, std::min(sizeof chunk, count - bytes.size()));
            if (n > 0) {
                bytes.insert(bytes.end(), chunk, chunk + n);
            } else {
                pollfd watch{master, POLLIN, 0};
                ::poll(&watch, 1, 1);
            }
        }
        return bytes;
    }
    // Everything the host has written so far.
    std::size_t drain() {
        std::size_t total = 0;
        std::uint8_t chunk[4096];
        for (;;) {
            pollfd watch{master, POLLIN, 0};
            if (::poll(&watch, 1, 50) <= 0) {
                return total;
            }
            const ssize_t n = ::read(master, chunk, sizeof chunk);
            if (n <= 0) {
                return total;
            }
            total += static_cast<std::size_t>(n);
        }
    }

    std::string slave_path;

private:
    int master = -1;
    int keeper = -1;
};

class Linux_os_test : public testing::Test {
protected:
    Linux_os_test() {
        fs::create_directories(root / "sys");
        fs::create_directories(root / "dev");
        set_os_api(&os);
        HID_device::set_log_observer([this](const std::string& text) { log.push_back(text); });
    }
    ~Linux_os_test() override {
        HID_device::set_log_observer(nullptr);
        set_os_api(nullptr);
        fs::remove_all(root);
    }

    void add_node(const std::string& name, const std::string& uevent) {
        fs::create_directories(root / "sys" / name / "device");
        std::ofstream(root / "sys" / name / "device" / "uevent") << uevent;
    }
    void attach(const std::string& name, const Pty_device& device) {
        fs::create_symlink(device.slave_path, root / "dev" / name);
    }
    std::string dev(const std::string& name) const { return (root / "dev" / name).string(); }
    Os_handle open(const std::string& name, std::uint32_t access, std::uint32_t flags) {
        return os.create_file(dev(name).c_str(), access,
                              os_const::file_share_read | os_const::file_share_write,
                              os_const::open_existing, flags);
    }
    std::vector<std::string> device_ids() const {
        std::vector<std::string> ids;
        for (const std::string& text : log) {
            if (text.rfind("Device ID is: ", 0) == 0) {
                ids.push_back(text.substr(14));
            }
        }
        return ids;
    }

    static fs::path make_root() {
        char pattern_dir[] = "/tmp/ktr_hidraw_XXXXXX";
        const char* made = ::mkdtemp(pattern_dir);
        EXPECT_NE(made, nullptr);
        return made != nullptr ? fs::path(made) : fs::path("/nonexistent/ktr_hidraw");
    }

    fs::path root = make_root();
    Linux_os os{(fs::path(root) / "sys").string(), (fs::path(root) / "dev").string()};
    std::vector<std::string> log;
};

TEST_F(Linux_os_test, nodes_are_enumerated_by_number_with_ids_from_their_uevent) {
    add_node("hidraw10", "DRIVER=hid-generic\nHID_ID=0003:0000ABCD:0000BBBB\nHID_NAME=Dongle\n");
    add_node("hidraw2", "HID_ID=0003:0000abcd:0000aaaa\n");
    add_node("hidraw1", "HID_ID=0003:0000046D:0000C077\n");
    add_node("hidraw3", "DRIVER=hid-generic\n"); // no HID_ID: no hardware ID
    add_node("hidrawX", "HID_ID=0003:0000ABCD:0000BBBB\n");
    add_node("event4", "HID_ID=0003:0000ABCD:0000BBBB\n");

    const auto list = os.interfaces();
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].path, dev("hidraw1"));
    EXPECT_EQ(list[3].path, dev("hidraw10"));
    EXPECT_TRUE(list[2].hardware_ids.empty());

    HID_device device;
    // Found, but the node itself is missing from the device directory.
    EXPECT_FALSE(device.search("VID_ABCD&PID_BBBB", true));
    EXPECT_EQ(device_ids(),
              (std::vector<std::string>{"HID\\VID_046D&PID_C077", "HID\\VID_ABCD&PID_AAAA",
                                        "HID\\VID_ABCD&PID_BBBB"}));
    EXPECT_NE(std::find(log.begin(), log.end(), "HID device found: VID_ABCD&PID_BBBB"), log.end());
    EXPECT_EQ(log.back(), "NB Error");
}

TEST_F(Linux_os_test, hardware_ids_need_a_well_formed_hid_id_line) {
    struct Case {
        const char* uevent;
        const char* id; // empty: no hardware ID
    };
    const Case cases[] = {
        {"HID_ID=0003:0000ABCD:0000BBBB", "HID\\VID_ABCD&PID_BBBB"},
        {"HID_NAME=x\nHID_ID=0005:0000abcd:00000003\n", "HID\\VID_ABCD&PID_0003"},
        {"HID_ID=0003:ABCD:1", "HID\\VID_ABCD&PID_0001"},
        {"HID_ID=0003:0001ABCD:0000BBBB", ""},
        {"HID_ID=0003:0000ABCD", ""},
        {"HID_ID=0003:0000ABCD:", ""},
        {"HID_ID=zz:0000ABCD:0000BBBB", ""},
        {"HID_ID=0003:000000000ABCD:0000BBBB", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.uevent);
        fs::remove_all(root / "sys" / "hidraw0");
        add_node("hidraw0", c.uevent);
        const auto list = os.interfaces();
        ASSERT_EQ(list.size(), 1u);
        if (std::string(c.id).empty()) {
            EXPECT_TRUE(list[0].hardware_ids.empty());
        } else {
            EXPECT_EQ(list[0].hardware_ids, std::vector<std::string>{c.id});
        }
    }
}

TEST_F(Linux_os_test, a_missing_class_directory_means_no_device) {
    fs::remove_all(root / "sys");
    HID_device device;
    EXPECT_FALSE(device.search("VID_ABCD&PID_BBBB", true));
    EXPECT_EQ(log.back(), "Error. Could not find the device.");
}

TEST_F(Linux_os_test, send_and_receive_move_reports_through_the_node) {
    Pty_device dongle;
    add_node("hidraw0", "HID_ID=0003:0000ABCD:0000BBBB\n");
    attach("hidraw0", dongle);
    HID_device device;
    ASSERT_TRUE(device.search("vid_abcd&pid_bbbb", true));

    const Report request = pattern(0x10);
    ASSERT_TRUE(device.send(request.data(), false));
    const std::vector<std::uint8_t> wire = dongle.take(65);
    ASSERT_EQ(wire.size(), 65u);
    EXPECT_EQ(wire[0], 0);
    EXPECT_TRUE(std::equal(request.begin(), request.end(), wire.begin() + 1));

    const Report reply = pattern(0xA0);
    dongle.answer(reply);
    Report received{};
    ASSERT_TRUE(device.receive(received.data(), true));
    EXPECT_EQ(received, reply);
    EXPECT_EQ(log.back(), "OK [65]");
}

TEST_F(Linux_os_test, an_unanswered_receive_is_cancelled_at_the_limit) {
    Pty_device dongle;
    add_node("hidraw0", "HID_ID=0003:0000ABCD:0000BBBB\n");
    attach("hidraw0", dongle);
    HID_device device;
    ASSERT_TRUE(device.search("VID_ABCD&PID_BBBB", true));
    Report received;
    received.fill(0x55);
    log.clear();
    EXPECT_FALSE(device.receive(received.data(), true));
    EXPECT_EQ(received, Report{});
    EXPECT_EQ(log, (std::vector<std::string>{"HID device receiving...",
                                             "HID device receiving counter = 251", "Error [0]"}));
    // A report arriving after the cancellation is left for the next read.
    dongle.answer(pattern(1));
    EXPECT_TRUE(device.receive(received.data(), false));
    EXPECT_EQ(received, pattern(1));
}

TEST_F(Linux_os_test, transfers_after_unplugging_are_refused) {
    Pty_device dongle;
    add_node("hidraw0", "HID_ID=0003:0000ABCD:0000BBBB\n");
    attach("hidraw0", dongle);
    HID_device device;
    ASSERT_TRUE(device.search("VID_ABCD&PID_BBBB", true));
    const Os_handle writer = open("hidraw0", os_const::generic_write, 0);
    ASSERT_NE(writer, os_invalid_handle);
    dongle.unplug();
    // The node itself is gone, as a hidraw node is once its device is removed.
    EXPECT_EQ(open("hidraw0", os_const::generic_read, 0), os_invalid_handle);
    EXPECT_EQ(os.last_error(), os_const::error_file_not_found);
    const std::vector<std::uint8_t> wire(65, 0);
    Os_overlapped record{};
    EXPECT_FALSE(os.write_file(writer, wire.data(), 65, nullptr, &record));
    EXPECT_EQ(os.last_error(), os_const::error_device_not_connected);
    EXPECT_EQ(os.overlapped_status(&record), os_const::status_pending);
    os.close_handle(writer);

    log.clear();
    const Report request = pattern(0);
    EXPECT_FALSE(device.send(request.data(), true));
    EXPECT_EQ(log, (std::vector<std::string>{"HID device sending...", "Error [0]"}));
}

TEST_F(Linux_os_test, a_waiting_read_ends_with_an_error_status_on_unplugging) {
    Pty_device dongle;
    add_node("hidraw0", "HID_ID=0003:0000ABCD:0000BBBB\n");
    attach("hidraw0", dongle);
    const Os_handle reader =
        open("hidraw0", os_const::generic_read, os_const::file_flag_overlapped);
    ASSERT_NE(reader, os_invalid_handle);
    std::array<std::uint8_t, 65> buffer{};
    buffer.fill(0);
    Os_overlapped record{};
    EXPECT_FALSE(os.read_file(reader, buffer.data(), 65, nullptr, &record));
    EXPECT_EQ(os.last_error(), os_const::error_io_pending);
    EXPECT_EQ(os.overlapped_status(&record), os_const::status_pending);
    dongle.unplug();
    std::uintptr_t status = os_const::status_pending;
    for (int looks = 0; looks < 1000 && status == os_const::status_pending; ++looks) {
        os.sleep_ms(1);
        status = os.overlapped_status(&record);
    }
    EXPECT_NE(status, os_const::status_pending);
    EXPECT_NE(status, 0u);
    EXPECT_EQ(record.InternalHigh, 0u);
    EXPECT_EQ(buffer, (std::array<std::uint8_t, 65>{}));
    EXPECT_TRUE(os.close_handle(reader));
}

TEST_F(Linux_os_test, a_write_the_node_cannot_take_stays_pending_until_drained_or_cancelled) {
    Pty_device dongle;
    add_node("hidraw0", "HID_ID=0003:0000ABCD:0000BBBB\n");
    attach("hidraw0", dongle);
    const Os_handle writer =
        open("hidraw0", os_const::generic_write, os_const::file_flag_overlapped);
    const std::vector<std::uint8_t> wire(65, 0);
    // Fill the node's buffer until a write has to wait.
    auto fill = [&](Os_overlapped& record) {
        for (int writes = 0; writes < 100000; ++writes) {
            record = {};
            if (!os.write_file(writer, wire.data(), 65, nullptr, &record)) {
                return os.last_error() == os_const::error_io_pending;
            }
        }
        return false;
    };
    Os_overlapped record{};
    ASSERT_TRUE(fill(record));
    EXPECT_EQ(os.overlapped_status(&record), os_const::status_pending);
    dongle.drain();
    std::uintptr_t status = os_const::status_pending;
    for (int looks = 0; looks < 1000 && status == os_const::status_pending; ++looks) {
        os.sleep_ms(1);
        status = os.overlapped_status(&record);
    }
    EXPECT_EQ(status, 0u);

    Os_overlapped cancelled{};
    ASSERT_TRUE(fill(cancelled));
    os.cancel_io(writer, &cancelled);
    EXPECT_EQ(cancelled.Internal, 0xC0000120u);
    dongle.drain();
    EXPECT_EQ(os.overlapped_status(&cancelled), 0xC0000120u);
    os.close_handle(writer);
}

TEST_F(Linux_os_test, plain_transfers_block_until_done) {
    Pty_device dongle;
    add_node("hidraw0", "HID_ID=0003:0000ABCD:0000BBBB\n");
    attach("hidraw0", dongle);
    HID_device device;
    ASSERT_TRUE(device.search("VID_ABCD&PID_BBBB", false));
    const Report request = pattern(3);
    EXPECT_TRUE(device.send(request.data(), true));
    EXPECT_EQ(log.back(), "OK [65]");
    EXPECT_EQ(dongle.take(65).size(), 65u);
    std::thread late_answer([&dongle] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        dongle.answer(pattern(0x30));
    });
    Report received{};
    EXPECT_TRUE(device.receive(received.data(), false));
    late_answer.join();
    EXPECT_EQ(received, pattern(0x30));
}

TEST_F(Linux_os_test, nodes_are_only_ever_opened_never_created) {
    EXPECT_EQ(open("hidraw7", os_const::generic_read, 0), os_invalid_handle);
    EXPECT_EQ(os.last_error(), os_const::error_file_not_found);
    EXPECT_EQ(
        os.create_file(dev("hidraw7").c_str(), os_const::generic_write, 0, 2u /* create */, 0),
        os_invalid_handle);
    EXPECT_FALSE(fs::exists(root / "dev" / "hidraw7"));
}

TEST_F(Linux_os_test, only_the_setup_library_loads) {
    EXPECT_EQ(os.load_library("kernel32.dll"), nullptr);
    const Os_library library = os.load_library("SETUPAPI.DLL");
    ASSERT_NE(library, nullptr);
    EXPECT_NE(os.get_proc_address(library, "SetupDiGetClassDevsA"), nullptr);
    EXPECT_EQ(os.get_proc_address(library, "CreateFileA"), nullptr);
    os.free_library(library);
    EXPECT_EQ(os.get_proc_address(library, "SetupDiGetClassDevsA"), nullptr);
}

} // namespace
