#include "timeline/demo.h"

void Demo::addRange(std::unique_ptr<quadrelume::TimeRange> range) { ranges.push_back(std::move(range)); }

void Demo::render(float t) {
    if (!buffers.empty()) buffers.beginFrame(t);
    for (auto& range : ranges)
        if (range->isActiveAt(t)) range->render(t);

    traceBuffer.clear();
    traceBuffer += "----------------- ";
    quadrelume::appendNumberText(traceBuffer, t);
    traceBuffer += '\n';
    for (const auto& [name, value] : variables) {
        traceBuffer += name;
        traceBuffer += " = ";
        quadrelume::appendText(traceBuffer, value);
        traceBuffer += '\n';
    }
    std::fwrite(traceBuffer.data(), 1, traceBuffer.size(), traceOutput);
    std::fflush(traceOutput);
}
