#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The server end of a named pipe that stands in for a HID device path: the code under test opens
// the pipe's path through the seam as it opens a device. Every open_next() prepares one pipe
// instance for the next client open, in order, so the first client handle (the write handle of
// the HID classes) is instance 0 and the second (the read handle) is instance 1. The server
// side uses plain Win32 calls with time limits, so a test never hangs on it.
class Pipe_device {
public:
    Pipe_device();
    ~Pipe_device();
    Pipe_device(const Pipe_device&) = delete;
    Pipe_device& operator=(const Pipe_device&) = delete;

    // "\\.\pipe\..." unique to this object.
    const std::string& path() const { return name; }

    // Creates the instance the next client open of path() connects to.
    void open_next();
    // Whether a client has connected to instance `index`, waiting up to `wait_ms`.
    bool connected(std::size_t index, std::uint32_t wait_ms);

    // Reads one message the client wrote into instance `index`; empty when none arrives
    // within `wait_ms`.
    std::vector<std::uint8_t> take(std::size_t index, std::uint32_t wait_ms);
    // Writes one message for the client to read from instance `index`.
    bool give(std::size_t index, const std::vector<std::uint8_t>& message);

    // The device goes away: every server end is closed.
    void unplug();

    std::size_t instances() const { return ends.size(); }

private:
    struct End;
    std::string name;
    std::vector<std::unique_ptr<End>> ends;
};
