#include "exif/ExifReader.h"

#include "base/PositionedFile.h"
#include "exif/ExifWalker.h"
#include "exif/FileFormat.h"
#include "exif/JpegFrame.h"
#include "exif/MovieTimes.h"

namespace tokimori {

namespace {

// Make and Model of count 4 or less stand in the value field itself.
std::string InlineText(const IfdEntry& e) {
    std::string out;
    for (uint32_t i = 0; i < e.count && i < 4 && e.valueField[i] != 0; ++i)
        out.push_back(e.valueField[i] == 10 ? ' ' : static_cast<char>(e.valueField[i]));
    return out;
}

// A text outside the file reads as empty.
std::string EntryText(ByteReader& r, const std::optional<IfdEntry>& e, bool mayBeInline) {
    if (!e) return {};
    if (mayBeInline && e->count <= 4) return InlineText(*e);
    return r.text(ValueOffset(*e), e->count).value_or(std::string());
}

// The entries the reader uses; the later of two equal tags wins. Texts are read after the walk,
// one read for each tag however often it occurs.
struct Found {
    std::optional<IfdEntry> make, model, orientation, date, width, height;
};

struct Walked {
    int32_t entries = 0;
    ExifWalk walk;
    TextPlace embeddedDate;
};

Walked Walk(ByteReader& r, ExifSummary& s, int32_t* orientation) {
    s = ExifSummary{};
    Found f;
    Walked out;
    ExifWalk& w = out.walk;
    w = WalkExif(r, [&f](Ifd ifd, const IfdEntry& e) {
        if (ifd == Ifd::Ifd0) {
            if (e.tag == tag::Make) f.make = e;
            if (e.tag == tag::Model) f.model = e;
            if (e.tag == tag::Orientation) f.orientation = e;
        } else if (ifd == Ifd::Exif) {
            if (e.tag == tag::DateTimeOriginal) f.date = e;
            if (e.tag == tag::PixelXDimension) f.width = e;
            if (e.tag == tag::PixelYDimension) f.height = e;
        }
        return false;
    });
    if (w.app1) s.TiffBase = static_cast<int32_t>(w.tiffBase);
    if (!w.exif) return out;

    // IFD0: Make, Model and the Exif pointer. An empty IFD0 means no Exif data.
    const WalkedIfd& ifd0 = w.ifd(Ifd::Ifd0);
    if (!ifd0.walked || ifd0.count == 0) return out;
    s.Maker = EntryText(r, f.make, true);
    s.Model = EntryText(r, f.model, true);
    if (orientation && f.orientation && f.orientation->type == kTypeShort) {
        const uint32_t v = EntryNumber(*f.orientation, w.order);
        *orientation = v >= 1 && v <= 8 ? static_cast<int32_t>(v) : 0;
    }
    if (!ifd0.complete) return out;

    // The Exif directory: shooting date and pixel size. A pointer that is missing, 0, or names
    // a directory already walked means no Exif data, and so does an empty directory.
    const WalkedIfd& exif = w.ifd(Ifd::Exif);
    if (!exif.walked || exif.count == 0) return out;
    s.EmbeddedDate = EntryText(r, f.date, false);
    if (f.date) out.embeddedDate = {ValueOffset(*f.date), f.date->count, true};
    // A SHORT stands in the first two bytes of the value field.
    if (f.width) s.PixelWidth = static_cast<int32_t>(EntryNumber(*f.width, w.order));
    if (f.height) s.PixelHeight = static_cast<int32_t>(EntryNumber(*f.height, w.order));
    if (!exif.complete) return out;
    out.entries = exif.count;
    return out;
}

} // namespace

int32_t WalkExifSummary(ByteReader& r, ExifSummary& s, TextPlace* embeddedDate) {
    Walked walked = Walk(r, s, nullptr);
    if (embeddedDate) *embeddedDate = walked.embeddedDate;
    return walked.entries;
}

std::string ReadTextAt(ByteReader& r, const TextPlace& place) {
    if (!place.present) return {};
    return r.text(place.offset, place.count).value_or(std::string());
}

ExifInfo WalkExifInfo(ByteReader& r) {
    ExifInfo info;
    info.format = FileFormatOf(r);
    Walked walked = Walk(r, info.summary, &info.orientation);
    info.entries = walked.entries;
    if (walked.walk.thumbnail) {
        info.thumbnailOffset = walked.walk.thumbnail->from;
        info.thumbnailLength =
            static_cast<uint32_t>(walked.walk.thumbnail->to - walked.walk.thumbnail->from);
    }
    for (const MovieTime& m : FindMovieTimes(r))
        if (m.tag == movietag::CreateDate && !info.movieCreated && m.value < (uint64_t{1} << 40))
            info.movieCreated = static_cast<int64_t>(m.value) - kMovieEpoch;
    if (info.summary.PixelWidth == 0 || info.summary.PixelHeight == 0) {
        if (auto frame = ReadFrameSize(r)) {
            info.frameWidth = frame->width;
            info.frameHeight = frame->height;
        } else if (auto movie = FindMovieSize(r)) {
            info.frameWidth = movie->width;
            info.frameHeight = movie->height;
        }
    }
    return info;
}

Result<ExifInfo> ReadExifInfo(const std::string& folder, const std::string& name,
                              std::vector<PhotoDate>* dates) {
    auto file = PositionedFile::open(folder + name, PositionedFile::Mode::Read);
    if (!file) return file.error();

    ByteReader reader(file.value());
    ExifInfo info = WalkExifInfo(reader);
    if (dates) *dates = ReadPhotoDates(reader);
    if (reader.failed()) return *reader.error();

    auto modified = file->modifiedUnix();
    if (!modified) return modified.error();
    info.modifiedUnix = modified.value();

    Status closed = file->close();
    if (!closed) return closed.error();
    return info;
}

} // namespace tokimori
