#pragma once
// What kind of file a photo is, told by its first bytes, never by its name: the name of its
// format as the command line reports it, so that a run can say what it left alone, and why.

#include <string>

#include "exif/ByteReader.h"

namespace tokimori {

// "JPEG"; "TIFF" (and the TIFF-based raw files, told apart where their header says: "CR2",
// "ORF", "RW2"); "HEIC", "HEIF", "AVIF", "CR3", "MP4", "MOV", "3GP" (ISO base media, by the
// ftyp box's major brand; a QuickTime file without one by its first box); "PNG"; "WebP"; "RAF";
// "" for any other. Reads the first 16 bytes at most; a file shorter than a header is "".
std::string FileFormatOf(ByteReader& r);

// Whether the program re-dates files of a format FileFormatOf names.
bool IsRedatedFormat(const std::string& format);

} // namespace tokimori
