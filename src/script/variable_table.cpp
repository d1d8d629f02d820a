#include "script/variable_table.h"

namespace quadrelume {
namespace {
std::uint64_t lastSerial = 0;
}  // namespace

VariableTable::VariableTable() : serialNumber(++lastSerial) {}

VariableTable::~VariableTable() {
    for (auto& entry : entries) destroyValue(entry.second);
}

const Value* VariableTable::find(std::string_view name) const {
    auto found = entries.find(name);
    return found == entries.end() ? nullptr : &found->second;
}

Value* VariableTable::slotOf(std::string_view name) {
    auto found = entries.find(name);
    return found == entries.end() ? nullptr : &found->second;
}

void VariableTable::store(Value* slot, const Value& value) {
    if (slot->kind == ValueKind::Number && value.kind == ValueKind::Number) {
        *slot = value;  // nothing to copy or free
        return;
    }
    // Copy before destroying: `value` may point into the storage being
    // replaced (x = x, or a list that holds the old value).
    Value stored = copyValue(value, false);
    destroyValue(*slot);
    *slot = stored;
}

Value* VariableTable::assign(std::string_view name, const Value& value) {
    auto found = entries.find(name);
    if (found == entries.end()) return &entries.emplace(std::string(name), copyValue(value, false)).first->second;
    store(&found->second, value);
    return &found->second;
}

}  // namespace quadrelume
