#include "sim_os.h"

#include "os_codes.h"
#include "setupapi_emulation.h"
#include "setupapi_entry_points.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <utility>

namespace {

// Every HID report of the simulated devices: report ID 0 and 64 data bytes.
constexpr std::uint32_t wire_bytes = 65;

// A plain (blocking) transfer that nothing will ever end would hang a test for good; it gives up
// after this much clock time instead and fails with a time-out error.
constexpr std::uint64_t plain_transfer_limit_ms = 60000;

std::vector<Sim_os*>& alive_instances() {
    static std::vector<Sim_os*> instances;
    return instances;
}

std::string lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

bool same_text_ignoring_case(const std::string& a, const std::string& b) {
    return lower(a) == lower(b);
}

// "\\?\hid#vid_abcd&pid_bbbb#7&1a2b0001&0&0000#{4d1e55b2-...}", built from the device's first
// hardware ID the way the platform builds interface paths from instance IDs.
std::string windows_path(const std::vector<std::string>& ids, int serial) {
    std::string base = ids.empty() ? std::string("HID\\UNKNOWN") : ids.front();
    if (lower(base.substr(0, 4)) == "hid\\") {
        base = base.substr(4);
    }
    const std::size_t rev = lower(base).find("&rev_");
    if (rev != std::string::npos) {
        base = base.substr(0, rev);
    }
    char instance[32];
    std::snprintf(instance, sizeof instance, "7&%08x&0&0000",
                  0x1a2b0000u + static_cast<unsigned>(serial));
    return "\\\\?\\hid#" + lower(base) + "#" + instance + "#{4d1e55b2-f16f-11cf-88cb-001111000030}";
}

} // namespace

struct Sim_os::Impl {
    struct File {
        Sim_hid_device* device;
        std::uint64_t generation; // the device's generation when opened: a replug is a new device
        std::uint32_t access;
        std::uint32_t share;
        bool overlapped;
    };
    struct Transfer {
        std::uint64_t id;
        Os_handle handle;
        Os_overlapped* record;
        bool read;
        std::uint8_t* destination;             // reads
        std::array<std::uint8_t, 65> source{}; // writes: the bytes as the call handed them
    };
    struct Timed_action {
        std::uint64_t at_ms;
        std::uint64_t order;
        std::function<void()> action;
    };

    std::vector<std::unique_ptr<Sim_hid_device>> devices;
    std::map<const Sim_hid_device*, std::uint64_t> generations;
    std::map<Os_handle, File> files;
    std::set<Os_handle> events;
    std::vector<Transfer> pending;
    std::vector<Timed_action> actions;
    std::uint64_t next_action_order = 0;
    std::uint64_t next_transfer_id = 0;
    Os_handle next_handle = 0x100;
    Setupapi_emulation setup;
    char library_token = 0;
    int cancelled = 0;
    int path_serial = 0;
    bool pumping = false;

    Os_handle new_handle() {
        next_handle += 4;
        return next_handle;
    }

    bool device_current(const File& file) const {
        return file.device->plugged() && generations.at(file.device) == file.generation;
    }

    bool is_pending(std::uint64_t id) const {
        return std::any_of(pending.begin(), pending.end(),
                           [id](const Transfer& t) { return t.id == id; });
    }

    // Ends every pending transfer that `matches` with `status` and no data.
    template <typename Match> int end_transfers(Match matches, std::uintptr_t status) {
        int ended = 0;
        for (auto it = pending.begin(); it != pending.end();) {
            if (matches(*it)) {
                it->record->InternalHigh = 0;
                it->record->Internal = status;
                it = pending.erase(it);
                ++ended;
            } else {
                ++it;
            }
        }
        return ended;
    }

    bool run_due_action(const Sim_os& os) {
        const std::uint64_t now = os.time.now_ms();
        auto due = actions.end();
        for (auto it = actions.begin(); it != actions.end(); ++it) {
            if (it->at_ms <= now && (due == actions.end() || it->at_ms < due->at_ms ||
                                     (it->at_ms == due->at_ms && it->order < due->order))) {
                due = it;
            }
        }
        if (due == actions.end()) {
            return false;
        }
        std::function<void()> action = std::move(due->action);
        actions.erase(due);
        action();
        return true;
    }

    // Ends the first pending transfer the devices allow to end now. The transfer leaves the
    // pending list before its behaviour runs, as the behaviour may unplug the device.
    bool complete_one_transfer(const Sim_os& os) {
        const std::uint64_t now = os.time.now_ms();
        for (auto it = pending.begin(); it != pending.end(); ++it) {
            const File& file = files.at(it->handle);
            if (!device_current(file)) {
                continue;
            }
            Sim_hid_device& device = *file.device;
            if (it->read) {
                auto& queue = device.input_queue();
                if (queue.empty() || queue.front().ready_at_ms > now) {
                    continue;
                }
                const Sim_report report = queue.front().data;
                queue.pop_front();
                const Transfer done = *it;
                pending.erase(it);
                done.destination[0] = 0;
                std::memcpy(done.destination + 1, report.data(), report.size());
                done.record->InternalHigh = wire_bytes;
                done.record->Internal = os_codes::status_success;
                return true;
            }
            if (!device.accepts_output()) {
                continue;
            }
            const Transfer done = *it;
            pending.erase(it);
            device.record_written(done.source.data(), wire_bytes);
            done.record->InternalHigh = wire_bytes;
            done.record->Internal = os_codes::status_success;
            if (Sim_hid_behaviour* behaviour = device.behaviour()) {
                Sim_report report{};
                std::memcpy(report.data(), done.source.data() + 1, report.size());
                behaviour->on_output_report(device, report);
            }
            return true;
        }
        return false;
    }

    // Brings the world up to the clock's now: due actions, then transfers that can end.
    void pump(const Sim_os& os) {
        if (pumping) {
            return;
        }
        pumping = true;
        bool progressed = true;
        while (progressed) {
            progressed = false;
            while (run_due_action(os)) {
                progressed = true;
            }
            while (complete_one_transfer(os)) {
                progressed = true;
            }
        }
        pumping = false;
    }

    bool start_transfer(Sim_os& os, Os_handle handle, bool read, void* data, std::uint32_t count,
                        std::uint32_t* transferred, Os_overlapped* overlapped);

    std::vector<Setupapi_emulation::Interface> interfaces(bool present_only) const {
        std::vector<Setupapi_emulation::Interface> list;
        for (const auto& device : devices) {
            if (!present_only || device->plugged()) {
                list.push_back({device->hardware_ids(), device->path()});
            }
        }
        return list;
    }
};

// What the device-setup entry points need from the active simulated OS. The world is brought
// up to the clock's now first, as on every other OS call.
struct Sim_setupapi {
    static Sim_os* active() {
        Sim_os* os = Sim_os::active();
        if (os != nullptr) {
            os->impl->pump(*os);
        }
        return os;
    }
    static Setupapi_emulation& setup(Sim_os& os) { return os.impl->setup; }
    static std::uint32_t& error(Sim_os& os) { return os.error; }
    static std::vector<Setupapi_emulation::Interface> interfaces(Sim_os& os, bool present_only) {
        return os.impl->interfaces(present_only);
    }
};

Sim_os::Sim_os(Sim_clock& clock) : time(clock), impl(std::make_unique<Impl>()) {
    alive_instances().push_back(this);
}

Sim_os::~Sim_os() {
    auto& instances = alive_instances();
    instances.erase(std::remove(instances.begin(), instances.end(), this), instances.end());
}

Sim_os* Sim_os::active() {
    const auto& instances = alive_instances();
    return instances.empty() ? nullptr : instances.back();
}

Sim_hid_device& Sim_os::add_device(std::vector<std::string> hardware_ids, std::string path) {
    ++impl->path_serial;
    if (path.empty()) {
        path = windows_path(hardware_ids, impl->path_serial);
    }
    impl->devices.push_back(
        std::make_unique<Sim_hid_device>(*this, std::move(hardware_ids), std::move(path)));
    Sim_hid_device& device = *impl->devices.back();
    impl->generations[&device] = 0;
    return device;
}

void Sim_os::unplug(Sim_hid_device& device) {
    if (!device.plugged()) {
        return;
    }
    device.set_plugged(false);
    ++impl->generations[&device];
    device.clear_input_reports();
    // Transfers under way on the device's handles end with an error and carry no data.
    const Impl& i = *impl;
    impl->end_transfers(
        [&i, &device](const Impl::Transfer& t) { return i.files.at(t.handle).device == &device; },
        os_codes::status_device_not_connected);
}

void Sim_os::plug(Sim_hid_device& device) {
    device.set_plugged(true);
}

void Sim_os::at(std::uint64_t at_ms, std::function<void()> action) {
    impl->actions.push_back({at_ms, impl->next_action_order++, std::move(action)});
}

int Sim_os::open_file_handles() const {
    return static_cast<int>(impl->files.size());
}
int Sim_os::open_events() const {
    return static_cast<int>(impl->events.size());
}
int Sim_os::open_device_sets() const {
    return impl->setup.open_sets();
}
int Sim_os::pending_transfers() const {
    return static_cast<int>(impl->pending.size());
}
int Sim_os::cancelled_transfers() const {
    return impl->cancelled;
}

Os_library Sim_os::load_library(const char* name) {
    impl->pump(*this);
    if (name == nullptr || !same_text_ignoring_case(name, "setupapi.dll") ||
        !setup_library_present) {
        error = os_codes::error_mod_not_found;
        return nullptr;
    }
    ++libraries_loaded;
    return &impl->library_token;
}

Os_proc Sim_os::get_proc_address(Os_library library, const char* name) {
    impl->pump(*this);
    if (library != &impl->library_token || libraries_loaded == 0) {
        error = os_codes::error_mod_not_found;
        return nullptr;
    }
    Os_proc proc = name == nullptr ? nullptr : Setupapi_entry_points<Sim_setupapi>::lookup(name);
    if (proc == nullptr) {
        error = os_codes::error_proc_not_found;
    }
    return proc;
}

void Sim_os::free_library(Os_library library) {
    impl->pump(*this);
    if (library == &impl->library_token && libraries_loaded > 0) {
        --libraries_loaded;
    } else {
        error = os_codes::error_mod_not_found;
    }
}

Os_handle Sim_os::create_file(const char* path, std::uint32_t access, std::uint32_t share,
                              std::uint32_t disposition, std::uint32_t flags) {
    impl->pump(*this);
    if (path == nullptr || disposition != os_const::open_existing) {
        error = os_codes::error_invalid_parameter;
        return os_invalid_handle;
    }
    Sim_hid_device* device = nullptr;
    for (const auto& d : impl->devices) {
        if (d->plugged() && same_text_ignoring_case(d->path(), path)) {
            device = d.get();
            break;
        }
    }
    if (device == nullptr) {
        error = os_const::error_file_not_found;
        return os_invalid_handle;
    }
    if (device->access_denied()) {
        error = os_const::error_access_denied;
        return os_invalid_handle;
    }
    if (device->held_open_exclusively()) {
        error = os_const::error_sharing_violation;
        return os_invalid_handle;
    }
    // The platform's sharing rule between the handles open on one device.
    const std::uint64_t generation = impl->generations.at(device);
    for (const auto& [handle, file] : impl->files) {
        if (file.device != device || file.generation != generation) {
            continue;
        }
        const bool compatible =
            (!(access & os_const::generic_read) || (file.share & os_const::file_share_read)) &&
            (!(access & os_const::generic_write) || (file.share & os_const::file_share_write)) &&
            (!(file.access & os_const::generic_read) || (share & os_const::file_share_read)) &&
            (!(file.access & os_const::generic_write) || (share & os_const::file_share_write));
        if (!compatible) {
            error = os_const::error_sharing_violation;
            return os_invalid_handle;
        }
    }
    // Input reports are buffered per open handle: what arrived while nobody had the device
    // open for reading is gone, so a late reply to an earlier operation never reaches a new one.
    if ((access & os_const::generic_read) != 0) {
        bool reader_open = false;
        for (const auto& [other, file] : impl->files) {
            reader_open = reader_open || (file.device == device && file.generation == generation &&
                                          (file.access & os_const::generic_read) != 0);
        }
        if (!reader_open) {
            auto& queue = device->input_queue();
            const std::uint64_t now = time.now_ms();
            while (!queue.empty() && queue.front().ready_at_ms <= now) {
                queue.pop_front();
            }
        }
    }
    const Os_handle handle = impl->new_handle();
    impl->files.emplace(handle, Impl::File{device, generation, access, share,
                                           (flags & os_const::file_flag_overlapped) != 0});
    return handle;
}

bool Sim_os::close_handle(Os_handle handle) {
    impl->pump(*this);
    if (impl->files.count(handle) != 0) {
        // Closing a file ends its transfers as cancelled, into their records.
        impl->cancelled +=
            impl->end_transfers([handle](const Impl::Transfer& t) { return t.handle == handle; },
                                os_codes::status_cancelled);
        impl->files.erase(handle);
        return true;
    }
    if (impl->events.erase(handle) != 0) {
        return true;
    }
    error = os_const::error_invalid_handle;
    return false;
}

Os_handle Sim_os::create_event() {
    impl->pump(*this);
    const Os_handle handle = impl->new_handle();
    impl->events.insert(handle);
    return handle;
}

namespace {

// What a refused transfer leaves behind: the record keeps its pending status for good.
bool refuse(std::uint32_t& error, std::uint32_t code) {
    error = code;
    return false;
}

} // namespace

bool Sim_os::Impl::start_transfer(Sim_os& os, Os_handle handle, bool read, void* data,
                                  std::uint32_t count, std::uint32_t* transferred,
                                  Os_overlapped* overlapped) {
    pump(os);
    if (transferred != nullptr) {
        *transferred = 0;
    }
    if (overlapped != nullptr) {
        overlapped->Internal = os_const::status_pending;
        overlapped->InternalHigh = 0;
    }
    const auto file_it = files.find(handle);
    if (file_it == files.end()) {
        return refuse(os.error, os_const::error_invalid_handle);
    }
    const Impl::File& file = file_it->second;
    if (data == nullptr || (file.overlapped && overlapped == nullptr)) {
        return refuse(os.error, os_codes::error_invalid_parameter);
    }
    if ((file.access & (read ? os_const::generic_read : os_const::generic_write)) == 0) {
        return refuse(os.error, os_const::error_access_denied);
    }
    if (!device_current(file)) {
        return refuse(os.error, os_const::error_device_not_connected);
    }
    if (read ? count < wire_bytes : count != wire_bytes) {
        return refuse(os.error, os_codes::error_invalid_user_buffer);
    }
    auto* bytes = static_cast<std::uint8_t*>(data);
    if (!read && bytes[0] != 0) {
        // The devices have unnumbered reports: report ID 0 only.
        return refuse(os.error, os_codes::error_invalid_parameter);
    }

    // A plain transfer ends inside the call; it still needs a record to end into.
    Os_overlapped plain_record{};
    Os_overlapped* record = overlapped != nullptr ? overlapped : &plain_record;
    record->Internal = os_const::status_pending;

    Impl::Transfer transfer{next_transfer_id++, handle, record, read, nullptr, {}};
    if (read) {
        transfer.destination = bytes;
    } else {
        std::memcpy(transfer.source.data(), bytes, wire_bytes);
    }
    const std::uint64_t id = transfer.id;
    pending.push_back(transfer);
    pump(os);

    if (is_pending(id) && overlapped == nullptr) {
        const std::uint64_t start = os.time.now_ms();
        while (is_pending(id)) {
            if (os.time.now_ms() - start >= plain_transfer_limit_ms) {
                end_transfers([id](const Impl::Transfer& t) { return t.id == id; },
                              os_codes::status_cancelled);
                return refuse(os.error, os_codes::error_sem_timeout);
            }
            os.sleep_ms(1);
        }
    }
    if (is_pending(id)) {
        os.error = os_const::error_io_pending;
        return false;
    }
    if (record->Internal != os_codes::status_success) {
        return refuse(os.error, os_const::error_device_not_connected);
    }
    if (transferred != nullptr) {
        *transferred = static_cast<std::uint32_t>(record->InternalHigh);
    }
    return true;
}

bool Sim_os::write_file(Os_handle handle, const void* data, std::uint32_t count,
                        std::uint32_t* transferred, Os_overlapped* overlapped) {
    return impl->start_transfer(*this, handle, false, const_cast<void*>(data), count, transferred,
                                overlapped);
}

bool Sim_os::read_file(Os_handle handle, void* data, std::uint32_t count,
                       std::uint32_t* transferred, Os_overlapped* overlapped) {
    return impl->start_transfer(*this, handle, true, data, count, transferred, overlapped);
}

std::uintptr_t Sim_os::overlapped_status(const Os_overlapped* overlapped) {
    impl->pump(*this);
    return overlapped->Internal;
}

void Sim_os::cancel_io(Os_handle handle, Os_overlapped*) {
    if (impl->files.count(handle) == 0) {
        error = os_const::error_invalid_handle;
        return;
    }
    // Nothing runs behind the caller's back here, so a cancelled transfer has settled as soon as
    // its record shows the cancellation.
    impl->cancelled +=
        impl->end_transfers([handle](const Impl::Transfer& t) { return t.handle == handle; },
                            os_codes::status_cancelled);
}

void Sim_os::sleep_ms(std::uint32_t milliseconds) {
    time.sleep_ms(milliseconds);
    impl->pump(*this);
}
