#include "pages/common/FieldText.h"

#include <algorithm>
#include <cstring>

#include "link/ansi_text.h"

void ReadFieldText(const fw::CWnd& edit, char (&Temp)[vandok::kFieldTextBytes]) {
  const std::wstring text = edit.GetText();
  const int limit = static_cast<int>(std::min<size_t>(text.size() + 1, sizeof Temp));
  if (!vandok::to_thread_ansi(text, Temp, limit)) std::strcpy(Temp, "?");
}
