// Streaming a flash programming image to the board.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>

#include "link/bulk_transfer.h"
#include "link/net.h"

namespace vandok {

inline constexpr const char* kMsgCannotOpenImage = "ERROR : Can not open rpt file!";
inline constexpr const char* kMsgReconfigComplete = "Reconfig Complete!!";
inline constexpr const char* kMsgWorkerNotStarted = "ERROR : Can not start transfer thread!";
inline constexpr const char* kRpdFilter = "rpd Files (*.rpd)|*.rpd||";

// An open image file and its measured size.
struct ImageFile {
  std::FILE* file = nullptr;
  std::int32_t size = 0;
};

// Opens a narrow path for reading and measures it. Refuses (returns false,
// nothing left open) a file that cannot be opened, whose size cannot be
// measured, or of 2 GiB or more.
bool open_image_file(const char* path, ImageFile& image);

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

class FlashTransferPort {
 public:
  virtual ~FlashTransferPort() = default;
  virtual void report_progress(std::uint32_t position) = 0;
  virtual void stop_timer() = 0;
  virtual void show_message(const char* text) = 0;
};

struct FlashRun {
  const net::Socket* socket = nullptr;  // the page's socket reference
  std::FILE* image = nullptr;           // closed by the run
  std::int32_t image_size = 0;
  const std::atomic<bool>* cancel = nullptr;
};

// Header, then the image in padded chunks. Success alone ends with
// "Reconfig Complete!!"; a failure ends with its own box. Returns the final message.
const char* run_flash_transfer(const FlashRun& run, FlashTransferPort& port);

}  // namespace vandok
