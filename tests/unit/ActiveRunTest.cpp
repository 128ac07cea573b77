#include "workflow/ActiveRun.h"
#include <gtest/gtest.h>

// One run at a time, one end per run, and only the active run's number accepted: a walk of steps,
// each with what it must answer and the state it leaves.
TEST(ActiveRun, OneBeginOneEndAndOnlyTheActiveRunsNumber) {
    enum class Step { Begin, End };
    struct Case {
        Step step;
        bool answer;
        bool activeAfter;
        std::uintptr_t numberAfter;
    };
    const Case walk[] = {
        {Step::End, false, false, 0},  // nothing to end before the first run
        {Step::Begin, true, true, 1},  // the first run
        {Step::Begin, false, true, 1}, // a press during the run starts nothing
        {Step::End, true, false, 1},   // its end
        {Step::End, false, false, 1},  // a second end of the same run changes nothing
        {Step::Begin, true, true, 2},  // the next run has a number of its own
    };
    ActiveRun run;
    EXPECT_FALSE(run.Accepts(0)) << "no run yet";
    for (const Case& c : walk) {
        SCOPED_TRACE(static_cast<int>(&c - walk));
        EXPECT_EQ(c.step == Step::Begin ? run.Begin() : run.End(), c.answer);
        EXPECT_EQ(run.Active(), c.activeAfter);
        EXPECT_EQ(run.Number(), c.numberAfter);
        EXPECT_EQ(run.Accepts(c.numberAfter), c.activeAfter) << "the run's own number";
        EXPECT_FALSE(run.Accepts(c.numberAfter - 1)) << "an earlier run's number";
        EXPECT_FALSE(run.Accepts(c.numberAfter + 1)) << "a number no run had yet";
    }
}
