#include "cli/progress.h"

#include <algorithm>

#include "pages/common/elapsed_time.h"

namespace vandok::cli {

namespace {
constexpr int kBarWidth = 24;
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
}  // namespace

std::string format_duration(double seconds) {
  const std::int64_t whole = seconds < 0 ? 0 : static_cast<std::int64_t>(seconds);
  const std::string minutes_seconds = format_minutes_seconds(whole);
  return whole >= 3600 ? std::to_string(whole / 3600) + ":" + minutes_seconds : minutes_seconds;
}

std::string progress_line(const std::string& label, std::uint64_t done, std::uint64_t total, double seconds) {
  done = std::min(done, total);
  const double share = total == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(total);
  const int filled = static_cast<int>(share * kBarWidth);
  std::string bar(static_cast<std::size_t>(filled), '#');
  bar.append(static_cast<std::size_t>(kBarWidth - filled), '.');
  char numbers[96];
  if (done == 0 || seconds <= 0.0) {
    std::snprintf(numbers, sizeof numbers, "%3d%%         MiB/s  %s / ~--:--", static_cast<int>(share * 100),
                  format_duration(seconds).c_str());
  } else {
    const double rate = static_cast<double>(done) / seconds / (1024.0 * 1024.0);
    std::snprintf(numbers, sizeof numbers, "%3d%%  %7.1f MiB/s  %s / ~%s", static_cast<int>(share * 100), rate,
                  format_duration(seconds).c_str(), format_duration(seconds / share).c_str());
  }
  return label + " [" + bar + "] " + numbers;
}

ProgressBar::ProgressBar(bool enabled, std::FILE* out, std::uint64_t total)
    : enabled_(enabled), out_(out), total_(total), started_(std::chrono::steady_clock::now()) {}

double ProgressBar::seconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
}

void ProgressBar::update(const std::string& label, std::uint64_t done) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (done < total_ && now - drawn_ < kRedrawEvery) return;
  drawn_ = now;
  const std::string line = progress_line(label, done, total_, seconds());
  // Pads over a longer line drawn before.
  const std::size_t pad = drawn_width_ > line.size() ? drawn_width_ - line.size() : 0;
  std::fprintf(out_, "\r%s%*s", line.c_str(), static_cast<int>(pad), "");
  std::fflush(out_);
  drawn_width_ = line.size();
}

void ProgressBar::clear() {
  if (!enabled_ || drawn_width_ == 0) return;
  std::fprintf(out_, "\r%*s\r", static_cast<int>(drawn_width_), "");
  std::fflush(out_);
  drawn_width_ = 0;
}

}  // namespace vandok::cli
