#include "script/time_range.h"

namespace quadrelume {

bool TimeRange::isActiveAt(float t) const { return t >= start && t < end; }

}  // namespace quadrelume
