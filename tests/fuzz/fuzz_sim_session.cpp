// Feeds arbitrary host bytes to a board session. Output is capped so that a
// fuzzed DDR read of the whole window ends quickly, like a host that stops
// reading; the faults are chosen by the first input byte.
#include <cstddef>
#include <cstdint>

#include "sim/board_session.h"
#include "sim/memory_stream.h"
#include "sim/shaped_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vandok::sim;
  if (size == 0) return 0;
  const std::uint8_t mode = data[0];
  SessionFaults faults;
  faults.corrupt_read = mode & 1;
  faults.close_mid_read = mode & 2;
  faults.extra_read_bytes = (mode & 4) ? 3 : 0;
  StreamShape shape;
  if (mode & 8) shape.stall_after = mode >> 4 << 6;

  MemoryStream memory(data + 1, size - 1, 1 << 20);
  ShapedStream stream(memory, shape);
  BoardState state;
  CommandLog log(nullptr);
  BoardSession session(stream, state, log, {faults, "", true});
  session.run();
  return 0;
}
