#include "resources/Resources.h"

#include <cstddef>

// The arrays come from the build step that embeds the files of this folder.
namespace resources::embedded {
#define QUARVEL_EMBEDDED(symbol)                 \
  extern const unsigned char symbol[];           \
  extern const std::size_t symbol##Size;
QUARVEL_EMBEDDED(kWindowIcon)
QUARVEL_EMBEDDED(kWindowBackground)
QUARVEL_EMBEDDED(kSearchFrame)
QUARVEL_EMBEDDED(kSearchButtonNormal)
QUARVEL_EMBEDDED(kSearchButtonHover)
QUARVEL_EMBEDDED(kBusyIndicator)
QUARVEL_EMBEDDED(kMessageBoxBands)
QUARVEL_EMBEDDED(kMessageBoxIcons)
QUARVEL_EMBEDDED(kControlStrip)
QUARVEL_EMBEDDED(kCheckBoxStrip)
QUARVEL_EMBEDDED(kGlowButtonSkin)
QUARVEL_EMBEDDED(kMenuArrow)
#undef QUARVEL_EMBEDDED
}  // namespace resources::embedded

namespace resources {

#define QUARVEL_ACCESSOR(name) \
  Bytes name() { return Bytes(embedded::k##name, embedded::k##name##Size); }
QUARVEL_ACCESSOR(WindowIcon)
QUARVEL_ACCESSOR(WindowBackground)
QUARVEL_ACCESSOR(SearchFrame)
QUARVEL_ACCESSOR(SearchButtonNormal)
QUARVEL_ACCESSOR(SearchButtonHover)
QUARVEL_ACCESSOR(BusyIndicator)
QUARVEL_ACCESSOR(MessageBoxBands)
QUARVEL_ACCESSOR(MessageBoxIcons)
QUARVEL_ACCESSOR(ControlStrip)
QUARVEL_ACCESSOR(CheckBoxStrip)
QUARVEL_ACCESSOR(GlowButtonSkin)
QUARVEL_ACCESSOR(MenuArrow)
#undef QUARVEL_ACCESSOR

}  // namespace resources
