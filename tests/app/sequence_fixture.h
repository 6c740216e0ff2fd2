#pragma once

#include "fake_memory.h"
#include "kept_segments.h"
#include "progress_display.h"
#include "sequence_pacing.h"
#include "sleep_counting_os.h"
#include "tform_progress.h"
#include "user_message.h"

#include <QLabel>
#include <QProgressBar>

#include <gtest/gtest.h>

#include <string>
#include <vector>

// A sequence over the fake memory, with a real progress window, pauses counted on an OS without
// devices, and user messages recorded. Each memory call notes the progress text and bar position
// it was made under.
class Sequence_test : public ::testing::Test {
protected:
    struct Seen {
        std::string text;
        int position;
    };

    void SetUp() override {
        set_os_api(&os);
        previous =
            set_user_message_handler([this](const std::string& text) { messages.push_back(text); });
        progress.open(maximum);
        memory.hook = [this](const Fake_memory::Call& call) {
            seen.push_back(
                {progress.Panel_info->text().toStdString(), progress.ProgressBar->value()});
            return fail ? fail(call) : 0;
        };
    }

    void TearDown() override {
        set_user_message_handler(previous);
        set_os_api(nullptr);
    }

    int maximum = 100;
    Sleep_counting_os os;
    TForm_progress progress;
    Progress_display display{&progress};
    Sequence_pacing pacing{&display};
    Fake_memory memory;
    Kept_segments kept;
    std::function<int(const Fake_memory::Call&)> fail;
    std::vector<Seen> seen;
    std::vector<std::string> messages;

private:
    User_message_handler previous;
};
