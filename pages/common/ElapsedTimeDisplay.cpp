#include "pages/common/ElapsedTimeDisplay.h"

#include <string>

#include "pages/common/elapsed_time.h"

namespace {

std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

void ShowElapsedTick(__time64_t startTime, const fw::CProgressCtrl& progress, const fw::CStatic& elapsedText,
                     const fw::CStatic& totalText) {
  const __time64_t LoadingTime = ::_time64(nullptr) - startTime;
  int nLower = 0;
  int nUpper = 0;
  progress.GetRange(nLower, nUpper);
  const vandok::ElapsedTexts texts = vandok::elapsed_tick(LoadingTime, nUpper, progress.GetPos());
  elapsedText.SetText(Widen(texts.loading).c_str());
  if (texts.has_complete) totalText.SetText(Widen(texts.complete).c_str());
}
