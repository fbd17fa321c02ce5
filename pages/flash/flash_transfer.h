// Streaming a flash programming image to the board.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "link/bulk_transfer.h"
#include "link/message.h"
#include "link/net.h"
#include "pages/common/transfer_port.h"

namespace vandok {

inline constexpr const char* kRpdFilter = "rpd Files (*.rpd)|*.rpd||";

// An open image file and its measured size; closes the file when it goes.
class ImageFile {
 public:
  ImageFile() = default;
  std::FILE* get() const { return file_.get(); }
  std::int32_t size() const { return size_; }
  bool is_open() const { return file_ != nullptr; }
  void close() { file_.reset(); }

  // Opens a narrow path for reading and measures it. Refuses (returns false,
  // nothing left open) a file that cannot be opened, whose size cannot be
  // measured, or of 2 GiB or more.
  bool open(const char* path);

 private:
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> file_;
  std::int32_t size_ = 0;
};

// Reads an open image from its current position.
class FileImageSource : public ImageSource {
 public:
  explicit FileImageSource(std::FILE* file) : file_(file) {}
  std::size_t read(std::uint8_t* into, std::size_t count) override;

 private:
  std::FILE* file_;
};

// The one chunk buffer of the flash stream; lives as long as the program.
std::uint8_t* flash_chunk_buffer();

struct FlashRun {
  const net::Socket* socket = nullptr;  // the page's socket reference
  ImageFile* image = nullptr;           // closed by the run
  const std::atomic<bool>* cancel = nullptr;
  int idle_ms = kIdleLimitMs;  // a chunk the board takes nothing of this long fails
  bool digest = true;          // SHA-256 of the bytes sent, for the run history
};

enum class FlashResult { Pass, LinkFailed, FileReadFailed, Cancelled };

struct FlashOutcome {
  FlashResult result = FlashResult::Pass;
  Message message = Message::None;  // the run's last word
  TransferStep failed_step = TransferStep::None;
  std::uint64_t bytes_sent = 0;  // image bytes on the wire, padding included
  // The board took every byte before success was reported; false where the
  // platform cannot tell (success is then reported on the last chunk handed over).
  bool confirmed = false;
  std::string sha256;  // hex SHA-256 of the image bytes sent, without the 0xFF padding
};

// Header, then the image in padded chunks. Success alone ends with
// "Reconfig Complete!!"; a failure ends with its own box.
FlashOutcome run_flash_transfer(const FlashRun& run, TransferPort& port);

}  // namespace vandok
