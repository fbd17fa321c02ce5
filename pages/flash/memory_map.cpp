#include "pages/flash/memory_map.h"

namespace vandok {

int FillMemoryMap(MemoryMapList& list) {
  for (int c = 0; c < static_cast<int>(kMemoryMapColumns.size()); ++c) {
    if (list.insert_column(c, kMemoryMapColumns[c].title, kMemoryMapColumns[c].width) == -1) {
      list.show_message(Message::MemoryMapList);
      return 1;
    }
  }
  for (int r = 0; r < static_cast<int>(kMemoryMapRows.size()); ++r) {
    const int item = list.insert_item(r, kMemoryMapRows[r].block);
    if (item == -1) {
      list.show_message(Message::MemoryMapName);
      return 2;
    }
    if (list.set_item_text(item, 1, kMemoryMapRows[r].address) == -1) {
      list.show_message(Message::MemoryMapAddress);
      return 3;
    }
  }
  return 0;
}

}  // namespace vandok
