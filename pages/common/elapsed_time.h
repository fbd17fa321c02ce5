// The once-a-second elapsed and projected-total time texts of a transfer page.
#pragma once

#include <cstdint>
#include <string>

namespace vandok {

// "%M:%S": minutes within the hour and seconds within the minute.
std::string format_minutes_seconds(std::int64_t seconds);

struct ElapsedTexts {
  std::string loading;        // "Loading time" + %M:%S, always set
  std::string complete;       // "Complete Time" + %M:%S
  bool has_complete = false;  // false: leave the total-time text as it was
};

// One tick: elapsed seconds, and the progress bar's upper bound and position.
ElapsedTexts elapsed_tick(std::int64_t loading_seconds, int upper_bound, int position);

}  // namespace vandok
