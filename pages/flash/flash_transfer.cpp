#include "pages/flash/flash_transfer.h"

#include <algorithm>
#include <cstdint>

#include "link/command.h"
#include "link/sha256.h"

namespace vandok {

bool ImageFile::open(const char* path) {
  close();
  size_ = 0;
  if (path == nullptr || *path == '\0') return false;
  std::unique_ptr<std::FILE, Closer> f(std::fopen(path, "rb"));
  if (!f) return false;
  // 64-bit seek and tell so that a file of 2 GiB or more is seen as such.
#ifdef _WIN32
  const bool seek_ok = _fseeki64(f.get(), 0, SEEK_END) == 0;
  const long long size = seek_ok ? _ftelli64(f.get()) : -1;
#else
  const bool seek_ok = fseeko(f.get(), 0, SEEK_END) == 0;
  const long long size = seek_ok ? static_cast<long long>(ftello(f.get())) : -1;
#endif
  if (size < 0 || size > INT32_MAX || std::fseek(f.get(), 0, SEEK_SET) != 0) return false;
  file_ = std::move(f);
  size_ = static_cast<std::int32_t>(size);
  return true;
}

std::size_t FileImageSource::read(std::uint8_t* into, std::size_t count) {
  return std::fread(into, 1, count, file_);
}

namespace {

// Hashes the image bytes that went out: what one read delivered counts once the
// next read is asked for (it was sent by then) or once the stream completed.
class DigestingSource : public ImageSource {
 public:
  // enabled false: passes the bytes through unhashed (hex() is then "").
  DigestingSource(ImageSource& image, bool enabled) : image_(image), enabled_(enabled) {}
  std::size_t read(std::uint8_t* into, std::size_t count) override {
    sent();
    pending_ = into;
    pending_bytes_ = image_.read(into, count);
    return pending_bytes_;
  }
  void sent() {
    if (enabled_) sha_.update(pending_, pending_bytes_);
    pending_bytes_ = 0;
  }
  std::string hex() { return enabled_ ? sha_.finish_hex() : std::string(); }

 private:
  ImageSource& image_;
  bool enabled_;
  Sha256 sha_;
  const std::uint8_t* pending_ = nullptr;
  std::size_t pending_bytes_ = 0;
};

}  // namespace

std::uint8_t* flash_chunk_buffer() {
  static std::uint8_t buffer[CHUNK_SIZE];
  return buffer;
}

FlashOutcome run_flash_transfer(const FlashRun& run, TransferPort& port) {
  FlashOutcome outcome;
  if (run.image && run.image->is_open()) {
    const CommandHeader header{CMD_FLASH_IMAGE, static_cast<std::uint32_t>(run.image->size()), 0,
                               FLASH_IMAGE_ADDRESS};
    if (!send_header(*run.socket, header, run.idle_ms)) {
      outcome.message = Message::SendHeaderFailed;
      outcome.failed_step = TransferStep::ImageHeader;
    } else {
      FileImageSource file(run.image->get());
      DigestingSource source(file, run.digest);
      const ProgressFn progress = [&](std::uint32_t position) {
        outcome.bytes_sent = position == 0 ? 0 : std::uint64_t{position} + 1;
        port.report_progress(position);
      };
      ImageSend sent = send_padded_chunks(*run.socket, source, static_cast<std::uint32_t>(run.image->size()),
                                          flash_chunk_buffer(), progress, run.idle_ms);
      // Success only once the board has taken every byte: a board that stops
      // reading leaves the end of the image in our send buffer.
      if (sent == ImageSend::Sent) {
        const net::Drain drained = net::wait_sent(*run.socket, run.idle_ms);
        outcome.confirmed = drained == net::Drain::Done;
        if (net::not_taken(drained)) sent = ImageSend::SendFailed;
      }
      if (sent == ImageSend::Sent) {
        source.sent();
      } else {
        const bool unread = sent == ImageSend::ReadFailed;
        outcome.message = unread ? Message::ReadImageFailed : Message::TcpFailed;
        outcome.failed_step = unread ? TransferStep::ImageRead : TransferStep::ImageData;
        // The board must see a cut transfer, never a complete one, and the
        // connection is out of step either way.
        net::shutdown_both(*run.socket);
      }
      outcome.sha256 = source.hex();
    }
    run.image->close();
  }
  if (outcome.failed_step != TransferStep::None) {
    outcome.result =
        outcome.failed_step == TransferStep::ImageRead ? FlashResult::FileReadFailed : FlashResult::LinkFailed;
    if (end_with_failure(port, outcome.message, run.cancel)) {
      outcome.result = FlashResult::Cancelled;
      outcome.message = Message::None;
    }
    return outcome;
  }
  // The last chunk is not reported: a run that completed sent every chunk.
  if (run.image) {
    const std::uint64_t size = static_cast<std::uint32_t>(run.image->size());
    outcome.bytes_sent = std::max<std::uint64_t>(1, (size + CHUNK_SIZE - 1) / CHUNK_SIZE) * CHUNK_SIZE;
  }
  port.stop_timer();
  port.show_message(Message::ReconfigComplete);
  outcome.message = Message::ReconfigComplete;
  return outcome;
}

}  // namespace vandok
