// A sync track: keys on rows, and the value between them.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace quadrelume::sync {

// How a key's value goes on to the next key's. The numbers are the ones the
// editors send and the track files hold.
enum class KeyType : std::uint8_t {
    step = 0,    // stays at the key's value until the next key
    linear = 1,  // straight to the next value
    smooth = 2,  // eases in and out: t * t * (3 - 2t)
    ramp = 3,    // starts slowly and speeds up: t * t
};

// Key types are 0 to keyTypeCount - 1; anything else is bad input.
inline constexpr unsigned keyTypeCount = 4;

struct TrackKey {
    std::uint32_t row = 0;
    float value = 0.0f;
    KeyType type = KeyType::step;

    bool operator==(const TrackKey&) const = default;
};

// The value of a track whose keys are `keys` (rows strictly ascending) at
// the fractional row `row`. With k0 the last key at or before the row and k1
// the one after it, t = (row - k0.row) / (k1.row - k0.row), and k0's type
// chooses: step gives k0's value, linear k0 + (k1 - k0) * t, smooth and ramp
// the same with t shaped as above. Before the first key (and at a NaN row)
// the first key's value holds, at or after the last key the last one's; a
// track without keys is 0. Computed in double, rounded to float once.
float trackValue(std::span<const TrackKey> keys, double row);

// Puts `key` into `keys` (rows strictly ascending), replacing a key on the
// same row. Appending after the last key, the editor's usual order, moves
// nothing.
void setKey(std::vector<TrackKey>& keys, const TrackKey& key);

// Removes the key on `row`; false when there is none.
bool deleteKey(std::vector<TrackKey>& keys, std::uint32_t row);

// One change an editor asks for: a key set (as setKey does), or the key on
// `key.row` removed (as deleteKey does).
struct KeyEdit {
    TrackKey key;
    bool remove = false;
};

// Applies `edits` to `keys` (rows strictly ascending) with the outcome of
// setKey and deleteKey called for each edit in turn, in time that grows
// with keys.size() + edits.size() x log(edits.size()) whatever the order of
// their rows: a burst of keys in descending order costs what one in
// ascending order does (one at a time, each would move every key after
// it). Edits that only append after the last key, the editor's usual
// order, move nothing. `edits` is reordered and thinned out on the way.
void applyKeyEdits(std::vector<TrackKey>& keys, std::vector<KeyEdit>& edits);

}  // namespace quadrelume::sync
