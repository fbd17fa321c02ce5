#include "pages/flash/flash_transfer.h"

#include <cstdint>

#include "link/command.h"

namespace vandok {

bool open_image_file(const char* path, ImageFile& image) {
  image = ImageFile{};
  if (path == nullptr || *path == '\0') return false;
  std::FILE* f = std::fopen(path, "rb");
  if (!f) return false;
  // 64-bit seek and tell so that a file of 2 GiB or more is seen as such.
#ifdef _WIN32
  const bool seek_ok = _fseeki64(f, 0, SEEK_END) == 0;
  const long long size = seek_ok ? _ftelli64(f) : -1;
#else
  const bool seek_ok = fseeko(f, 0, SEEK_END) == 0;
  const long long size = seek_ok ? static_cast<long long>(ftello(f)) : -1;
#endif
  if (size < 0 || size > INT32_MAX || std::fseek(f, 0, SEEK_SET) != 0) {
    std::fclose(f);
    return false;
  }
  image.file = f;
  image.size = static_cast<std::int32_t>(size);
  return true;
}

std::size_t FileImageSource::read(std::uint8_t* into, std::size_t count) {
  return std::fread(into, 1, count, file_);
}

std::uint8_t* flash_chunk_buffer() {
  static std::uint8_t buffer[CHUNK_SIZE];
  return buffer;
}

const char* run_flash_transfer(const FlashRun& run, FlashTransferPort& port) {
  const char* failure = nullptr;
  if (run.image) {
    const CommandHeader header{CMD_FLASH_IMAGE, static_cast<std::uint32_t>(run.image_size), 0,
                               FLASH_IMAGE_ADDRESS};
    if (!send_header(*run.socket, header)) {
      failure = kMsgSendHeaderFailed;
    } else {
      FileImageSource source(run.image);
      const ProgressFn progress = [&port](std::uint32_t position) { port.report_progress(position); };
      if (!send_padded_chunks(*run.socket, source, static_cast<std::uint32_t>(run.image_size),
                              flash_chunk_buffer(), progress))
        failure = kMsgTcpFailed;
    }
    std::fclose(run.image);
  }
  if (failure) {
    const bool closing = run.cancel && run.cancel->load();
    if (!closing) port.show_message(failure);
    port.stop_timer();
    return failure;
  }
  port.stop_timer();
  port.show_message(kMsgReconfigComplete);
  return kMsgReconfigComplete;
}

}  // namespace vandok
