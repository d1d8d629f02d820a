#include "timeline/time_range.h"

namespace quadrelume {

TimeRange::~TimeRange() = default;

}  // namespace quadrelume
