// The memory-map fill's view of the "EPSQ Reconfig" page's list view; its
// messages are owned by the window the page is asked to fill it for.
#pragma once

#include "framework/controls.h"
#include "framework/message_box.h"
#include "pages/common/message_text.h"
#include "pages/flash/memory_map.h"

class MemoryMapListView : public vandok::MemoryMapList {
 public:
  MemoryMapListView(const fw::CListCtrl& list, HWND owner) : m_list(list), m_owner(owner) {}
  int insert_column(int index, const wchar_t* title, int width) override {
    return m_list.InsertColumn(index, title, width, index);
  }
  int insert_item(int index, const wchar_t* text) override { return m_list.InsertItem(index, text); }
  int set_item_text(int item, int sub_item, const wchar_t* text) override {
    return m_list.SetItemText(item, sub_item, text);
  }
  void show_message(vandok::Message message) override { fw::ShowMessage(m_owner, vandok::message_text(message)); }

 private:
  const fw::CListCtrl& m_list;
  HWND m_owner;
};
