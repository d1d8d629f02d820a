// Helpers shared by the timeline tests.
#pragma once

#include <cstdio>
#include <string>

#include "script/parser.h"
#include "timeline/demo.h"
#include "timeline/expression_range.h"

namespace quadrelume::testing {

// Appends an expression range [start, end) running `script` to `demo`.
inline void addScript(Demo& demo, float start, float end, const char* script) {
    demo.addRange(std::make_unique<ExpressionRange>(start, end, script::compile(script), &demo.variables));
}

// A Demo whose trace goes to a temporary file that can be read back.
class TracedDemo {
public:
    TracedDemo() : file(std::tmpfile()), demo(file) {}
    ~TracedDemo() { std::fclose(file); }

    // Everything traced since the last call.
    std::string takeTrace() {
        std::string text;
        std::rewind(file);
        for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
        std::fclose(file);
        file = std::tmpfile();
        demo.setTraceOutput(file);
        return text;
    }

    std::FILE* file;
    Demo demo;
};

}  // namespace quadrelume::testing
