// Sorting a result into video, audio, image and archive by the format text the site shows.
#pragma once

#include <string>
#include <string_view>

namespace search {

inline constexpr std::string_view kVideoExtensions =
    ".avi.wmv.wmp.wm.asf.mpg.mpeg.mpe.m1v.m2v.mpv2.mp2v.dat.ts.tp.tpr.trp.vob.ifo.ogm.ogv.mp4.m4v.m4p.m4b.3gp."
    "3gpp.3g2.3gp2.mkv.rm.ram.rmvb.rpm.flv.swf.mov.qt.amr.nsv.dpg.m2ts.m2t.mts.dvr-ms.k3g.skm.evo.nsr.amv.divx."
    "webm";
inline constexpr std::string_view kAudioExtensions =
    ".wav.wma.mpa.mp2.m1a.m2a.mp3.ogg.m4a.aac.mka.ra.flac.ape.mpc.mod.ac3.eac3.dts.dtshd.wv.tak";
inline constexpr std::string_view kImageExtensions =
    ".BMP.PCX.TIFF.GIF.JPEG.TGA.EXIF.FPX.SVG.PSD.CDR.PCD.DXF.UFO.EPS.AI.PNG.HDRI.RAW";
inline constexpr std::string_view kArchiveExtensions = ".rar.zip.tar.cab.uue.jar.iso.z.7-zip.ace.lzh.arj.gzip.bz2.7z";

// Category codes of a format: the digits "1" (video) to "4" (archive) of every list that holds
// the format as a substring (ASCII case ignored), ascending. Empty format: no code.
std::string ClassifyFormat(std::string_view format);

// Adds one to the counter of every category in codes (int or std::atomic<int>).
template <typename Counter>
void CountCategories(std::string_view codes, Counter& video, Counter& audio, Counter& image, Counter& archive) {
  for (char code : codes) {
    switch (code) {
      case '1': ++video; break;
      case '2': ++audio; break;
      case '3': ++image; break;
      case '4': ++archive; break;
      default: break;
    }
  }
}

}  // namespace search
