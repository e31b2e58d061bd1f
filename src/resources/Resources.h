// The skin artwork and the window icon, compiled into the program as byte arrays (the files
// in this folder, embedded at build time). Each accessor returns the bytes as stored.
#pragma once

#include <span>

namespace resources {

using Bytes = std::span<const unsigned char>;

Bytes WindowIcon();          // icon file, one 48x48 image at 32 bits per pixel
Bytes WindowBackground();    // JPEG 960x600, the main window's skin
Bytes SearchFrame();         // PNG 400x24, frame around the search box
Bytes SearchButtonNormal();  // PNG 70x26, search button (normal and pressed)
Bytes SearchButtonHover();   // PNG 70x26, search button (hover)
Bytes BusyIndicator();       // GIF 32x32, 12 frames, plays while a search runs
Bytes MessageBoxBands();     // PNG 2x160, header/body/footer bands of the message box
Bytes MessageBoxIcons();     // PNG 200x40, five 40x40 icons: error, warning, question, information, user
Bytes ControlStrip();        // PNG 729x20 WITHOUT the 8-byte signature: title-bar glyph cells
Bytes CheckBoxStrip();       // PNG 68x17 WITHOUT the signature: four 17x17 check boxes
Bytes GlowButtonSkin();      // PNG 55x28, glow button pieces (13x28 at x 0, 14, 28, 42)
Bytes MenuArrow();           // PNG 20x20, sub-menu arrow of pop-up menu items

}  // namespace resources
