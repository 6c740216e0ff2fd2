#pragma once

#include "fake_memory.h"
#include "kept_segments.h"
#include "recording_display.h"
#include "sequence_pacing.h"
#include "sleep_counting_os.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

// A sequence over the fake memory, with pauses counted on an OS without devices and a display
// that records the progress and the messages. Each memory call notes the progress text and bar
// position it was made under.
class Sequence_test : public ::testing::Test {
protected:
    struct Seen {
        std::string text;
        int position;
    };

    void SetUp() override {
        set_os_api(&os);
        display.open(maximum);
        memory.hook = [this](const Fake_memory::Call& call) {
            seen.push_back({display.text, display.position});
            return fail ? fail(call) : 0;
        };
    }

    void TearDown() override { set_os_api(nullptr); }

    int maximum = 100;
    Sleep_counting_os os;
    Recording_display display;
    Sequence_pacing pacing{&display};
    Fake_memory memory;
    Kept_segments kept;
    std::function<int(const Fake_memory::Call&)> fail;
    std::vector<Seen> seen;
    std::vector<std::string>& messages = display.messages;
};
