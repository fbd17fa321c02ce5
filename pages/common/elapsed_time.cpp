#include "pages/common/elapsed_time.h"

#include <cstdio>

namespace vandok {

std::string format_minutes_seconds(std::int64_t seconds) {
  // Negative spans (the clock set back) still show as a time of day would.
  const std::int64_t minute = ((seconds / 60) % 60 + 60) % 60;
  const std::int64_t second = (seconds % 60 + 60) % 60;
  char text[8];
  std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(minute), static_cast<int>(second));
  return text;
}

ElapsedTexts elapsed_tick(std::int64_t loading_seconds, int upper_bound, int position) {
  ElapsedTexts out;
  out.loading = "Loading time" + format_minutes_seconds(loading_seconds);
  if (upper_bound <= 0) return out;
  const float done = static_cast<float>(static_cast<std::int64_t>(position) - 1) / static_cast<float>(upper_bound);
  if (done <= 0.0f) return out;
  const std::int64_t m = ((loading_seconds / 60) % 60 + 60) % 60;
  const std::int64_t s = (loading_seconds % 60 + 60) % 60;
  const float projected = static_cast<float>(60 * m + s) / done;
  out.complete = "Complete Time" + format_minutes_seconds(static_cast<std::int64_t>(projected));
  out.has_complete = true;
  return out;
}

}  // namespace vandok
