#include "loop_naming.h"
#include "loop_progress.h"
#include "loop_row.h"
#include "plan_check.h"
#include "plan_comparison.h"
#include "qstring_print.h"

#include <gtest/gtest.h>

namespace {

DetectorConfig at(int basic) {
    DetectorConfig config = Loop_naming::new_window_config();
    config.set_addresses(basic, std::nullopt, std::nullopt);
    return config;
}

TEST(Plan_check, ClashesAreNamedBeforeAnythingIsWritten) {
    struct Case {
        std::map<int, DetectorConfig> plan;
        std::vector<int> to_write;
        std::vector<int> answering;
        QString named; // empty: no clash
    };
    const Case cases[] = {
        {{{3, at(3)}, {5, at(5)}}, {3, 5}, {3, 5}, {}},
        // Moving a detector to a free address is what a plan may do.
        {{{3, at(8)}}, {3}, {3, 5}, {}},
        {{{3, at(5)}, {5, at(6)}},
         {3},
         {3},
         QStringLiteral("Adres podstawowy 5, który plan daje czujce spod adresu 3, jest w planie "
                        "miejscem innej czujki.")},
        // Planned for 5, which is not on the loop yet.
        {{{3, at(5)}, {5, at(5)}},
         {3},
         {3},
         QStringLiteral("Czujki spod adresów 3 i 5 mają w planie ten sam adres podstawowy 5.")},
        {{{3, at(5)}},
         {3},
         {3, 5},
         QStringLiteral("Adres podstawowy 5, który plan daje czujce spod adresu 3, zajmuje inna "
                        "czujka na pętli.")},
    };
    for (const Case& c : cases) {
        Loop_plan plan;
        plan.detectors = c.plan;
        const QStringList clashes = Plan_check::clashes(plan, c.to_write, c.answering);
        if (c.named.isEmpty()) {
            EXPECT_TRUE(clashes.isEmpty()) << clashes.join(' ').toStdString();
        } else {
            EXPECT_EQ(clashes, QStringList{c.named});
        }
    }
}

TEST(Plan_comparison, EveryRowSaysHowItStandsAgainstThePlan) {
    const Loop_naming naming;
    Loop_row read;
    read.read_state = Loop_row::Read_state::read;
    read.found = at(3);
    Loop_row silent;
    silent.read_state = Loop_row::Read_state::no_reply;
    Loop_row fresh;
    fresh.read_state = Loop_row::Read_state::checksum_error;
    DetectorConfig blinking = at(3);
    blinking.options1 |= 0x0001;

    EXPECT_EQ(Plan_comparison::compare(at(3), read, naming).text(), QStringLiteral("zgodna"));
    EXPECT_EQ(Plan_comparison::compare(blinking, read, naming).text(),
              QStringLiteral("różni się: „CheckBox_blink”"));
    EXPECT_EQ(Plan_comparison::compare(at(4), read, naming).text(),
              QStringLiteral("różni się: „ComboBox_address_1”"));
    EXPECT_EQ(Plan_comparison::compare(at(3), silent, naming).text(),
              QStringLiteral("brak na pętli"));
    EXPECT_EQ(Plan_comparison::compare(std::nullopt, read, naming).text(),
              QStringLiteral("poza planem"));
    // A detector whose configuration could not be trusted is to be written.
    EXPECT_EQ(Plan_comparison::compare(at(3), fresh, naming).state,
              Plan_comparison::State::differs);
    EXPECT_EQ(Plan_comparison::compare(std::nullopt, silent, naming).text(), QString());
}

} // namespace

TEST(Loop_progress, TheTimeStillToGoIsJudgedFromTheDetectorsDone) {
    EXPECT_EQ(Loop_progress::text(0, 12, 0), QStringLiteral("0 z 12, upłynęło 0:00"));
    EXPECT_EQ(Loop_progress::text(3, 12, 6000),
              QStringLiteral("3 z 12, upłynęło 0:06, pozostało ok. 0:18"));
    EXPECT_EQ(Loop_progress::text(12, 99, 3600 * 1000 / 8),
              QStringLiteral("12 z 99, upłynęło 7:30, pozostało ok. 54:23"));
    EXPECT_EQ(Loop_progress::text(99, 99, 3725000), QStringLiteral("99 z 99, upłynęło 1:02:05"));
}
