#include "cli/commands.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <new>

#include "cli/board.h"
#include "cli/progress.h"
#include "link/bulk_transfer.h"
#include "link/command.h"
#include "link/discovery.h"
#include "pages/ddr/ddr_patterns.h"
#include "pages/ddr/ddr_test.h"
#include "pages/flash/flash_transfer.h"
#include "pages/register/register_write.h"

namespace vandok::cli {

namespace {

RunResult ended(int exit_code, const char* result, std::string message) {
  RunResult r;
  r.exit_code = exit_code;
  r.result = result;
  r.message = std::move(message);
  return r;
}

RunResult cancelled(const CancelState& cancel) {
  const int signal = cancel.signal.load();
  return ended(kExitCancelledBase + (signal != 0 ? signal : 2), "cancelled", kMsgCancelled);
}

// Connects as the options say; on failure fills result with the reason.
bool open_board(const RunContext& context, BoardConnection& board, RunResult& result) {
  const BoardOutcome outcome = board.open(context.options.board, context.options.port);
  if (outcome.kind == BoardOutcome::Connected) return true;
  result = outcome.kind == BoardOutcome::Cancelled ? cancelled(context.cancel)
                                                   : ended(kExitLink, "link_error", outcome.message);
  return false;
}

double mib(std::uint64_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

void add_transfer_figures(JsonObject& json, std::uint64_t bytes, double seconds) {
  json.number("bytes_transferred", bytes).real("elapsed_seconds", seconds);
  json.number("bytes_per_second", seconds > 0 ? static_cast<std::uint64_t>(static_cast<double>(bytes) / seconds) : 0);
}

std::string transfer_figures(std::uint64_t bytes, double seconds) {
  char text[96];
  std::snprintf(text, sizeof text, "%.2f MiB in %.2f s (%.1f MiB/s)", mib(bytes), seconds,
                seconds > 0 ? mib(bytes) / seconds : 0.0);
  return text;
}

bool is_link_failure(const char* message) {
  const std::string m = message;
  return m == kMsgSendHeaderFailed || m == kMsgTcpFailed || m == kMsgWriteReceiveFailed;
}

// The DDR page's port, on the console: progress to the bar, and the first
// link failure the run shows kept to tell it from a mismatch.
class ConsoleDdrPort : public DdrTestPort {
 public:
  ConsoleDdrPort(ProgressBar& bar, std::uint32_t size, std::uint32_t repeat)
      : bar_(bar), size_(size), repeat_(repeat) {}

  void begin_pass(std::uint32_t pass) {
    pass_ = pass;
    link_failure_ = nullptr;
    done_ = std::uint64_t{pass - 1} * 2 * size_;
  }
  // Positions run 0..size-1 writing, size..2*size-1 reading (then 3*size-1 at the end).
  void report_progress(std::uint32_t position) override {
    const std::uint64_t in_pass = std::min<std::uint64_t>(std::uint64_t{position} + 1, std::uint64_t{2} * size_);
    done_ = std::uint64_t{pass_ - 1} * 2 * size_ + in_pass;
    const std::string label = std::string(position < size_ ? "write " : "read  ") + std::to_string(pass_) + "/" +
                              std::to_string(repeat_);
    bar_.update(label, done_);
  }
  void stop_timer() override {}
  void show_message(const char* text) override {
    if (link_failure_ == nullptr && is_link_failure(text)) link_failure_ = text;
  }

  const char* link_failure() const { return link_failure_; }
  std::uint64_t done() const { return done_; }

 private:
  ProgressBar& bar_;
  std::uint32_t size_;
  std::uint32_t repeat_;
  std::uint32_t pass_ = 1;
  const char* link_failure_ = nullptr;
  std::uint64_t done_ = 0;
};

std::string mismatch_json(const DdrMismatchReport& report) {
  std::string first = "[";
  for (std::size_t i = 0; i < report.listed; ++i) {
    const ByteMismatch& m = report.first[i];
    JsonObject entry;
    entry.text("address", hex_text(m.address))
        .text("expected", hex_text(m.expected, 1))
        .text("actual", hex_text(m.actual, 1))
        .text("xor", hex_text(static_cast<std::uint8_t>(m.expected ^ m.actual), 1));
    if (i > 0) first += ',';
    first += entry.str();
  }
  first += ']';
  JsonObject json;
  json.number("differing_bytes", report.differing_bytes)
      .text("lowest_address", hex_text(report.lowest_address))
      .text("highest_address", hex_text(report.highest_address))
      .text("failing_bits", hex_text(report.failing_bits))
      .raw("first", first);
  return json.str();
}

void print_mismatch(const DdrMismatchReport& report) {
  std::printf("differing bytes: %llu\n", static_cast<unsigned long long>(report.differing_bytes));
  std::printf("lowest failing address: %s\nhighest failing address: %s\n", hex_text(report.lowest_address).c_str(),
              hex_text(report.highest_address).c_str());
  std::printf("failing bits: %s (bit 8*(address%%4)+b is bit b of that byte)\n",
              hex_text(report.failing_bits).c_str());
  std::printf("first %zu differing bytes:\n  address     expected  actual  xor\n", report.listed);
  for (std::size_t i = 0; i < report.listed; ++i) {
    const ByteMismatch& m = report.first[i];
    std::printf("  %s  %s      %s    %s\n", hex_text(m.address).c_str(), hex_text(m.expected, 1).c_str(),
                hex_text(m.actual, 1).c_str(), hex_text(static_cast<std::uint8_t>(m.expected ^ m.actual), 1).c_str());
  }
}

std::uint64_t fresh_seed() {
  const auto wall = std::chrono::system_clock::now().time_since_epoch().count();
  const auto mono = std::chrono::steady_clock::now().time_since_epoch().count();
  RandomWords mix(static_cast<std::uint64_t>(wall) ^ (static_cast<std::uint64_t>(mono) << 17));
  return mix.next32();  // short enough to retype
}

class ConsoleFlashPort : public FlashTransferPort {
 public:
  explicit ConsoleFlashPort(ProgressBar& bar) : bar_(bar) {}
  // Positions are the last byte sent; 0 is reported before the first chunk.
  void report_progress(std::uint32_t position) override {
    done_ = position == 0 ? 0 : std::uint64_t{position} + 1;
    bar_.update("reconfig", done_);
  }
  void stop_timer() override {}
  void show_message(const char*) override {}
  std::uint64_t done() const { return done_; }

 private:
  ProgressBar& bar_;
  std::uint64_t done_ = 0;
};

}  // namespace

RunResult bad_input(const std::string& message) { return ended(kExitBadInput, "bad_input", message); }

RunResult discover_command(const RunContext& context) {
  BoardConnection board(context.cancel);
  RunResult result;
  if (!open_board(context, board, result)) return result;
  result.board = board.address();
  result.message = kMsgFoundDevice;
  if (context.human) std::printf("%s\n", board.address().c_str());
  return result;
}

RunResult regwrite_command(const RunContext& context) {
  const Options& o = context.options;
  CommandHeader header;
  if (const char* refused = build_register_write(
          o.register_address.c_str(), [&o] { return o.register_value.c_str(); }, header))
    return bad_input(refused);
  RunResult result;
  result.details.text("address", hex_text(header.address)).text("value", hex_text(header.value));
  BoardConnection board(context.cancel);
  if (!open_board(context, board, result)) return result;
  result.board = board.address();
  if (const char* failed = send_register_write(board.socket(), header)) {
    RunResult failure = context.cancel.requested.load() ? cancelled(context.cancel)
                                                        : ended(kExitLink, "link_error", failed);
    failure.board = result.board;
    failure.details = result.details;
    return failure;
  }
  if (context.human)
    std::printf("register %s <- %s\n", hex_text(header.address).c_str(), hex_text(header.value).c_str());
  return result;
}

RunResult ddr_test_command(const RunContext& context) {
  const Options& o = context.options;
  DdrRequest request;
  if (const char* refused = check_ddr_fields(o.start.c_str(), o.size.c_str(), request)) return bad_input(refused);
  const std::uint32_t size = request.size;
  const std::uint64_t seed = o.has_seed ? o.seed : fresh_seed();
  JsonObject details;
  details.text("start", hex_text(request.start)).text("size", hex_text(size));
  details.text("pattern", ddr_pattern_name(o.pattern));
  if (o.pattern == DdrPattern::Random)
    details.number("seed", seed);
  else
    details.null("seed");
  details.number("repeat", o.repeat);

  std::unique_ptr<std::uint8_t[]> written(new (std::nothrow) std::uint8_t[size]);
  if (!written) return bad_input(kMsgWriteMallocFailed);
  std::unique_ptr<std::uint8_t[]> read(new (std::nothrow) std::uint8_t[size]);
  if (!read) return bad_input(kMsgReadMallocFailed);

  BoardConnection board(context.cancel);
  RunResult result;
  if (!open_board(context, board, result)) {
    result.details = details;
    return result;
  }

  ProgressBar bar(context.progress, stdout, std::uint64_t{2} * size * o.repeat);
  ConsoleDdrPort port(bar, size, o.repeat);
  RandomWords random(seed);
  const DdrRun run{&board.socket(), request, written.get(), read.get(), &context.cancel.requested};
  std::uint32_t passed = 0;
  bool mismatch = false;
  DdrMismatchReport report;
  for (std::uint32_t pass = 1; pass <= o.repeat && result.exit_code == kExitOk; ++pass) {
    if (pass == 1 || o.pattern == DdrPattern::Random)
      fill_ddr_pattern(o.pattern, written.get(), size, request.start, random);
    port.begin_pass(pass);
    const char* last = context.cancel.requested.load() ? nullptr : vandok::run_ddr_test(run, port);
    if (context.cancel.requested.load()) {
      result = cancelled(context.cancel);
    } else if (port.link_failure() != nullptr) {
      result = ended(kExitLink, "link_error", port.link_failure());
    } else if (last != nullptr && std::string(last) == kMsgDdrSuccess) {  // by text: literals may not be shared
      ++passed;
    } else {
      report = compare_ddr_data(written.get(), read.get(), size, request.start);
      mismatch = report.differing_bytes > 0;
      result = mismatch ? ended(kExitTestFailed, "fail", last)
                        : ended(kExitLink, "link_error", last ? last : kMsgWriteReceiveFailed);
    }
    if (mismatch) details.number("failed_pass", pass);
  }
  const double seconds = bar.seconds();
  bar.clear();
  if (result.exit_code == kExitOk) result.message = kMsgDdrSuccess;
  result.board = board.address();
  details.number("passes_completed", passed);
  if (!mismatch) details.null("failed_pass");
  add_transfer_figures(details, port.done(), seconds);
  if (mismatch) details.raw("mismatch", mismatch_json(report));
  result.details = details;

  if (context.human) {
    if (result.exit_code == kExitOk) std::printf("%s\n", kMsgDdrSuccess);
    std::printf("start %s size %s pattern %s", hex_text(request.start).c_str(), hex_text(size).c_str(),
                ddr_pattern_name(o.pattern));
    if (o.pattern == DdrPattern::Random) std::printf(" seed %llu", static_cast<unsigned long long>(seed));
    std::printf(": %u of %u passes, %s\n", passed, o.repeat, transfer_figures(port.done(), seconds).c_str());
    if (mismatch) {
      std::printf("mismatch in pass %u\n", passed + 1);
      print_mismatch(report);
    }
  }
  return result;
}

RunResult reconfig_command(const RunContext& context) {
  ImageFile image;
  if (!open_image_file(context.options.image_path.c_str(), image)) return bad_input(kMsgCannotOpenImage);
  const std::uint32_t size = static_cast<std::uint32_t>(image.size);
  const std::uint32_t chunks = std::max<std::uint32_t>(1, (size + (CHUNK_SIZE - 1)) / CHUNK_SIZE);
  const std::uint64_t on_wire = std::uint64_t{chunks} * CHUNK_SIZE;
  JsonObject details;
  details.text("file", context.options.image_path).number("image_bytes", size).number("chunks", chunks);

  BoardConnection board(context.cancel);
  RunResult result;
  if (!open_board(context, board, result)) {
    std::fclose(image.file);
    result.details = details;
    return result;
  }
  ProgressBar bar(context.progress, stdout, on_wire);
  ConsoleFlashPort port(bar);
  const FlashRun run{&board.socket(), image.file, image.size, &context.cancel.requested};
  const char* last = vandok::run_flash_transfer(run, port);  // closes the file
  const double seconds = bar.seconds();
  bar.clear();
  if (context.cancel.requested.load())
    result = cancelled(context.cancel);
  else if (std::string(last) != kMsgReconfigComplete)
    result = ended(kExitLink, "link_error", last);
  else
    result.message = kMsgReconfigComplete;
  result.board = board.address();
  // The last chunk is not reported: a run that completed sent every chunk.
  add_transfer_figures(details, result.exit_code == kExitOk ? on_wire : port.done(), seconds);
  result.details = details;
  if (context.human && result.exit_code == kExitOk)
    std::printf("%s\n%u bytes in %u chunks, %s\n", kMsgReconfigComplete, size, chunks,
                transfer_figures(on_wire, seconds).c_str());
  return result;
}

}  // namespace vandok::cli
