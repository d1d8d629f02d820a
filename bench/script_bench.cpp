// Benchmarks of the per-frame work: running scripts and rendering a Demo.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "script/evaluator.h"
#include "script/parser.h"
#include "script/variable_table.h"
#include "timeline/demo.h"
#include "timeline/expression_range.h"

namespace {

using namespace quadrelume;

// A scalar script of 20 nodes: reads, literals, all five operators, lin.
constexpr const char* scalarScript = "a = (b + 1.5) * 2 - c / 3 + lin(0, 10, 0.5) * (d % 7) - -e";

void runScalarScript(benchmark::State& state) {
    VariableTable table;
    for (const char* name : {"b", "c", "d", "e"}) table.assign(name, numberValue(2.5f));
    auto program = script::compile(scalarScript);
    EvalContext context;
    context.program = program.get();
    context.variables = context.fallbackVariables = &table;
    script::run(context);
    const Value* a = table.find("a");
    for (auto _ : state) {
        context.nodeIndex = 0;
        script::run(context);
        benchmark::DoNotOptimize(a->number);
    }
    const double nodes = static_cast<double>(program->nodes.size());
    state.counters["nodes"] = nodes;
    // Seconds per node; the report prints it with an "n" suffix for ns.
    state.counters["per_node"] = benchmark::Counter(
        nodes, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(runScalarScript);

void runListScript(benchmark::State& state) {
    VariableTable table;
    auto program = script::compile("a = lin([0, 0, 0], [1, 2, 3], 0.5) * [4, 5, 6] + keyframe_free");
    EvalContext context;
    context.program = program.get();
    context.variables = context.fallbackVariables = &table;
    for (auto _ : state) script::run(context);
}
BENCHMARK(runListScript);

// 1,000 expression ranges over 200 variables, all active, the trace going
// through a pipe to another process.
void renderDemo(benchmark::State& state) {
    std::FILE* pipe = popen("cat > /dev/null", "w");
    if (pipe == nullptr) {
        state.SkipWithError("no pipe");
        return;
    }
    {
        Demo demo(pipe);
        for (int i = 0; i < 1000; ++i) {
            std::string name = "v" + std::to_string(i % 200);
            std::string script = name + " = lin(0, 10) * " + std::to_string(i % 7) + " + gtime() % 3";
            demo.addRange(std::make_unique<ExpressionRange>(0.0f, 100.0f, script::compile(script.c_str()),
                                                            &demo.variables));
        }
        float t = 1.0f;
        for (auto _ : state) {
            demo.render(t);
            t += 0.016f;
            if (t > 99.0f) t = 1.0f;
        }
    }
    pclose(pipe);
}
BENCHMARK(renderDemo)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
