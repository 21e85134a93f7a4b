#include "exif/FileFormat.h"

#include <array>
#include <cstring>
#include <span>
#include <string_view>

namespace tokimori {

using namespace std::string_view_literals;

namespace {

// The format an ISO base media file's major brand names.
std::string BrandFormat(std::string_view brand) {
    for (std::string_view heic : {"heic", "heix", "heim", "heis", "hevc", "hevx", "hevm", "hevs"})
        if (brand == heic) return "HEIC";
    if (brand == "mif1" || brand == "msf1") return "HEIF";
    if (brand == "avif" || brand == "avis") return "AVIF";
    if (brand == "crx ") return "CR3";
    if (brand == "qt  ") return "MOV";
    if (brand.substr(0, 3) == "3gp" || brand.substr(0, 3) == "3g2") return "3GP";
    for (std::string_view mp4 : {"isom", "iso2", "iso4", "iso5", "iso6", "mp41", "mp42", "avc1",
                                 "M4V ", "M4A ", "MSNV", "dash"})
        if (brand == mp4) return "MP4";
    return "";
}

} // namespace

std::string FileFormatOf(ByteReader& r) {
    std::array<uint8_t, 16> head{};
    size_t have = head.size();
    while (have > 0 && !r.fits(0, have))
        --have;
    if (have < 4 || !r.bytes(0, std::span(head.data(), have))) return "";
    const std::string_view h(reinterpret_cast<const char*>(head.data()), have);
    if (head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF) return "JPEG";
    if (h.substr(0, 4) == "II*\0"sv || h.substr(0, 4) == "MM\0*"sv)
        return have >= 10 && h.substr(8, 2) == "CR" ? "CR2" : "TIFF";
    if (h.substr(0, 4) == "IIRO" || h.substr(0, 4) == "IIRS" || h.substr(0, 4) == "MMOR")
        return "ORF";
    if (h.substr(0, 4) == "IIU\0"sv) return "RW2";
    if (have >= 8 && h.substr(0, 8) == "\x89PNG\r\n\x1a\n") return "PNG";
    if (have >= 12 && h.substr(0, 4) == "RIFF" && h.substr(8, 4) == "WEBP") return "WebP";
    if (h.substr(0, 4) == "FUJI" && have >= 16 && h.substr(0, 15) == "FUJIFILMCCD-RAW")
        return "RAF";
    if (have >= 12 && h.substr(4, 4) == "ftyp") return BrandFormat(h.substr(8, 4));
    if (have >= 8)
        for (std::string_view box : {"moov", "mdat", "wide", "free", "skip", "pnot"})
            if (h.substr(4, 4) == box) return "MOV";
    return "";
}

bool IsRedatedFormat(const std::string& format) {
    for (const char* known : {"JPEG", "TIFF", "CR2", "ORF", "RW2", "RAF", "HEIC", "HEIF", "AVIF",
                              "CR3", "WebP", "PNG", "MP4", "MOV", "3GP"})
        if (format == known) return true;
    return false;
}

} // namespace tokimori
