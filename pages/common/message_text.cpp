#include "pages/common/message_text.h"

namespace vandok {

const char* message_text(Message message) {
  switch (message) {
    case Message::None: return "";
    case Message::FoundDevice: return "SUCCES : Found device!";
    case Message::NoBoard: return "ERROR : Can not find Broad!";
    case Message::SocketFailed: return "ERROR : socket failed!";
    case Message::DiscoveryNotStarted: return "ERROR : Can not start discovery!";
    case Message::StatusCheckCable: return "Check cable and put discovery";
    case Message::StatusPutDiscovery: return "You should put discovery";
    case Message::SendHeaderFailed: return "ERROR : Send header failed!";
    case Message::TcpFailed: return "ERROR : TCP failed more than 64KB!";
    case Message::WorkerNotStarted: return "ERROR : Can not start transfer thread!";
    case Message::DdrAddress: return "ERROR : DDR Address!";
    case Message::DdrAddressOver: return "ERROR : DDR Address Over!";
    case Message::DdrSize: return "ERROR : DDR Size!";
    case Message::UserSizeZero: return "ERROR : User size 0!";
    case Message::DdrSizeOver: return "ERROR : DDR Size Over!";
    case Message::WriteMallocFailed: return "ERROR : Write buffer malloc failed!";
    case Message::ReadMallocFailed: return "ERROR : Read buffer malloc failed!";
    case Message::WriteReceiveFailed: return "ERROR : write receive failed!";
    case Message::CompareFailed: return "ERROR : write read data compare failed!";
    case Message::CannotCompare: return "ERROR : Can not compare result!";
    case Message::DdrSuccess: return "DDR Read Write Success!!";
    case Message::CannotOpenImage: return "ERROR : Can not open rpt file!";
    case Message::ReadImageFailed: return "ERROR : Read rpt file failed!";
    case Message::ReconfigComplete: return "Reconfig Complete!!";
    case Message::RegisterAddress: return "ERROR : Address!";
    case Message::RegisterValue: return "ERROR : Value!";
    case Message::SendRegisterFailed: return "ERROR : Send Register failed!";
    case Message::MemoryMapList: return "ERROR : memory map list!";
    case Message::MemoryMapName: return "ERROR : memory map name!";
    case Message::MemoryMapAddress: return "ERROR : memory map address!";
  }
  return "";
}

}  // namespace vandok
