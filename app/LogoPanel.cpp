#include "app/LogoPanel.h"

#include <clocale>
#include <cstdlib>
#include <cstring>

IPicture* LoadLogoPicture(const char* fileName) {
  std::setlocale(LC_ALL, "ja");
  char modulePath[260] = {};
  if (::GetModuleFileNameA(nullptr, modulePath, sizeof modulePath) == 0) return nullptr;
  char drive[260], dir[260], name[260], ext[260];
  if (::_splitpath_s(modulePath, drive, sizeof drive, dir, sizeof dir, name, sizeof name, ext, sizeof ext) != 0)
    return nullptr;
  // A path that does not fit is a picture that does not load, not a crash.
  char path[260];
  if (std::strlen(drive) + std::strlen(dir) + std::strlen(fileName) >= sizeof path) return nullptr;
  ::strcpy_s(path, sizeof path, drive);
  ::strcat_s(path, sizeof path, dir);
  ::strcat_s(path, sizeof path, fileName);
  wchar_t PathWchar[261];
  size_t converted = 0;
  if (::mbstowcs_s(&converted, PathWchar, 261, path, _TRUNCATE) != 0) return nullptr;
  IPicture* pPic = nullptr;
  const HRESULT result =
      ::OleLoadPicturePath(PathWchar, nullptr, 0, 0, IID_IPicture, reinterpret_cast<void**>(&pPic));
  if (FAILED(result)) return nullptr;
  return pPic;
}

void DrawLogoPicture(IPicture* picture, HDC dc, const vandok::LogoPlace& place) {
  const int dpiX = ::GetDeviceCaps(dc, LOGPIXELSX);
  const int dpiY = ::GetDeviceCaps(dc, LOGPIXELSY);
  if (picture == nullptr) return;
  OLE_XSIZE_HIMETRIC hmWidth = 0;
  OLE_YSIZE_HIMETRIC hmHeight = 0;
  picture->get_Width(&hmWidth);
  picture->get_Height(&hmHeight);
  const vandok::PixelSize size = vandok::logo_draw_size(dpiX, dpiY, hmWidth, hmHeight, place);
  // Source from the bottom edge upwards: HIMETRIC grows upwards, the screen downwards.
  picture->Render(dc, place.x, place.y, size.width, size.height, 0, hmHeight, hmWidth, -hmHeight, nullptr);
}
