#include "app/FieldText.h"

#include <algorithm>
#include <cstring>
#include <string>

void ReadFieldText(const fw::CWnd& edit, char (&Temp)[vandok::kFieldTextBytes]) {
  const std::wstring text = edit.GetText();
  const int limit = static_cast<int>(std::min<size_t>(text.size() + 1, sizeof Temp));
  if (::WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, Temp, limit, nullptr, nullptr) == 0)
    std::strcpy(Temp, "?");
}
