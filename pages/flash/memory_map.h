// The board's memory map list and its fill.
#pragma once

#include <array>

#include "link/message.h"

namespace vandok {

struct MemoryMapColumn {
  const wchar_t* title;
  int width;
};

struct MemoryMapRow {
  const wchar_t* block;
  const wchar_t* address;
};

inline constexpr std::array<MemoryMapColumn, 2> kMemoryMapColumns{{
    {L"Block descreiption", 120},
    {L"Address", 160},
}};

inline constexpr std::array<MemoryMapRow, 6> kMemoryMapRows{{
    {L"ddr3_bot_x64", L"0x20000000 - 0x3FFFFFFF"},
    {L"ddr3_top_x32", L"0x10000000 - 0x1FFFFFFF"},
    {L"epcs_flash_controller", L"0x00083000 - 0x000837FF"},
    {L"descriptor_memory", L"0x00080000 - 0x00081FFF"},
    {L"program_mem", L"0x00000020 - 0x0007FFFF"},
    {L"reset", L"0x00000000 - 0x0000001F"},
}};

// The list view as the fill sees it; each call returns -1 on failure.
class MemoryMapList {
 public:
  virtual ~MemoryMapList() = default;
  virtual int insert_column(int index, const wchar_t* title, int width) = 0;
  virtual int insert_item(int index, const wchar_t* text) = 0;
  virtual int set_item_text(int item, int sub_item, const wchar_t* text) = 0;  // 0 or -1
  virtual void show_message(Message message) = 0;
};

// 0 all added; 1 a column failed; 2 a row's name failed; 3 a row's address failed.
int FillMemoryMap(MemoryMapList& list);

}  // namespace vandok
