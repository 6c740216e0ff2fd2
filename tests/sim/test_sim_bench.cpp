#include "real_clock.h"
#include "sim_bench.h"
#include "sim_host.h"

#include <gtest/gtest.h>

namespace {

TEST(SimBench, InstallsItsOsAndPutsBackTheOuterOne) {
    Sim_bench outer;
    EXPECT_EQ(&os_api(), &outer.os());
    {
        Sim_bench inner;
        EXPECT_EQ(&os_api(), &inner.os());
    }
    EXPECT_EQ(&os_api(), &outer.os());
}

TEST(SimBench, StartsWithNothingPlugged) {
    Sim_bench bench;
    EXPECT_FALSE(bench.dongle().plugged());
    EXPECT_FALSE(bench.module().plugged());
    EXPECT_FALSE(Sim_host(bench.dongle().device_b().path()).opened());
    EXPECT_FALSE(Sim_host(bench.module().device().path()).opened());
    EXPECT_EQ(bench.now_ms(), 0u);
}

TEST(SimBench, DongleWithAFactoryFreshDetectorInThreeLines) {
    Sim_bench bench;
    bench.plug_dongle();
    Sim_detector& detector = bench.attach_detector(Sim_detector::factory_fresh(52, 0x21));

    Sim_host host(bench.dongle().device_b().path());
    Sim_report get_info{};
    get_info[0] = 0x0A;
    const auto request = Sim_detector_message::make(0xFF, 0x55, 0, 0, 0);
    std::copy(request.begin(), request.end(), get_info.begin() + 1);
    ASSERT_TRUE(host.send(get_info));
    const auto reply = host.receive();
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)[4], 52);
    EXPECT_EQ(detector.request_count(), 1u);
    // Every pause went through the virtual clock.
    ASSERT_NE(bench.virtual_clock(), nullptr);
    EXPECT_GT(bench.virtual_clock()->sleep_count(), 0u);
    EXPECT_EQ(bench.now_ms(), bench.virtual_clock()->now_ms());
}

TEST(SimBench, SwappingTheDetectorInTheSocket) {
    Sim_bench bench;
    Sim_detector& first = bench.attach_detector(Sim_detector::factory_fresh(52, 0x21));
    EXPECT_EQ(bench.dongle().detector(), &first);
    Sim_detector& second = bench.attach_detector(Sim_detector::factory_fresh(53, 0x22));
    EXPECT_EQ(bench.dongle().detector(), &second);
    EXPECT_EQ(first.version(), 52); // the first is still held by the bench
    bench.detach_detector();
    EXPECT_EQ(bench.dongle().detector(), nullptr);
}

TEST(SimBench, RunsOnAGivenClock) {
    Real_clock clock;
    Sim_bench bench(clock);
    EXPECT_EQ(bench.virtual_clock(), nullptr);
    EXPECT_EQ(&bench.clock(), &clock);
    bench.plug_module();
    Sim_host host(bench.module().device().path());
    Sim_report probe{};
    probe[0] = 0xF5;
    ASSERT_TRUE(host.send(probe, 500));
    EXPECT_TRUE(host.receive(500));
}

} // namespace
