#include "script/variable_table.h"

namespace quadrelume {

VariableTable::~VariableTable() {
    for (auto& entry : entries) destroyValue(entry.second);
}

const Value* VariableTable::find(std::string_view name) const {
    auto found = entries.find(name);
    return found == entries.end() ? nullptr : &found->second;
}

void VariableTable::assign(std::string_view name, const Value& value) {
    // Copy before destroying: `value` may point into the storage being
    // replaced (x = x, or a list that holds the old value).
    Value stored = copyValue(value, false);
    auto found = entries.find(name);
    if (found == entries.end()) {
        entries.emplace(std::string(name), stored);
        return;
    }
    destroyValue(found->second);
    found->second = stored;
}

}  // namespace quadrelume
