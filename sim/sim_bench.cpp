#include "sim_bench.h"

namespace {
// The bench whose OS is installed; benches nest, as tests create them inside fixtures.
Sim_bench* innermost = nullptr;
} // namespace

Sim_bench::Sim_bench() : Sim_bench(std::make_unique<Virtual_clock>(), nullptr) {}

Sim_bench::Sim_bench(Sim_clock& clock) : Sim_bench(nullptr, &clock) {}

Sim_bench::Sim_bench(std::unique_ptr<Virtual_clock> clock, Sim_clock* given)
    : own_clock(std::move(clock)), time(given != nullptr ? *given : *own_clock), system(time),
      usb_dongle(system, false), interface_module(system, false), outer(innermost) {
    set_os_api(&system);
    innermost = this;
}

Sim_bench::~Sim_bench() {
    innermost = outer;
    set_os_api(outer != nullptr ? &outer->system : nullptr);
}

Sim_detector& Sim_bench::keep(Sim_detector detector) {
    detectors.push_back(std::make_unique<Sim_detector>(std::move(detector)));
    return *detectors.back();
}

Sim_detector& Sim_bench::attach_detector(Sim_detector detector) {
    Sim_detector& kept = keep(std::move(detector));
    usb_dongle.attach(&kept);
    return kept;
}

Sim_detector& Sim_bench::add_loop_detector(std::uint8_t address, Sim_detector detector) {
    Sim_detector& kept = keep(std::move(detector));
    interface_module.loop().add(address, kept);
    return kept;
}
