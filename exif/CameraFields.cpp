#include "exif/CameraFields.h"

#include "base/PositionedFile.h"
#include "exif/ExifLayout.h"
#include "exif/ExifWalker.h"

namespace tokimori {

namespace {

// An ASCII entry's text as the reader reads texts: up to 4 bytes stand in the value field,
// longer ones at their offset.
std::optional<std::string> AsciiText(ByteReader& r, const IfdEntry& e) {
    if (e.type != kTypeAscii) return std::nullopt;
    if (e.count <= 4) {
        std::string out;
        for (uint32_t i = 0; i < e.count && e.valueField[i] != 0; ++i)
            out.push_back(e.valueField[i] == 10 ? ' ' : static_cast<char>(e.valueField[i]));
        return out;
    }
    return r.text(ValueOffset(e), e.count);
}

std::optional<std::array<Rational, 3>> Rationals(ByteReader& r, const ExifWalk& w,
                                                 const IfdEntry& e) {
    constexpr uint16_t kTypeRational = 5;
    if (e.type != kTypeRational || e.count != 3) return std::nullopt;
    const auto bytes = ValueBytes(e);
    if (!bytes) return std::nullopt;
    std::array<Rational, 3> out;
    for (uint64_t i = 0; i < 3; ++i) {
        const auto n = r.u32(bytes->from + 8 * i, w.order);
        const auto d = r.u32(bytes->from + 8 * i + 4, w.order);
        if (!n || !d) return std::nullopt;
        out[i] = {*n, *d};
    }
    return out;
}

} // namespace

CameraFields WalkCameraFields(ByteReader& r, const ExifSummary& summary) {
    CameraFields f;
    f.make = summary.Maker;
    f.model = summary.Model;
    f.dateTimeOriginal = summary.EmbeddedDate;
    std::optional<IfdEntry> serial, offset, date, time;
    const ExifWalk w = WalkExif(r, [&](Ifd ifd, const IfdEntry& e) {
        if (ifd == Ifd::Exif && e.tag == tag::BodySerialNumber) serial = e;
        if (ifd == Ifd::Exif && e.tag == tag::OffsetTimeOriginal) offset = e;
        if (ifd == Ifd::Gps && e.tag == tag::GpsDateStamp) date = e;
        if (ifd == Ifd::Gps && e.tag == tag::GpsTimeStamp) time = e;
        return false;
    });
    if (!w.exif) return f;
    if (serial) {
        auto text = AsciiText(r, *serial);
        if (text && text->find_first_not_of(' ') != std::string::npos) f.bodySerial = text;
    }
    if (offset) f.offsetTimeOriginal = AsciiText(r, *offset);
    if (date) f.gps.date = AsciiText(r, *date);
    if (time) {
        f.gps.timeEntry = true;
        f.gps.time = Rationals(r, w, *time);
    }
    return f;
}

Result<CameraFields> ReadCameraFields(const std::string& path) {
    auto file = PositionedFile::open(path, PositionedFile::Mode::Read);
    if (!file) return file.error();
    ByteReader reader(file.value());
    ExifSummary summary;
    (void)WalkExifSummary(reader, summary);
    CameraFields fields = WalkCameraFields(reader, summary);
    if (reader.failed()) return *reader.error();
    Status closed = file->close();
    if (!closed) return closed.error();
    return fields;
}

} // namespace tokimori
