#include "cli/commands.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <new>

#include "cli/board.h"
#include "cli/fields.h"
#include "cli/progress.h"
#include "link/bulk_transfer.h"
#include "link/command.h"
#include "link/discovery.h"
#include "pages/common/message_text.h"
#include "pages/common/run_history.h"
#include "pages/ddr/ddr_patterns.h"
#include "pages/ddr/ddr_test.h"
#include "pages/flash/flash_transfer.h"
#include "pages/register/register_write.h"

namespace vandok::cli {

namespace {

RunResult cancelled(const CancelState& cancel) { return cli::cancelled(cancel.signal.load()); }

// Connects as the options say; on failure fills result with the reason.
bool open_board(const RunContext& context, BoardConnection& board, RunResult& result) {
  const BoardOutcome outcome = board.open(context.options.board, context.options.port, context.options.verbosity);
  if (outcome.kind == BoardOutcome::Connected) return true;
  result = outcome.kind == BoardOutcome::Cancelled ? cancelled(context.cancel)
                                                   : ended(RunKind::LinkError, outcome.message);
  result.hint = outcome.hint;
  return false;
}

void add_transfer_figures(JsonObject& json, std::uint64_t bytes, double seconds) {
  json.number("bytes_transferred", bytes).real("elapsed_seconds", seconds);
  json.number("bytes_per_second", seconds > 0 ? static_cast<std::uint64_t>(static_cast<double>(bytes) / seconds) : 0);
}

// The DDR page's port, on the console: progress to the bar; the run's outcome
// says what happened.
class ConsoleDdrPort : public TransferPort {
 public:
  ConsoleDdrPort(ProgressBar& bar, std::uint32_t size, std::uint32_t repeat)
      : bar_(bar), size_(size), repeat_(repeat) {}

  void begin_pass(std::uint32_t pass) {
    pass_ = pass;
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
  void show_message(Message) override {}

  std::uint64_t done() const { return done_; }

 private:
  ProgressBar& bar_;
  std::uint32_t size_;
  std::uint32_t repeat_;
  std::uint32_t pass_ = 1;
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

class ConsoleFlashPort : public TransferPort {
 public:
  explicit ConsoleFlashPort(ProgressBar& bar) : bar_(bar) {}
  // Positions are the last byte sent; 0 is reported before the first chunk.
  void report_progress(std::uint32_t position) override {
    done_ = position == 0 ? 0 : std::uint64_t{position} + 1;
    bar_.update("reconfig", done_);
  }
  void stop_timer() override {}
  void show_message(Message) override {}
  std::uint64_t done() const { return done_; }

 private:
  ProgressBar& bar_;
  std::uint64_t done_ = 0;
};

}  // namespace

RunResult discover_command(const RunContext& context) {
  BoardConnection board(context.cancel);
  RunResult result;
  if (!open_board(context, board, result)) return result;
  result.board = board.address();
  result.message = Message::FoundDevice;
  if (context.human) std::printf("%s\n", board.address().c_str());
  return result;
}

RunResult regwrite_command(const RunContext& context) {
  const Options& o = context.options;
  CommandHeader header;
  const RunResult refused = check_register_fields(o.register_address, o.register_value, header);
  if (refused.kind != RunKind::Pass) return refused;
  RunResult result;
  result.details.text("address", hex_text(header.address)).text("value", hex_text(header.value));
  result.history = register_fields(header.address, header.value);
  BoardConnection board(context.cancel);
  if (!open_board(context, board, result)) return result;
  result.board = board.address();
  Message failed = send_register_write(board.socket(), header, o.idle_ms);
  // A write passes once the board has taken it: a board that reset the
  // connection threw the header away.
  net::Drain drained = net::Drain::Unknown;
  if (failed == Message::None) {
    drained = net::wait_sent(board.socket(), o.idle_ms);
    if (net::not_taken(drained)) failed = Message::SendRegisterFailed;
  }
  result.details.boolean("confirmed", drained == net::Drain::Done);
  if (failed != Message::None) {
    RunResult failure = context.cancel.requested.load() ? cancelled(context.cancel) : ended(RunKind::LinkError, failed);
    failure.board = result.board;
    failure.details = result.details;
    failure.history = result.history;
    return failure;
  }
  if (context.human)
    std::printf("register %s <- %s\n", hex_text(header.address).c_str(), hex_text(header.value).c_str());
  return result;
}

RunResult ddr_test_command(const RunContext& context) {
  const Options& o = context.options;
  DdrRequest request;
  const RunResult refused = check_ddr_options(o.start, o.size, request);
  if (refused.kind != RunKind::Pass) return refused;
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
  JsonObject history =
      ddr_fields(request.start, size, ddr_pattern_name(o.pattern), o.pattern == DdrPattern::Random ? &seed : nullptr,
                 o.repeat);

  std::unique_ptr<std::uint8_t[]> written(new (std::nothrow) std::uint8_t[size]);
  if (!written) return bad_input(Message::WriteMallocFailed);
  std::unique_ptr<std::uint8_t[]> read(new (std::nothrow) std::uint8_t[size]);
  if (!read) return bad_input(Message::ReadMallocFailed);

  BoardConnection board(context.cancel);
  RunResult result;
  if (!open_board(context, board, result)) {
    result.details = details;
    add_mismatch_summary(history, nullptr);
    result.history = history;
    return result;
  }

  ProgressBar bar(context.progress, stderr, std::uint64_t{2} * size * o.repeat);
  ConsoleDdrPort port(bar, size, o.repeat);
  RandomWords random(seed);
  const DdrRun run{&board.socket(), request, written.get(), read.get(), &context.cancel.requested, o.idle_ms};
  std::uint64_t unexpected = 0;
  std::uint32_t passed = 0;
  bool mismatch = false;
  DdrMismatchReport report;
  // A 64-bit count, so that --repeat 4294967295 ends.
  for (std::uint64_t pass = 1; pass <= o.repeat && result.kind == RunKind::Pass; ++pass) {
    if (pass == 1 || o.pattern == DdrPattern::Random)
      fill_ddr_pattern(o.pattern, written.get(), size, request.start, random);
    port.begin_pass(static_cast<std::uint32_t>(pass));
    if (context.cancel.requested.load()) {
      result = cancelled(context.cancel);
      break;
    }
    const DdrOutcome outcome = vandok::run_ddr_test(run, port);
    unexpected += outcome.unexpected_bytes;
    const RunKind kind = context.cancel.requested.load() ? RunKind::Cancelled : vandok::strict_kind_of(outcome);
    if (kind == RunKind::LinkError && outcome.unexpected_bytes > 0) {
      result = ended(kind, Message::WriteReceiveFailed);  // the read's own words
    } else if (kind == RunKind::Pass) {
      ++passed;
    } else if (kind == RunKind::Cancelled) {
      result = cancelled(context.cancel);
    } else {
      result = ended(kind, outcome.message);
      mismatch = outcome.result == DdrResult::Mismatch;
      report = outcome.mismatch;
    }
    if (mismatch) details.number("failed_pass", pass);
  }
  const double seconds = bar.seconds();
  bar.clear();
  if (result.kind == RunKind::Pass) result.message = Message::DdrSuccess;
  result.board = board.address();
  details.number("passes_completed", passed);
  details.number("unexpected_bytes", unexpected);
  if (!mismatch) details.null("failed_pass");
  add_transfer_figures(details, port.done(), seconds);
  if (mismatch) details.raw("mismatch", mismatch_json(report));
  result.details = details;
  add_mismatch_summary(history, mismatch ? &report : nullptr);
  result.history = history;
  result.seconds = seconds;
  result.bytes = port.done();

  if (context.human) {
    if (result.kind == RunKind::Pass) std::printf("%s\n", message_text(Message::DdrSuccess));
    std::printf("start %s size %s pattern %s", hex_text(request.start).c_str(), hex_text(size).c_str(),
                ddr_pattern_name(o.pattern));
    if (o.pattern == DdrPattern::Random) std::printf(" seed %llu", static_cast<unsigned long long>(seed));
    std::printf(": %u of %u passes, transferred %s, written and read back\n", passed, o.repeat,
                transfer_figures(port.done(), seconds).c_str());
    if (mismatch) {
      std::printf("mismatch in pass %u\n", passed + 1);
      print_mismatch(report);
    }
  }
  return result;
}

RunResult reconfig_command(const RunContext& context) {
  ImageFile image;
  if (!image.open(context.options.image_path.c_str())) {
    RunResult refused = bad_input(Message::CannotOpenImage);
    refused.history = image_fields(context.options.image_path, 0, "");
    return refused;
  }
  const std::uint32_t size = static_cast<std::uint32_t>(image.size());
  const std::uint32_t chunks = std::max<std::uint32_t>(1, (size + (CHUNK_SIZE - 1)) / CHUNK_SIZE);
  const std::uint64_t on_wire = std::uint64_t{chunks} * CHUNK_SIZE;
  JsonObject details;
  details.text("file", context.options.image_path).number("image_bytes", size).number("chunks", chunks);

  BoardConnection board(context.cancel);
  RunResult result;
  if (!open_board(context, board, result)) {
    result.details = details;
    result.history = image_fields(context.options.image_path, size, "");
    return result;
  }
  ProgressBar bar(context.progress, stderr, on_wire);
  ConsoleFlashPort port(bar);
  // The digest is for the history alone.
  const FlashRun run{&board.socket(), &image, &context.cancel.requested, context.options.idle_ms,
                     !history_path().empty()};
  const FlashOutcome outcome = vandok::run_flash_transfer(run, port);  // closes the file
  const double seconds = bar.seconds();
  bar.clear();
  result = context.cancel.requested.load() ? cancelled(context.cancel) : ended(kind_of(outcome), outcome.message);
  result.board = board.address();
  add_transfer_figures(details, outcome.bytes_sent, seconds);
  details.boolean("confirmed", outcome.confirmed);
  result.details = details;
  result.history = image_fields(context.options.image_path, size, outcome.sha256);
  result.seconds = seconds;
  result.bytes = outcome.bytes_sent;
  if (context.human && result.kind == RunKind::Pass)
    std::printf("%s\n%u bytes in %u chunks, sent %s\n", message_text(Message::ReconfigComplete), size, chunks,
                transfer_figures(on_wire, seconds).c_str());
  return result;
}

}  // namespace vandok::cli
