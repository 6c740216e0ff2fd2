// The Windows seam against the real system calls (under Wine in the cross-build): overlapped
// transfers on a named pipe that stands in for a HID device path, and the device-setup library.

#include "pipe_device.h"
#include "win32_os.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr std::uint32_t report_size = 65;
constexpr int poll_limit = 250;
constexpr std::uintptr_t status_success = 0;
constexpr std::uintptr_t status_cancelled = 0xC0000120u;
constexpr std::uint8_t untouched = 0xEE;

using Report = std::array<std::uint8_t, report_size>;

Report numbered_report(std::uint8_t first) {
    Report report{};
    for (std::size_t i = 1; i < report.size(); ++i) {
        report[i] = static_cast<std::uint8_t>(first + i);
    }
    return report;
}

std::vector<std::uint8_t> bytes(const Report& report) {
    return {report.begin(), report.end()};
}

// One overlapped transfer as the HID classes make it: a zeroed record carrying a fresh event,
// a byte count that starts at the report size.
struct Transfer {
    explicit Transfer(Os_api& os) : os(os) { restart(); }
    ~Transfer() { close_event(); }
    Transfer(const Transfer&) = delete;
    Transfer& operator=(const Transfer&) = delete;

    void restart() {
        close_event();
        record = Os_overlapped{};
        record.hEvent = os.create_event();
        count = report_size;
    }
    void close_event() {
        if (record.hEvent != 0) {
            os.close_handle(record.hEvent);
            record.hEvent = 0;
        }
    }
    std::uintptr_t status() { return os.overlapped_status(&record); }

    // Looks at the status word and sleeps 1 ms, as the HID classes poll: the number of looks
    // until the transfer was seen to end, or limit + 1 when it was still pending at the limit.
    int poll(int limit = poll_limit) {
        for (int look = 1;; ++look) {
            const bool ended = status() != os_const::status_pending;
            if (look > limit) {
                return look;
            }
            os.sleep_ms(1);
            if (ended) {
                return look;
            }
        }
    }

    Os_api& os;
    Os_overlapped record{};
    std::uint32_t count = report_size;
};

class Win32_pipe : public ::testing::Test {
protected:
    // Opens the two client handles the way the HID classes open a device path.
    void open_client(std::uint32_t flags = os_const::file_flag_overlapped) {
        device.open_next();
        write_handle = os.create_file(device.path().c_str(), os_const::generic_write, share,
                                      os_const::open_existing, flags);
        device.open_next();
        read_handle = os.create_file(device.path().c_str(), os_const::generic_read, share,
                                     os_const::open_existing, flags);
        ASSERT_NE(write_handle, os_invalid_handle) << os.last_error();
        ASSERT_NE(read_handle, os_invalid_handle) << os.last_error();
        ASSERT_TRUE(device.connected(0, 1000));
        ASSERT_TRUE(device.connected(1, 1000));
    }

    void TearDown() override {
        for (Os_handle handle : {write_handle, read_handle}) {
            if (handle != os_invalid_handle) {
                EXPECT_TRUE(os.close_handle(handle));
            }
        }
    }

    static constexpr std::uint32_t share = os_const::file_share_read | os_const::file_share_write;
    Win32_os os;
    Pipe_device device;
    Os_handle write_handle = os_invalid_handle;
    Os_handle read_handle = os_invalid_handle;
};

TEST_F(Win32_pipe, AnsweredWriteAndReadMoveWholeReports) {
    open_client();
    const Report request = numbered_report(0x10);

    Transfer write(os);
    os.write_file(write_handle, request.data(), report_size, &write.count, &write.record);
    ASSERT_LE(write.poll(), poll_limit);
    EXPECT_EQ(write.status(), status_success);
    EXPECT_EQ(write.record.InternalHigh, report_size);
    EXPECT_EQ(device.take(0, 1000), bytes(request));

    Report answer{};
    answer.fill(untouched);
    Transfer read(os);
    EXPECT_FALSE(os.read_file(read_handle, answer.data(), report_size, &read.count, &read.record));
    EXPECT_EQ(os.last_error(), os_const::error_io_pending);
    EXPECT_EQ(read.status(), os_const::status_pending) << "nothing was sent, the read must wait";

    const Report reply = numbered_report(0x80);
    ASSERT_TRUE(device.give(1, bytes(reply)));
    ASSERT_LE(read.poll(), poll_limit);
    EXPECT_EQ(read.status(), status_success);
    EXPECT_EQ(read.record.InternalHigh, report_size);
    EXPECT_EQ(answer, reply);
}

TEST_F(Win32_pipe, ReadPendingAtTheLimitIsCancelledAndItsRecordCanBeReused) {
    open_client();
    Report answer{};
    answer.fill(untouched);
    Transfer read(os);
    os.read_file(read_handle, answer.data(), report_size, &read.count, &read.record);

    EXPECT_EQ(read.poll(), poll_limit + 1);
    os.cancel_io(read_handle, &read.record);

    // Settled: the system has written its final status and will not touch the record again.
    EXPECT_EQ(read.status(), status_cancelled);
    EXPECT_EQ(std::count(answer.begin(), answer.end(), untouched), report_size);

    // The answer that comes later goes to the next read on the same record and buffer, not to
    // the cancelled one.
    const Report reply = numbered_report(0x40);
    ASSERT_TRUE(device.give(1, bytes(reply)));
    read.restart();
    os.read_file(read_handle, answer.data(), report_size, &read.count, &read.record);
    ASSERT_LE(read.poll(), poll_limit);
    EXPECT_EQ(read.status(), status_success);
    EXPECT_EQ(answer, reply);
}

TEST_F(Win32_pipe, ReadWaitingWhenTheDeviceGoesEndsWithAnErrorStatus) {
    open_client();
    Report answer{};
    answer.fill(untouched);
    Transfer read(os);
    os.read_file(read_handle, answer.data(), report_size, &read.count, &read.record);
    ASSERT_EQ(read.status(), os_const::status_pending);

    device.unplug();
    ASSERT_LE(read.poll(), poll_limit);
    EXPECT_NE(read.status(), status_success);
    EXPECT_EQ(std::count(answer.begin(), answer.end(), untouched), report_size);
    // Already ended: the cancellation has nothing to wait for.
    os.cancel_io(read_handle, &read.record);
}

// A transfer started after the device went away is refused: the call fails at once, the status
// word keeps the pending status for good, and the cancellation at the limit must return instead
// of waiting for a completion that never comes.
TEST_F(Win32_pipe, TransfersRefusedAfterTheDeviceWentKeepThePendingStatus) {
    open_client();
    device.unplug();

    struct Case {
        const char* name;
        bool write;
    };
    for (const Case& c : {Case{"write", true}, Case{"read", false}}) {
        SCOPED_TRACE(c.name);
        Report buffer = numbered_report(0x20);
        Transfer transfer(os);
        const Os_handle handle = c.write ? write_handle : read_handle;
        const bool started = c.write ? os.write_file(handle, buffer.data(), report_size,
                                                     &transfer.count, &transfer.record)
                                     : os.read_file(handle, buffer.data(), report_size,
                                                    &transfer.count, &transfer.record);
        EXPECT_FALSE(started);
        EXPECT_NE(os.last_error(), os_const::error_io_pending);
        EXPECT_NE(os.last_error(), 0u);
        EXPECT_EQ(transfer.poll(), poll_limit + 1);
        os.cancel_io(handle, &transfer.record);
        EXPECT_EQ(transfer.status(), os_const::status_pending);
        EXPECT_EQ(buffer, numbered_report(0x20));
    }
}

TEST_F(Win32_pipe, PlainTransfersBlockUntilDoneAndReportTheCount) {
    open_client(0);
    const Report request = numbered_report(0x01);
    std::uint32_t count = 0;
    ASSERT_TRUE(os.write_file(write_handle, request.data(), report_size, &count, nullptr));
    EXPECT_EQ(count, report_size);
    EXPECT_EQ(device.take(0, 1000), bytes(request));

    const Report reply = numbered_report(0x90);
    ASSERT_TRUE(device.give(1, bytes(reply)));
    Report answer{};
    count = 0;
    ASSERT_TRUE(os.read_file(read_handle, answer.data(), report_size, &count, nullptr));
    EXPECT_EQ(count, report_size);
    EXPECT_EQ(answer, reply);

    device.unplug();
    EXPECT_FALSE(os.write_file(write_handle, request.data(), report_size, &count, nullptr));
    EXPECT_EQ(count, 0u);
}

TEST_F(Win32_pipe, OpeningAPathNobodyServesFailsWithFileNotFound) {
    const std::string missing = device.path() + "-nobody";
    EXPECT_EQ(os.create_file(missing.c_str(), os_const::generic_write, share,
                             os_const::open_existing, os_const::file_flag_overlapped),
              os_invalid_handle);
    EXPECT_EQ(os.last_error(), os_const::error_file_not_found);
}

TEST(Win32_os, EventsAreCreatedAndClosed) {
    Win32_os os;
    const Os_handle event = os.create_event();
    ASSERT_NE(event, 0u);
    EXPECT_TRUE(os.close_handle(event));
    EXPECT_FALSE(os.close_handle(event));
    EXPECT_EQ(os.last_error(), os_const::error_invalid_handle);
}

TEST(Win32_os, ThePlatformOsIsWin32WithTheOneMillisecondTimer) {
    auto* os = dynamic_cast<Win32_os*>(&platform_os_api());
    ASSERT_NE(os, nullptr);
    EXPECT_TRUE(os->fine_timer());
    EXPECT_EQ(&platform_os_api(), os);
}

} // namespace
