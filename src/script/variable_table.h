// The script variables of a demo, by name.
#pragma once

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

    VariableTable() = default;
    VariableTable(const VariableTable&) = delete;
    VariableTable& operator=(const VariableTable&) = delete;
    // Frees every stored value.
    ~VariableTable();

    // The stored value of `name`, or null. Never inserts.
    const Value* find(std::string_view name) const;

    // Stores a heap deep copy of `value` under `name`. An existing entry is
    // updated in place (its old value destroyed first), so re-assigning a
    // Number allocates nothing; a new name is inserted.
    void assign(std::string_view name, const Value& value);

    // Iteration in name order.
    Map::const_iterator begin() const { return entries.begin(); }
    Map::const_iterator end() const { return entries.end(); }
    std::size_t size() const { return entries.size(); }

private:
    Map entries;
};

}  // namespace quadrelume
