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

}  // namespace quadrelume::sync
