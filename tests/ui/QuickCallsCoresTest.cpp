// A run of quick calls keeps its two threads to the core its first calls went fastest on, and
// gives the cores back when it ends.
#include "basic/WindowServerWait.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>

#include <sched.h>

using namespace vrl;

TEST(QuickCallsCores, ARunKeepsToTheCoreItsCallsWentFastestOnAndGivesTheCoresBack)
{
    cpu_set_t before;
    ASSERT_EQ(sched_getaffinity(0, sizeof before, &before), 0);
    if (CPU_COUNT(&before) < 2)
        GTEST_SKIP() << "a single core leaves nothing to choose";
    WindowServerWait wait;
    wait.quickCallsBegin();
    const int first = sched_getcpu(); // where the run began, and where it is kept at first
    // Calls are slow on the core the run began on and quick on any other.
    int core = -1;
    const auto call = [&] {
        core = sched_getcpu();
        const auto until = std::chrono::steady_clock::now()
            + std::chrono::microseconds(core == first ? 2000 : 50);
        while (std::chrono::steady_clock::now() < until) { }
    };
    for (int i = 0; i < 300; ++i)
        wait.wait(call, {});
    std::set<int> cores;
    for (int i = 0; i < 50; ++i) {
        wait.wait(call, {});
        cores.insert(core);
    }
    EXPECT_EQ(cores.size(), 1u);
    EXPECT_NE(*cores.begin(), first);
    wait.quickCallsEnd();
    cpu_set_t after;
    ASSERT_EQ(sched_getaffinity(0, sizeof after, &after), 0);
    EXPECT_TRUE(CPU_EQUAL(&before, &after));
}
