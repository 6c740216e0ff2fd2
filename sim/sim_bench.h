#pragma once

#include "sim_detector.h"
#include "sim_dongle.h"
#include "sim_module.h"
#include "sim_os.h"
#include "virtual_clock.h"

#include <cstdint>
#include <deque>
#include <memory>

// The simulated bench: a simulated OS with the dongle and the interface module on it (both
// unplugged at first) and the detectors the test puts into the dongle's socket or on the
// panel's loop. Installs its OS as the process's OS for its lifetime and puts back the one of
// the bench it was created inside, if any.
//
//     Sim_bench bench;
//     bench.plug_dongle();
//     Sim_detector& d = bench.attach_detector(Sim_detector::factory_fresh(52, 0x21));
class Sim_bench {
public:
    // On a virtual clock of its own, starting at 0.
    Sim_bench();
    // On the given clock (the bench program passes a Real_clock); not owned.
    explicit Sim_bench(Sim_clock& clock);
    ~Sim_bench();
    Sim_bench(const Sim_bench&) = delete;
    Sim_bench& operator=(const Sim_bench&) = delete;

    Sim_os& os() { return system; }
    Sim_clock& clock() { return time; }
    std::uint64_t now_ms() const { return time.now_ms(); }
    // Null when the bench runs on a clock it was given.
    Virtual_clock* virtual_clock() { return own_clock.get(); }

    Sim_dongle& dongle() { return usb_dongle; }
    Sim_module& module() { return interface_module; }
    Sim_panel& panel() { return interface_module.panel(); }
    Sim_loop& loop() { return interface_module.loop(); }

    void plug_dongle() { usb_dongle.plug(); }
    void unplug_dongle() { usb_dongle.unplug(); }
    void plug_module() { interface_module.plug(); }
    void unplug_module() { interface_module.unplug(); }

    // Puts the detector into the dongle's socket, in place of the one there; the bench keeps it.
    Sim_detector& attach_detector(Sim_detector detector);
    void detach_detector() { usb_dongle.attach(nullptr); }
    // Puts the detector on the panel's loop at `address`; the bench keeps it.
    Sim_detector& add_loop_detector(std::uint8_t address, Sim_detector detector);

private:
    Sim_bench(std::unique_ptr<Virtual_clock> clock, Sim_clock* given);
    Sim_detector& keep(Sim_detector detector);

    std::unique_ptr<Virtual_clock> own_clock;
    Sim_clock& time;
    Sim_os system;
    std::deque<std::unique_ptr<Sim_detector>> detectors;
    Sim_dongle usb_dongle;
    Sim_module interface_module;
    Sim_bench* outer;
};
