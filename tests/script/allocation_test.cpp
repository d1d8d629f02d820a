// Counts heap allocations of steady-state runs. This test program replaces
// the global operator new, so it holds nothing else.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "script_test_support.h"

namespace {
long allocationCount = 0;
}

void* operator new(std::size_t size) {
    ++allocationCount;
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace quadrelume::script {
namespace {

// Allocations made by one run of `script` after `warmUp` runs.
long allocationsOfSteadyRun(const char* script, int warmUp = 3) {
    VariableTable table;
    auto program = compile(script);
    EvalContext context;
    context.program = program.get();
    context.variables = context.fallbackVariables = &table;
    for (int i = 0; i < warmUp; ++i) run(context);
    long before = allocationCount;
    run(context);
    return allocationCount - before;
}

TEST(Allocation, NumberScriptsRunWithoutHeapAllocation) {
    EXPECT_EQ(allocationsOfSteadyRun("a = (b = b + 1) * 2 - lin(0, 10, b % 3) / 4"), 0);
}

TEST(Allocation, ListAssignmentsAllocateOnlyTheStoredCopy) {
    // [1, 2]: one item array. [[1, 2], 3]: the outer and the inner array.
    EXPECT_EQ(allocationsOfSteadyRun("a = [1, 2] + b"), 1);
    EXPECT_EQ(allocationsOfSteadyRun("a = [[1, 2], 3]"), 2);
    // t and a each store a two-level list.
    EXPECT_EQ(allocationsOfSteadyRun("a = (t = [1, 2, [3]] * 2) - t"), 4);
}

TEST(Allocation, TheCounterSeesHeapAllocations) {
    long before = allocationCount;
    delete new int(3);
    EXPECT_EQ(allocationCount - before, 1);
}

}  // namespace
}  // namespace quadrelume::script
