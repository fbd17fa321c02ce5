// Everything the system tells the user, as data. The core reports these; the
// front ends turn them into the system's own words through one table
// (pages/common/message_text.h), and nothing decides by comparing words.
#pragma once

#include <cstdint>

namespace vandok {

enum class Message : std::uint8_t {
  None,
  // discovery and the main window
  FoundDevice,
  NoBoard,
  SocketFailed,
  DiscoveryNotStarted,
  StatusCheckCable,
  StatusPutDiscovery,
  // any transfer
  SendHeaderFailed,
  TcpFailed,
  WorkerNotStarted,
  // DDR test
  DdrAddress,
  DdrAddressOver,
  DdrSize,
  UserSizeZero,
  DdrSizeOver,
  WriteMallocFailed,
  ReadMallocFailed,
  WriteReceiveFailed,
  CompareFailed,
  CannotCompare,
  DdrSuccess,
  // flash image
  CannotOpenImage,
  ReadImageFailed,
  ReconfigComplete,
  // register write
  RegisterAddress,
  RegisterValue,
  SendRegisterFailed,
  // memory-map list
  MemoryMapList,
  MemoryMapName,
  MemoryMapAddress,
};

// The step of a command at which it stopped; None when it did not stop early.
enum class TransferStep : std::uint8_t {
  None,
  WriteHeader,  // DDR write header
  WriteData,
  ReadHeader,  // DDR read header
  ReadData,
  Compare,
  ImageHeader,
  ImageRead,  // the image file came up short or failed
  ImageData,
  RegisterHeader,
};

}  // namespace vandok
