#include "linux_os.h"

#include "os_codes.h"
#include "setupapi_entry_points.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <poll.h>
#include <sstream>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

std::vector<Linux_os*>& alive_instances() {
    static std::vector<Linux_os*> instances;
    return instances;
}

std::uint32_t error_from_errno(int number) {
    switch (number) {
    case ENOENT:
    case ENOTDIR:
        return os_const::error_file_not_found;
    case EACCES:
    case EPERM:
        return os_const::error_access_denied;
    case EBUSY:
        return os_const::error_sharing_violation;
    case ENODEV:
    case ENXIO:
    case EIO:
    case ESHUTDOWN:
    case EPIPE:
        return os_const::error_device_not_connected;
    case EBADF:
        return os_const::error_invalid_handle;
    case EINVAL:
        return os_codes::error_invalid_parameter;
    default:
        return os_codes::error_gen_failure;
    }
}

// "hidraw12" -> 12; anything else is not a hidraw node.
std::optional<unsigned long> hidraw_number(const std::string& name) {
    const std::string prefix = "hidraw";
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 9 ||
        name.compare(0, prefix.size(), prefix) != 0) {
        return std::nullopt;
    }
    for (std::size_t i = prefix.size(); i < name.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(name[i]))) {
            return std::nullopt;
        }
    }
    return std::stoul(name.substr(prefix.size()));
}

// One hexadecimal field of HID_ID, at most eight digits.
std::optional<unsigned long> hex_field(const std::string& text) {
    if (text.empty() || text.size() > 8) {
        return std::nullopt;
    }
    for (const char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return std::nullopt;
        }
    }
    return std::stoul(text, nullptr, 16);
}

// The uevent line "HID_ID=0003:0000ABCD:0000BBBB" (bus, vendor, product) as the platform's
// hardware ID "HID\VID_ABCD&PID_BBBB"; nothing when the line is missing or malformed.
std::optional<std::string> hardware_id_from_uevent(const std::string& path) {
    std::ifstream file(path);
    std::string line;
    // A uevent is a handful of short lines; a file that is not one is not read to its end.
    for (int lines = 0; lines < 64 && std::getline(file, line); ++lines) {
        if (line.rfind("HID_ID=", 0) != 0) {
            continue;
        }
        std::stringstream fields(line.substr(7));
        std::string bus;
        std::string vendor;
        std::string product;
        std::getline(fields, bus, ':');
        std::getline(fields, vendor, ':');
        std::getline(fields, product);
        const auto v = hex_field(vendor);
        const auto p = hex_field(product);
        if (!hex_field(bus) || !v || !p || *v > 0xFFFF || *p > 0xFFFF) {
            return std::nullopt;
        }
        char id[32];
        std::snprintf(id, sizeof id, "HID\\VID_%04lX&PID_%04lX", *v, *p);
        return std::string(id);
    }
    return std::nullopt;
}

bool same_text_ignoring_case(const char* a, const char* b) {
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (std::tolower(static_cast<unsigned char>(*a)) !=
            std::tolower(static_cast<unsigned char>(*b))) {
            return false;
        }
    }
    return *a == *b;
}

} // namespace

// What the device-setup entry points need from the active Linux OS. Only present devices
// have hidraw nodes, whatever the flags ask for.
struct Linux_setupapi {
    static Linux_os* active() { return Linux_os::active(); }
    static Setupapi_emulation& setup(Linux_os& os) { return os.setup; }
    static std::uint32_t& error(Linux_os& os) { return os.error; }
    static std::vector<Setupapi_emulation::Interface> interfaces(Linux_os& os, bool) {
        return os.interfaces();
    }
};

Linux_os::Linux_os(std::string hidraw_class_dir, std::string device_dir)
    : class_dir(std::move(hidraw_class_dir)), dev_dir(std::move(device_dir)) {
    alive_instances().push_back(this);
}

Linux_os::~Linux_os() {
    for (const auto& [handle, file] : files) {
        ::close(file.fd);
    }
    auto& instances = alive_instances();
    instances.erase(std::remove(instances.begin(), instances.end(), this), instances.end());
}

Linux_os* Linux_os::active() {
    const auto& instances = alive_instances();
    return instances.empty() ? nullptr : instances.back();
}

std::vector<Setupapi_emulation::Interface> Linux_os::interfaces() const {
    std::vector<std::pair<unsigned long, std::string>> nodes;
    std::error_code failure;
    for (const auto& entry : std::filesystem::directory_iterator(class_dir, failure)) {
        const std::string name = entry.path().filename().string();
        if (const auto number = hidraw_number(name)) {
            nodes.emplace_back(*number, name);
        }
    }
    // Directory order is arbitrary; the numbers give the order the nodes appeared in.
    std::sort(nodes.begin(), nodes.end());
    std::vector<Setupapi_emulation::Interface> list;
    for (const auto& [number, name] : nodes) {
        Setupapi_emulation::Interface entry;
        if (auto id = hardware_id_from_uevent(class_dir + "/" + name + "/device/uevent")) {
            entry.hardware_ids.push_back(std::move(*id));
        }
        entry.path = dev_dir + "/" + name;
        list.push_back(std::move(entry));
    }
    return list;
}

Os_library Linux_os::load_library(const char* name) {
    if (name == nullptr || !same_text_ignoring_case(name, "setupapi.dll")) {
        error = os_codes::error_mod_not_found;
        return nullptr;
    }
    ++libraries_loaded;
    return &library_token;
}

Os_proc Linux_os::get_proc_address(Os_library library, const char* name) {
    if (library != &library_token || libraries_loaded == 0) {
        error = os_codes::error_mod_not_found;
        return nullptr;
    }
    Os_proc proc = name == nullptr ? nullptr : Setupapi_entry_points<Linux_setupapi>::lookup(name);
    if (proc == nullptr) {
        error = os_codes::error_proc_not_found;
    }
    return proc;
}

void Linux_os::free_library(Os_library library) {
    if (library == &library_token && libraries_loaded > 0) {
        --libraries_loaded;
    } else {
        error = os_codes::error_mod_not_found;
    }
}

Os_handle Linux_os::create_file(const char* path, std::uint32_t access, std::uint32_t,
                                std::uint32_t disposition, std::uint32_t) {
    // Device nodes are opened, never created. hidraw has no sharing modes: any number of
    // readers and writers may hold a node. Every descriptor is non-blocking; plain transfers
    // wait in poll() instead.
    if (path == nullptr || disposition != os_const::open_existing) {
        error = os_codes::error_invalid_parameter;
        return os_invalid_handle;
    }
    const bool readable = (access & os_const::generic_read) != 0;
    const bool writable = (access & os_const::generic_write) != 0;
    int mode = O_RDONLY;
    if (readable && writable) {
        mode = O_RDWR;
    } else if (writable) {
        mode = O_WRONLY;
    }
    int fd = -1;
    do {
        fd = ::open(path, mode | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error = error_from_errno(errno);
        return os_invalid_handle;
    }
    next_handle += 4;
    files.emplace(next_handle, File{fd, readable, writable});
    return next_handle;
}

bool Linux_os::close_handle(Os_handle handle) {
    const auto it = files.find(handle);
    if (it != files.end()) {
        for (auto t = pending.begin(); t != pending.end();) {
            if (t->handle == handle) {
                t->record->Internal = os_codes::status_cancelled;
                t = pending.erase(t);
            } else {
                ++t;
            }
        }
        ::close(it->second.fd);
        files.erase(it);
        return true;
    }
    if (events.erase(handle) != 0) {
        return true;
    }
    error = os_const::error_invalid_handle;
    return false;
}

Os_handle Linux_os::create_event() {
    // Nothing ever waits on the event: completion is read from the record.
    next_handle += 4;
    events.insert(next_handle);
    return next_handle;
}

bool Linux_os::refuse(std::uint32_t code) {
    error = code;
    return false;
}

Linux_os::Attempt Linux_os::attempt(const File& file, Transfer& transfer) {
    ssize_t n = -1;
    do {
        if (transfer.read) {
            // hidraw leaves the report ID of unnumbered reports out of the data; the caller's
            // buffer has it in front, so the data goes behind it.
            n = ::read(file.fd, transfer.destination + 1, transfer.count - 1u);
        } else {
            n = ::write(file.fd, transfer.source.data(), transfer.source.size());
        }
    } while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        return Attempt::again;
    }
    if (n < 0 || (transfer.read && n == 0)) {
        // An error, or the end of a node whose device has gone.
        error = n < 0 ? error_from_errno(errno) : os_const::error_device_not_connected;
        return Attempt::failed;
    }
    std::uintptr_t moved = static_cast<std::uintptr_t>(n);
    if (transfer.read) {
        transfer.destination[0] = 0;
        ++moved;
    }
    transfer.record->InternalHigh = moved;
    transfer.record->Internal = os_codes::status_success;
    return Attempt::done;
}

bool Linux_os::start(Os_handle handle, bool read, std::uint8_t* data, std::uint32_t count,
                     std::uint32_t* transferred, Os_overlapped* overlapped) {
    if (transferred != nullptr) {
        *transferred = 0;
    }
    if (overlapped != nullptr) {
        overlapped->Internal = os_const::status_pending;
        overlapped->InternalHigh = 0;
    }
    const auto it = files.find(handle);
    if (it == files.end()) {
        return refuse(os_const::error_invalid_handle);
    }
    const File file = it->second;
    if (data == nullptr || (read && count < 2u) || (!read && count == 0)) {
        return refuse(os_codes::error_invalid_parameter);
    }
    if (read ? !file.readable : !file.writable) {
        return refuse(os_const::error_access_denied);
    }
    Os_overlapped plain_record{};
    Transfer transfer{
        handle, overlapped != nullptr ? overlapped : &plain_record,
        read,   read ? data : nullptr,
        count,  read ? std::vector<std::uint8_t>{} : std::vector<std::uint8_t>(data, data + count)};
    transfer.record->Internal = os_const::status_pending;
    for (;;) {
        const Attempt outcome = attempt(file, transfer);
        if (outcome == Attempt::failed) {
            // Refused at its start: the record keeps the pending status.
            transfer.record->Internal = os_const::status_pending;
            return false;
        }
        if (outcome == Attempt::done) {
            if (transferred != nullptr) {
                *transferred = static_cast<std::uint32_t>(transfer.record->InternalHigh);
            }
            return true;
        }
        if (overlapped != nullptr) {
            pending.push_back(std::move(transfer));
            error = os_const::error_io_pending;
            return false;
        }
        // A plain transfer blocks until the node is ready, as the platform's would.
        pollfd watch{file.fd, static_cast<short>(read ? POLLIN : POLLOUT), 0};
        if (::poll(&watch, 1, -1) < 0 && errno != EINTR) {
            return refuse(error_from_errno(errno));
        }
    }
}

bool Linux_os::write_file(Os_handle handle, const void* data, std::uint32_t count,
                          std::uint32_t* transferred, Os_overlapped* overlapped) {
    // The bytes are copied before anything is written; the caller's buffer is only read.
    return start(handle, false, static_cast<std::uint8_t*>(const_cast<void*>(data)), count,
                 transferred, overlapped);
}

bool Linux_os::read_file(Os_handle handle, void* data, std::uint32_t count,
                         std::uint32_t* transferred, Os_overlapped* overlapped) {
    return start(handle, true, static_cast<std::uint8_t*>(data), count, transferred, overlapped);
}

std::uintptr_t Linux_os::overlapped_status(const Os_overlapped* overlapped) {
    const auto it = std::find_if(pending.begin(), pending.end(), [overlapped](const Transfer& t) {
        return t.record == overlapped;
    });
    if (it != pending.end()) {
        const File& file = files.at(it->handle);
        pollfd watch{file.fd, static_cast<short>(it->read ? POLLIN : POLLOUT), 0};
        if (::poll(&watch, 1, 0) > 0) {
            const Attempt outcome = attempt(file, *it);
            if (outcome == Attempt::failed) {
                // An accepted transfer that ends badly, for instance on unplugging: it ends
                // with an error status and no data.
                it->record->InternalHigh = 0;
                it->record->Internal = os_codes::status_device_not_connected;
            }
            if (outcome != Attempt::again) {
                pending.erase(it);
            }
        }
    }
    return overlapped->Internal;
}

void Linux_os::cancel_io(Os_handle handle, Os_overlapped*) {
    if (files.count(handle) == 0) {
        error = os_const::error_invalid_handle;
        return;
    }
    // Transfers move only inside overlapped_status, so a cancelled one has settled at once:
    // nothing will write into its record or buffer afterwards.
    for (auto t = pending.begin(); t != pending.end();) {
        if (t->handle == handle) {
            t->record->Internal = os_codes::status_cancelled;
            t = pending.erase(t);
        } else {
            ++t;
        }
    }
}

void Linux_os::sleep_ms(std::uint32_t milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
