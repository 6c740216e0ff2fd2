#include "pipe_device.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <atomic>
#include <stdexcept>

namespace {

constexpr DWORD buffer_size = 4096;

std::string unique_pipe_name() {
    static std::atomic<unsigned> counter{0};
    return "\\\\.\\pipe\\ktr27tunex-test-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(counter++);
}

// Waits for an overlapped server transfer; on time-out cancels it and waits until it has
// settled, so `ov` and its buffer may go away afterwards.
bool finish(HANDLE pipe, OVERLAPPED& ov, DWORD wait_ms, DWORD& count) {
    if (WaitForSingleObject(ov.hEvent, wait_ms) != WAIT_OBJECT_0) {
        CancelIo(pipe);
    }
    return GetOverlappedResult(pipe, &ov, &count, TRUE) != FALSE;
}

} // namespace

struct Pipe_device::End {
    HANDLE pipe = INVALID_HANDLE_VALUE;
    HANDLE event = nullptr;
    OVERLAPPED connect{};
    bool connect_pending = false;
    bool is_connected = false;

    ~End() { close(); }

    void close() {
        if (pipe != INVALID_HANDLE_VALUE) {
            if (connect_pending) {
                CancelIo(pipe);
                DWORD ignored = 0;
                GetOverlappedResult(pipe, &connect, &ignored, TRUE);
                connect_pending = false;
            }
            DisconnectNamedPipe(pipe);
            CloseHandle(pipe);
            pipe = INVALID_HANDLE_VALUE;
        }
        if (event != nullptr) {
            CloseHandle(event);
            event = nullptr;
        }
    }
};

Pipe_device::Pipe_device() : name(unique_pipe_name()) {}

Pipe_device::~Pipe_device() = default;

void Pipe_device::open_next() {
    auto end = std::make_unique<End>();
    end->pipe = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                 PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                 PIPE_UNLIMITED_INSTANCES, buffer_size, buffer_size, 0, nullptr);
    if (end->pipe == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("CreateNamedPipeA failed: " + std::to_string(GetLastError()));
    }
    end->event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    end->connect.hEvent = end->event;
    if (ConnectNamedPipe(end->pipe, &end->connect) == FALSE) {
        const DWORD error = GetLastError();
        if (error == ERROR_IO_PENDING) {
            end->connect_pending = true;
        } else if (error == ERROR_PIPE_CONNECTED) {
            end->is_connected = true;
        } else {
            throw std::runtime_error("ConnectNamedPipe failed: " + std::to_string(error));
        }
    } else {
        end->is_connected = true;
    }
    ends.push_back(std::move(end));
}

bool Pipe_device::connected(std::size_t index, std::uint32_t wait_ms) {
    if (index >= ends.size()) {
        return false;
    }
    End& end = *ends[index];
    if (end.connect_pending) {
        if (WaitForSingleObject(end.event, wait_ms) != WAIT_OBJECT_0) {
            return false;
        }
        DWORD ignored = 0;
        end.is_connected = GetOverlappedResult(end.pipe, &end.connect, &ignored, FALSE) != FALSE;
        end.connect_pending = false;
    }
    return end.is_connected;
}

std::vector<std::uint8_t> Pipe_device::take(std::size_t index, std::uint32_t wait_ms) {
    if (!connected(index, wait_ms)) {
        return {};
    }
    End& end = *ends[index];
    std::vector<std::uint8_t> message(buffer_size);
    OVERLAPPED ov{};
    ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD count = 0;
    bool ok = ReadFile(end.pipe, message.data(), buffer_size, nullptr, &ov) != FALSE;
    if (ok || GetLastError() == ERROR_IO_PENDING) {
        ok = finish(end.pipe, ov, wait_ms, count);
    }
    CloseHandle(ov.hEvent);
    message.resize(ok ? count : 0);
    return message;
}

bool Pipe_device::give(std::size_t index, const std::vector<std::uint8_t>& message) {
    if (!connected(index, 1000)) {
        return false;
    }
    End& end = *ends[index];
    OVERLAPPED ov{};
    ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD count = 0;
    bool ok = WriteFile(end.pipe, message.data(), static_cast<DWORD>(message.size()), nullptr,
                        &ov) != FALSE;
    if (ok || GetLastError() == ERROR_IO_PENDING) {
        ok = finish(end.pipe, ov, 5000, count);
    }
    CloseHandle(ov.hEvent);
    return ok && count == message.size();
}

void Pipe_device::unplug() {
    for (auto& end : ends) {
        end->close();
    }
}
