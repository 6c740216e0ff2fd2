#include "sim_fault_schedule.h"
#include "sim_fault_set.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The strike pattern of the first `events` events, as a string of 'x' (struck) and '.'.
std::string pattern(Sim_fault_schedule schedule, int events) {
    std::string seen;
    for (int i = 0; i < events; ++i) {
        seen += schedule.strike() ? 'x' : '.';
    }
    return seen;
}

TEST(SimFaultSchedule, StrikePatterns) {
    struct Case {
        const char* name;
        Sim_fault_schedule schedule;
        const char* expected;
    };
    const Case cases[] = {
        {"never", Sim_fault_schedule{}, "........"},
        {"always", Sim_fault_schedule::always(), "xxxxxxxx"},
        {"once", Sim_fault_schedule::once(), "x......."},
        {"next 3", Sim_fault_schedule::next(3), "xxx....."},
        {"after 2", Sim_fault_schedule::after(2), "..xxxxxx"},
        {"after 2, then 1", Sim_fault_schedule::after(2, 1), "..x....."},
        {"after 0, then 0", Sim_fault_schedule::after(0, 0), "........"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pattern(c.schedule, 8), c.expected) << c.name;
    }
}

TEST(SimFaultSchedule, CountsStrikesAndKnowsWhenSpent) {
    Sim_fault_schedule schedule = Sim_fault_schedule::after(1, 2);
    EXPECT_FALSE(schedule.spent());
    schedule.strike();
    schedule.strike();
    EXPECT_FALSE(schedule.spent());
    schedule.strike();
    EXPECT_TRUE(schedule.spent());
    EXPECT_EQ(schedule.strikes(), 2u);
}

enum class Fault { a, b };

TEST(SimFaultSet, FaultsCountTheirOwnEventsAndCanBeDisarmed) {
    Sim_fault_set<Fault> faults;
    EXPECT_FALSE(faults.strikes(Fault::a));
    faults.arm(Fault::a, Sim_fault_schedule::after(1, 1));
    faults.arm(Fault::b, Sim_fault_schedule::always());
    EXPECT_TRUE(faults.strikes(Fault::b));
    EXPECT_FALSE(faults.strikes(Fault::a)); // b's events do not advance a
    EXPECT_TRUE(faults.strikes(Fault::a));
    EXPECT_EQ(faults.strike_count(Fault::a), 1u);
    faults.disarm(Fault::b);
    EXPECT_FALSE(faults.strikes(Fault::b));
    faults.arm(Fault::a, Sim_fault_schedule::always());
    faults.disarm_all();
    EXPECT_FALSE(faults.strikes(Fault::a));
}

} // namespace
