// The script variables of a demo, by name.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "script/value.h"

namespace quadrelume {

// An ordered map from variable name to Value that owns its values deep.
// Names compare byte by byte as unsigned characters, a shorter prefix first,
// so iteration (and the per-frame trace) puts "Z" before "a".
class VariableTable {
public:
    using Map = std::map<std::string, Value, std::less<>>;

    VariableTable();
    VariableTable(const VariableTable&) = delete;
    VariableTable& operator=(const VariableTable&) = delete;
    // Frees every stored value.
    ~VariableTable();

    // The stored value of `name`, or null. Never inserts.
    const Value* find(std::string_view name) const;

    // Stores a heap deep copy of `value` under `name`. An existing entry is
    // updated in place (its old value destroyed first), so re-assigning a
    // Number allocates nothing; a new name is inserted. Returns the slot that
    // now holds the value.
    Value* assign(std::string_view name, const Value& value);

    // The slot of `name`, or null. Slots stay put for the table's whole
    // life (entries are never removed), so callers may keep them.
    Value* slotOf(std::string_view name);

    // Replaces the value in `slot` (a slot of some table) by a heap deep copy
    // of `value`, destroying the old one.
    static void store(Value* slot, const Value& value);

    // A number no other table of this process has; lets callers that keep
    // slots tell tables apart even when one is built where another was.
    std::uint64_t serial() const { return serialNumber; }

    // Iteration in name order.
    Map::const_iterator begin() const { return entries.begin(); }
    Map::const_iterator end() const { return entries.end(); }
    std::size_t size() const { return entries.size(); }

private:
    Map entries;
    std::uint64_t serialNumber;
};

}  // namespace quadrelume
