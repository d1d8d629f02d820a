#include "sync/track.h"

#include <algorithm>

namespace quadrelume::sync {
namespace {

// t shaped by the key type, in table order of KeyType; a step never gets
// here, so that an infinite next value cannot turn it into NaN.
using Shape = double (*)(double t);
constexpr Shape shapes[keyTypeCount] = {
    nullptr,
    [](double t) { return t; },
    [](double t) { return t * t * (3.0 - 2.0 * t); },
    [](double t) { return t * t; },
};

bool rowBefore(const TrackKey& key, std::uint32_t row) { return key.row < row; }

}  // namespace

float trackValue(std::span<const TrackKey> keys, double row) {
    if (keys.empty()) return 0.0f;
    if (!(row >= keys.front().row)) return keys.front().value;
    if (row >= keys.back().row) return keys.back().value;
    // The first key after the row; there is one, and one before it.
    auto next = std::upper_bound(keys.begin(), keys.end(), row,
                                 [](double r, const TrackKey& key) { return r < key.row; });
    const TrackKey& k0 = next[-1];
    const TrackKey& k1 = *next;
    const unsigned type = static_cast<unsigned>(k0.type);
    if (type == 0 || type >= keyTypeCount) return k0.value;
    const double t = (row - k0.row) / (static_cast<double>(k1.row) - k0.row);
    const double shaped = shapes[type](t);
    return static_cast<float>(k0.value + (static_cast<double>(k1.value) - k0.value) * shaped);
}

void setKey(std::vector<TrackKey>& keys, const TrackKey& key) {
    if (keys.empty() || keys.back().row < key.row) {
        keys.push_back(key);
        return;
    }
    auto at = std::lower_bound(keys.begin(), keys.end(), key.row, rowBefore);
    if (at != keys.end() && at->row == key.row)
        *at = key;
    else
        keys.insert(at, key);
}

bool deleteKey(std::vector<TrackKey>& keys, std::uint32_t row) {
    auto at = std::lower_bound(keys.begin(), keys.end(), row, rowBefore);
    if (at == keys.end() || at->row != row) return false;
    keys.erase(at);
    return true;
}

void applyKeyEdits(std::vector<TrackKey>& keys, std::vector<KeyEdit>& edits) {
    if (edits.empty()) return;
    if (edits.size() == 1) {
        if (edits[0].remove) deleteKey(keys, edits[0].key.row);
        else setKey(keys, edits[0].key);
        return;
    }
    // In row order, and on each row only the last edit, which decides.
    std::stable_sort(edits.begin(), edits.end(),
                     [](const KeyEdit& a, const KeyEdit& b) { return a.key.row < b.key.row; });
    std::size_t kept = 0;
    for (std::size_t i = 0; i < edits.size(); ++i) {
        if (kept > 0 && edits[kept - 1].key.row == edits[i].key.row) --kept;
        edits[kept++] = edits[i];
    }
    edits.resize(kept);
    const bool onlyAppends = std::none_of(edits.begin(), edits.end(), [](const KeyEdit& e) { return e.remove; }) &&
                             (keys.empty() || keys.back().row < edits.front().key.row);
    if (onlyAppends) {
        for (const KeyEdit& edit : edits) keys.push_back(edit.key);
        return;
    }
    std::vector<TrackKey> merged;
    merged.reserve(keys.size() + edits.size());
    auto key = keys.begin();
    for (const KeyEdit& edit : edits) {
        while (key != keys.end() && key->row < edit.key.row) merged.push_back(*key++);
        if (key != keys.end() && key->row == edit.key.row) ++key;  // replaced or removed
        if (!edit.remove) merged.push_back(edit.key);
    }
    merged.insert(merged.end(), key, keys.end());
    keys.swap(merged);
}

}  // namespace quadrelume::sync
