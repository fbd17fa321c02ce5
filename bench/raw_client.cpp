// The yardstick for vandok-bench on loopback: the same protocol bytes against the
// same board (16-byte headers, 64 KiB chunks, the DDR pattern written, read back
// into a fresh buffer and compared with memcmp; the flash image read through one
// chunk buffer and padded with 0xFF), done with nothing but blocking send and recv
// loops. What vandok-bench loses against it is the tool's own cost.
//   vandok-bench-raw ddr   HOST PORT SIZE_BYTES
//   vandok-bench-raw flash HOST PORT IMAGE_FILE
// Prints the same lines as vandok-bench: "KIND bytes=N seconds=S mbit_per_s=R result=MSG".
// Shares no code with the tool, so that it cannot share its faults.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

constexpr std::size_t kChunk = 65536;
constexpr std::uint32_t kFlashImage = 1, kDdrRead = 2, kDdrWrite = 3;
constexpr std::uint32_t kFlashAddress = 0x00600000, kDdrStart = 0x20000000;

bool send_all(int fd, const std::uint8_t* p, std::size_t n) {
  while (n > 0) {
    const ssize_t k = ::send(fd, p, n, 0);
    if (k <= 0) return false;
    p += k;
    n -= static_cast<std::size_t>(k);
  }
  return true;
}

bool recv_all(int fd, std::uint8_t* p, std::size_t n) {
  while (n > 0) {
    const ssize_t k = ::recv(fd, p, n, 0);
    if (k <= 0) return false;
    p += k;
    n -= static_cast<std::size_t>(k);
  }
  return true;
}

// command, length, value (0), address: four little-endian words.
bool send_header(int fd, std::uint32_t command, std::uint32_t length, std::uint32_t address) {
  const std::uint32_t words[4] = {command, length, 0, address};
  std::uint8_t bytes[16];
  for (int i = 0; i < 16; ++i) bytes[i] = static_cast<std::uint8_t>(words[i / 4] >> (8 * (i % 4)));
  return send_all(fd, bytes, sizeof bytes);
}

int connect_to(const char* host, const char* port) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(std::atoi(port)));
  if (::inet_pton(AF_INET, host, &addr.sin_addr) != 1) return -1;
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    return -1;
  }
  // As the tool's socket: headers go out at once.
  const int one = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  return fd;
}

// Write, read back, compare: the chunking of the tool and of the board.
bool ddr_round(int fd, const std::uint8_t* write, std::uint8_t* read, std::uint32_t size) {
  if (!send_header(fd, kDdrWrite, size, kDdrStart)) return false;
  for (std::size_t done = 0; done < size; done += kChunk)
    if (!send_all(fd, write + done, std::min<std::size_t>(kChunk, size - done))) return false;
  if (!send_header(fd, kDdrRead, size, kDdrStart)) return false;
  for (std::size_t done = 0; done < size; done += kChunk)
    if (!recv_all(fd, read + done, std::min<std::size_t>(kChunk, size - done))) return false;
  return std::memcmp(write, read, size) == 0;
}

bool flash(int fd, std::FILE* image, std::uint32_t size) {
  if (!send_header(fd, kFlashImage, size, kFlashAddress)) return false;
  std::uint8_t chunk[kChunk];
  std::size_t left = size;
  do {
    const std::size_t got = std::fread(chunk, 1, std::min(left, kChunk), image);
    std::memset(chunk + got, 0xFF, kChunk - got);
    if (!send_all(fd, chunk, kChunk)) return false;
    left -= std::min(left, kChunk);
  } while (left > 0);
  return true;
}

void print(const char* kind, double bytes, double seconds, bool ok) {
  std::printf("%s bytes=%.0f seconds=%.3f mbit_per_s=%.1f result=%s\n", kind, bytes, seconds,
              bytes * 8 / seconds / 1e6, ok ? "ok" : "failed");
}

double since(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s ddr|flash HOST PORT SIZE|IMAGE\n", argv[0]);
    return 2;
  }
  const int fd = connect_to(argv[2], argv[3]);
  if (fd < 0) {
    std::fprintf(stderr, "no board at %s:%s\n", argv[2], argv[3]);
    return 2;
  }
  bool ok = true;
  if (std::strcmp(argv[1], "ddr") == 0) {
    const auto size = static_cast<std::uint32_t>(std::strtoul(argv[4], nullptr, 0));
    // As vandok-bench: the pattern written before the clock starts, the read
    // buffer fresh in the first round and resident in the second.
    std::unique_ptr<std::uint8_t[]> write(new std::uint8_t[size]);
    std::unique_ptr<std::uint8_t[]> read(new std::uint8_t[size]);
    for (std::uint32_t k = 0; k < size / 4; ++k)
      for (int b = 0; b < 4; ++b) write[std::size_t{k} * 4 + b] = static_cast<std::uint8_t>(k >> (8 * b));
    std::memset(write.get() + size / 4 * 4, 0xFF, size % 4);
    for (const char* kind : {"ddr", "ddr_resident"}) {
      const auto t0 = std::chrono::steady_clock::now();
      ok = ddr_round(fd, write.get(), read.get(), size) && ok;
      print(kind, 2.0 * size, since(t0), ok);
    }
  } else {
    std::FILE* image = std::fopen(argv[4], "rb");
    if (!image || std::fseek(image, 0, SEEK_END) != 0) {
      std::fprintf(stderr, "cannot open %s\n", argv[4]);
      return 2;
    }
    const auto size = static_cast<std::uint32_t>(std::ftell(image));
    std::rewind(image);
    const auto t0 = std::chrono::steady_clock::now();
    ok = flash(fd, image, size);
    std::fclose(image);
    print("flash", size, since(t0), ok);
  }
  ::close(fd);
  return ok ? 0 : 1;
}
