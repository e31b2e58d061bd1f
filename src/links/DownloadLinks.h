// The download managers' link forms. The link's own GBK bytes are encoded, nothing else.
#pragma once

#include <string>
#include <string_view>

namespace links {

// RFC 4648 Base64, standard alphabet, "=" padding, no line breaks.
std::string Base64Encode(std::string_view bytes);

// "thunder://" + Base64("AA" + magnet + "ZZ").
std::string ThunderLink(std::string_view magnet);

// "qqdl://" + Base64(magnet).
std::string QqdlLink(std::string_view magnet);

}  // namespace links
