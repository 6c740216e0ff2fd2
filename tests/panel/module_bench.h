#pragma once

#include "module_script.h"
#include "os_api.h"
#include "sim_hid_device.h"
#include "sim_os.h"
#include "virtual_clock.h"

// One scripted KMX12 module on the simulated OS, on a virtual clock, installed as the process's
// OS for the life of the object.
struct Module_bench {
    Module_bench() : os(clock) {
        set_os_api(&os);
        module = &os.add_device({"HID\\VID_ABCD&PID_0003&REV_0100", "HID\\VID_ABCD&PID_0003"});
        module->set_behaviour(&script);
    }
    ~Module_bench() { set_os_api(nullptr); }
    Module_bench(const Module_bench&) = delete;
    Module_bench& operator=(const Module_bench&) = delete;

    Virtual_clock clock;
    Sim_os os;
    Module_script script;
    Sim_hid_device* module = nullptr;
};
