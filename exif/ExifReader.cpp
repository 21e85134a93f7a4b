#include "exif/ExifReader.h"

#include "base/PositionedFile.h"
#include "exif/ExifLayout.h"
#include "filetime/LocalTime.h"

namespace tokimori {

namespace {

// Make and Model of count 4 or less stand in the value field itself.
std::string InlineText(const IfdEntry& e) {
    std::string out;
    for (uint32_t i = 0; i < e.count && i < 4 && e.valueField[i] != 0; ++i)
        out.push_back(e.valueField[i] == 10 ? ' ' : static_cast<char>(e.valueField[i]));
    return out;
}

std::optional<std::string> EntryText(ByteReader& r, uint64_t tiffBase, const IfdEntry& e,
                                     bool mayBeInline) {
    if (mayBeInline && e.count <= 4) return InlineText(e);
    return r.text(tiffBase + e.value, e.count);
}

} // namespace

int32_t WalkExifSummary(ByteReader& r, ExifSummary& s) {
    s = ExifSummary{};

    auto app1 = FindApp1(r);
    if (!app1) return 0;
    const uint64_t tiffBase = TiffBaseOf(*app1);
    s.TiffBase = static_cast<int32_t>(tiffBase);
    if (!HasExifIdentifier(r, *app1)) return 0;

    auto order = ReadByteOrder(r, tiffBase);
    if (!order) return 0;
    auto magic = r.u16(tiffBase + 2, *order);
    if (!magic || *magic != 42) return 0;
    auto ifd0Offset = r.u32(tiffBase + 4, *order);
    if (!ifd0Offset) return 0;

    // IFD0: Make, Model and the pointer to the Exif directory; the later of two equal tags wins.
    const uint64_t ifd0 = tiffBase + *ifd0Offset;
    auto count0 = r.u16(ifd0, *order);
    if (!count0 || *count0 == 0) return 0;
    uint32_t exifPointer = 0;
    for (uint32_t k = 0; k < *count0; ++k) {
        auto e = ReadEntry(r, ifd0, k, *order);
        if (!e) return 0;
        if (e->tag == tag::ExifIfdPointer) {
            exifPointer = e->value;
        } else if (e->tag == tag::Make || e->tag == tag::Model) {
            auto text = EntryText(r, tiffBase, *e, true);
            if (!text) return 0;
            (e->tag == tag::Make ? s.Maker : s.Model) = std::move(*text);
        }
    }
    if (exifPointer == 0) return 0;

    // Exif directory: shooting date and pixel size.
    const uint64_t exifIfd = tiffBase + exifPointer;
    auto count = r.u16(exifIfd, *order);
    if (!count || *count == 0) return 0;
    for (uint32_t k = 0; k < *count; ++k) {
        auto e = ReadEntry(r, exifIfd, k, *order);
        if (!e) return 0;
        if (e->tag == tag::DateTimeOriginal) {
            auto text = EntryText(r, tiffBase, *e, false);
            if (!text) return 0;
            s.EmbeddedDate = std::move(*text);
        } else if (e->tag == tag::PixelXDimension || e->tag == tag::PixelYDimension) {
            // A SHORT stands in the first two bytes of the value field.
            const uint32_t v = e->type == kTypeShort ? Get16(e->valueField, *order) : e->value;
            (e->tag == tag::PixelXDimension ? s.PixelWidth : s.PixelHeight) =
                static_cast<int32_t>(v);
        }
    }
    return static_cast<int32_t>(*count);
}

Result<ExifReadResult> ReadExifInfo(const std::string& folder, const std::string& name,
                                    ExifSummary& summary) {
    summary = ExifSummary{};
    auto file = PositionedFile::open(folder + name, PositionedFile::Mode::Read);
    if (!file) return file.error();

    ByteReader reader(file.value());
    ExifReadResult out;
    out.entries = WalkExifSummary(reader, summary);
    if (reader.failed()) return *reader.error();
    out.ExifDate = summary.EmbeddedDate;

    auto modified = file->modifiedUnix();
    if (!modified) return modified.error();
    out.modifiedUnix = modified.value();
    out.FileDate = FormatGeneralDate(LocalFromUnix(out.modifiedUnix));

    Status closed = file->close();
    if (!closed) return closed.error();
    return out;
}

} // namespace tokimori
