#include "ui/gfx/Text.h"

#include <climits>

namespace gfx {

std::wstring widen_text(std::string_view text, UINT codePage) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int length = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(needed), L'\0');
  const int written = MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), needed);
  wide.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return wide;
}

std::string narrow_text(std::wstring_view text, UINT codePage) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int length = static_cast<int>(text.size());
  const int needed = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string narrow(static_cast<std::size_t>(needed), '\0');
  const int written = WideCharToMultiByte(codePage, 0, text.data(), length, narrow.data(), needed, nullptr, nullptr);
  narrow.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
  return narrow;
}

bool measure_text(GpGraphics* graphics, const std::wstring& text, GpFont* font, const RectF& layout,
                  GpStringFormat* format, RectF* bounds) {
  if (!graphics || !font || !bounds) return false;
  return gdip::GdipMeasureString(graphics, text.c_str(), -1, font, &layout, format, bounds, nullptr, nullptr) ==
         Gdiplus::Ok;
}

}  // namespace gfx
