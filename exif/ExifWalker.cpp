#include "exif/ExifWalker.h"

#include <algorithm>
#include <initializer_list>

#include "exif/ExifPlace.h"

namespace tokimori {

void ProtectedRanges::add(uint64_t from, uint64_t length) {
    if (length == 0 || from >= limit_) return;
    const uint64_t to = length > limit_ - from ? limit_ : from + length;
    // Ranges mostly come in file order: one that meets the last added extends it.
    if (!ranges_.empty() && from >= ranges_.back().from && from <= ranges_.back().to) {
        ranges_.back().to = std::max(ranges_.back().to, to);
        return;
    }
    ranges_.push_back({from, to});
}

void ProtectedRanges::seal() {
    const auto byStart = [](const ByteRange& a, const ByteRange& b) { return a.from < b.from; };
    if (!std::is_sorted(ranges_.begin(), ranges_.end(), byStart))
        std::sort(ranges_.begin(), ranges_.end(), byStart);
    std::vector<ByteRange> merged;
    for (const ByteRange& r : ranges_) {
        if (!merged.empty() && r.from <= merged.back().to)
            merged.back().to = std::max(merged.back().to, r.to);
        else
            merged.push_back(r);
    }
    ranges_ = std::move(merged);
}

bool ProtectedRanges::overlaps(uint64_t from, uint64_t length) const {
    if (length == 0) return false;
    // The first range that ends after from; the ranges are disjoint and sorted.
    auto it = std::upper_bound(ranges_.begin(), ranges_.end(), from,
                               [](uint64_t at, const ByteRange& r) { return at < r.to; });
    return it != ranges_.end() && it->from < from + length;
}

std::optional<ByteRange> ValueBytes(const IfdEntry& e) {
    const uint64_t size = uint64_t{e.count} * TypeSize(e.type);
    if (size <= 4) return std::nullopt;
    const uint64_t from = ValueOffset(e);
    return ByteRange{from, from + size};
}

namespace {

class Walker {
  public:
    Walker(ByteReader& r, ExifWalk& w, const EntryVisitor& visit) : r_(r), w_(w), visit_(visit) {
        for (WalkedIfd& d : w_.ifds) {
            d.base = w_.tiffBase;
            d.end = w_.segmentEnd;
        }
    }

    // A block of its own holds the Exif (and Interop) or the GPS directory: its header's first
    // directory is that one. A block of another byte order is not walked.
    void useBlock(Ifd which, const TiffBlock& b) {
        auto order = ReadByteOrder(r_, b.base);
        auto magic = order ? r_.u16(b.base + 2, *order) : std::nullopt;
        auto first = order ? r_.u32(b.base + 4, *order) : std::nullopt;
        if (order != w_.order || magic != 42 || !first || *first == 0) return;
        blockPointer_[static_cast<size_t>(which)] = *first;
        w_.structure.add(b.base, 8);
        for (Ifd kind : {Ifd::Exif, Ifd::Interop, Ifd::Gps}) {
            if ((kind == Ifd::Gps) != (which == Ifd::Gps)) continue;
            w_.ifds[static_cast<size_t>(kind)].base = b.base;
            w_.ifds[static_cast<size_t>(kind)].end = b.end;
        }
    }

    void run(uint32_t ifd0Offset) {
        walk(Ifd::Ifd0, ifd0Offset);
        if (auto p = blockPointer_[static_cast<size_t>(Ifd::Exif)]) exifPointer_ = *p;
        if (auto p = blockPointer_[static_cast<size_t>(Ifd::Gps)]) gpsPointer_ = *p;
        walk(Ifd::Exif, exifPointer_);
        walk(Ifd::Interop, interopPointer_);
        walk(Ifd::Gps, gpsPointer_);
        walk(Ifd::Ifd1, ifd1Offset_);
        protectIfd1Data();
    }

  private:
    // A directory at tiffBase + offset: count(2), count entries of 12 bytes, next offset(4).
    void walk(Ifd which, uint32_t offset) {
        if (which != Ifd::Ifd0 && offset == 0) return;
        WalkedIfd& d = w_.ifds[static_cast<size_t>(which)];
        d.pointed = true;
        d.offset = d.base + offset;
        for (const WalkedIfd& other : w_.ifds)
            if (&other != &d && other.walked && other.offset == d.offset) return;
        auto count = r_.u16(d.offset, w_.order);
        if (!count) return;
        d.walked = true;
        d.count = *count;
        w_.structure.add(d.offset, 2 + 12 * uint64_t{*count} + 4);
        for (uint32_t k = 0; k < *count; ++k) {
            auto e = ReadEntry(r_, d.offset, k, w_.order);
            if (!e) return;
            e->base = d.base;
            note(which, *e);
            const bool claimed = visit_ && visit_(which, *e);
            if (!claimed) {
                if (auto v = ValueBytes(*e)) w_.structure.add(v->from, v->to - v->from);
            }
        }
        d.complete = true;
        if (which == Ifd::Ifd0) {
            auto next = r_.u32(d.offset + 2 + 12 * uint64_t{*count}, w_.order);
            ifd1Offset_ = next ? *next : 0;
        }
    }

    // Pointers to the other directories and IFD1's picture data; the later of two equal tags
    // wins. A directory pointer is one LONG (or IFD): one of another type (a text, say) is not
    // followed, as exiftool does not, and its value bytes are kept like any other entry's.
    void note(Ifd which, const IfdEntry& e) {
        const bool pointer = e.count == 1 && (e.type == kTypeLong || e.type == kTypeIfd);
        switch (which) {
        case Ifd::Ifd0:
            if (e.tag == tag::ExifIfdPointer && pointer) exifPointer_ = e.value;
            if (e.tag == tag::GpsIfdPointer && pointer) gpsPointer_ = e.value;
            break;
        case Ifd::Exif:
            if (e.tag == tag::InteropIfdPointer && pointer) interopPointer_ = e.value;
            break;
        case Ifd::Ifd1:
            if (e.tag == tag::JpegThumbnailOffset) thumbOffset_ = EntryNumber(e, w_.order);
            if (e.tag == tag::JpegThumbnailLength) thumbLength_ = EntryNumber(e, w_.order);
            // One strip of an uncompressed thumbnail; the arrays of several strips are value
            // bytes already.
            if (e.tag == tag::StripOffsets && e.count == 1) stripOffset_ = EntryNumber(e, w_.order);
            if (e.tag == tag::StripByteCounts && e.count == 1)
                stripLength_ = EntryNumber(e, w_.order);
            break;
        default:
            break;
        }
    }

    void protectIfd1Data() {
        if (stripOffset_ && stripLength_)
            w_.structure.add(w_.tiffBase + *stripOffset_, *stripLength_);
        if (!thumbOffset_ || !thumbLength_) return;
        const uint64_t from = w_.tiffBase + *thumbOffset_;
        w_.structure.add(from, *thumbLength_);
        if (*thumbLength_ > 0 && r_.fits(from, *thumbLength_) &&
            from + *thumbLength_ <= w_.segmentEnd)
            w_.thumbnail = ByteRange{from, from + *thumbLength_};
    }

    ByteReader& r_;
    ExifWalk& w_;
    const EntryVisitor& visit_;
    uint32_t exifPointer_ = 0, gpsPointer_ = 0, interopPointer_ = 0, ifd1Offset_ = 0;
    std::array<std::optional<uint32_t>, kIfdKinds> blockPointer_{};
    std::optional<uint32_t> thumbOffset_, thumbLength_, stripOffset_, stripLength_;
};

} // namespace

ExifWalk WalkExif(ByteReader& r, const EntryVisitor& visit) {
    ExifWalk w;
    w.structure = ProtectedRanges(r.size());
    const ExifPlace place = LocateExif(r);
    w.app1 = place.holder;
    if (!w.app1) return w;
    w.checksum = place.checksum;
    w.tiffBase = place.main.base;
    if (!place.identified) return w;

    // TIFF header: byte order(2) 42 (or the kind's own number)(2) IFD0 offset(4).
    auto order = ReadByteOrder(r, w.tiffBase);
    if (!order) return w;
    auto magic = r.u16(w.tiffBase + 2, *order);
    if (!magic || *magic != place.magic) return w;
    auto ifd0Offset = r.u32(w.tiffBase + 4, *order);
    if (!ifd0Offset) return w;
    w.exif = true;
    w.order = *order;
    w.segmentEnd = place.main.end;
    w.structure.add(w.tiffBase, 8);

    Walker walker(r, w, visit);
    if (place.exif) walker.useBlock(Ifd::Exif, *place.exif);
    if (place.gps) walker.useBlock(Ifd::Gps, *place.gps);
    walker.run(*ifd0Offset);
    return w;
}

} // namespace tokimori
