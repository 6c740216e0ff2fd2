#include "bench_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Mode = Bench_options::Mode;

struct Accepted {
    std::vector<std::string> arguments;
    Mode mode;
    std::string screenshot_dir;
    bool help;
};

class BenchOptionsAccepted : public ::testing::TestWithParam<Accepted> {};

TEST_P(BenchOptionsAccepted, Parses) {
    const Accepted& row = GetParam();
    std::string error;
    const auto options = Bench_options::parse(row.arguments, error);
    ASSERT_TRUE(options) << error;
    EXPECT_EQ(options->mode, row.mode);
    EXPECT_EQ(options->screenshot_dir, row.screenshot_dir);
    EXPECT_EQ(options->help, row.help);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, BenchOptionsAccepted,
    ::testing::Values(Accepted{{}, Mode::interactive, "", false},
                      Accepted{{"--self-test"}, Mode::self_test_read_write, "", false},
                      Accepted{{"--self-test=read-write"}, Mode::self_test_read_write, "", false},
                      Accepted{{"--self-test=series"}, Mode::self_test_series, "", false},
                      Accepted{{"--self-test=panel"}, Mode::self_test_panel, "", false},
                      Accepted{{"--screenshot", "docs"}, Mode::screenshot, "docs", false},
                      Accepted{{"--screenshot=out/shots"}, Mode::screenshot, "out/shots", false},
                      Accepted{{"--help"}, Mode::interactive, "", true},
                      Accepted{{"-h", "--self-test"}, Mode::self_test_read_write, "", true}));

struct Refused {
    std::vector<std::string> arguments;
    std::string error_mentions;
};

class BenchOptionsRefused : public ::testing::TestWithParam<Refused> {};

TEST_P(BenchOptionsRefused, SaysWhy) {
    const Refused& row = GetParam();
    std::string error;
    EXPECT_FALSE(Bench_options::parse(row.arguments, error));
    EXPECT_NE(error.find(row.error_mentions), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, BenchOptionsRefused,
    ::testing::Values(Refused{{"--screenshot"}, "Missing value"},
                      Refused{{"--screenshot="}, "needs a directory"},
                      Refused{{"--self-test=everything"}, "unknown argument"},
                      Refused{{"--selftest"}, "unknown argument"},
                      Refused{{"--self-test", "--screenshot", "x"}, "only one"},
                      Refused{{"--self-test", "--self-test=series"}, "only one"},
                      Refused{{"--self-test", "series"}, "unknown argument: series"},
                      Refused{{"-x"}, "unknown argument: -x"}));

TEST(BenchOptions, VersionAndUsageNameTheProgram) {
    std::string error;
    const auto options = Bench_options::parse({"-v"}, error);
    ASSERT_TRUE(options) << error;
    EXPECT_TRUE(options->version);
    EXPECT_EQ(Bench_options::version_line().rfind("ktr27tunex-bench ", 0), 0u);
    const std::string usage = Bench_options::usage();
    EXPECT_EQ(usage.rfind("Usage: ktr27tunex-bench ", 0), 0u) << usage;
    EXPECT_NE(usage.find("--screenshot <dir>"), std::string::npos) << usage;
}

} // namespace
