// vandok-board-sim: stands in for the Vandok FPGA board on its TCP port so the
// host tool can be exercised without hardware.
#include <signal.h>

#include <cstdio>
#include <string>

#include "sim/board_server.h"
#include "sim/command_log.h"
#include "sim/options.h"
#include "sim/stop_signal.h"

namespace {

vandok::sim::StopSignal* g_stop = nullptr;

extern "C" void on_stop_signal(int) {
  if (g_stop) g_stop->request();
}

// Written under a temporary name and renamed, so a reader never sees half a number.
bool write_port_file(const std::string& path, unsigned port) {
  const std::string tmp = path + ".tmp";
  std::FILE* f = std::fopen(tmp.c_str(), "w");
  if (!f) return false;
  const bool written = std::fprintf(f, "%u\n", port) > 0;
  const bool closed = std::fclose(f) == 0;
  return written && closed && std::rename(tmp.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace vandok::sim;
  Options options;
  std::string error;
  switch (parse_options(argc, argv, options, error)) {
    case ParseResult::Help:
      std::fputs(usage_text(argv[0]).c_str(), stdout);
      return 0;
    case ParseResult::Version:
      std::fputs(version_text().c_str(), stdout);
      return 0;
    case ParseResult::Error:
      std::fprintf(stderr, "%s\n%s", error.c_str(), usage_text(argv[0]).c_str());
      return 2;
    case ParseResult::Run:
      break;
  }

  StopSignal stop;
  if (!stop.valid()) {
    std::fprintf(stderr, "cannot create the stop pipe\n");
    return 1;
  }
  g_stop = &stop;
  struct sigaction action {};
  action.sa_handler = on_stop_signal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);

  CommandLog log(stdout);
  if (!options.json_log.empty() && !log.open_json(options.json_log)) {
    std::fprintf(stderr, "cannot create %s\n", options.json_log.c_str());
    return 1;
  }
  BoardServer server(options, log, stop);
  if (!server.listen(error)) {
    std::fprintf(stderr, "cannot listen on %s\n", error.c_str());
    return 1;
  }
  if (!options.port_file.empty() && !write_port_file(options.port_file, server.port())) {
    std::fprintf(stderr, "cannot write %s\n", options.port_file.c_str());
    return 1;
  }
  std::printf("listening on %s:%u\n", options.listen_address.c_str(), static_cast<unsigned>(server.port()));
  std::fflush(stdout);
  server.serve();
  g_stop = nullptr;
  return 0;
}
