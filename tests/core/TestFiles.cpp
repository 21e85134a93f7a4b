#include "TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <random>
#include <stdexcept>

#include "base/PositionedFile.h"
#include "exif/ExifLayout.h"

namespace tokimori::test {

namespace fs = std::filesystem;

namespace {
void Put16(Bytes& b, size_t at, uint16_t v, ByteOrder o) {
    if (o == ByteOrder::Big) {
        b[at] = static_cast<uint8_t>(v >> 8);
        b[at + 1] = static_cast<uint8_t>(v);
    } else {
        b[at] = static_cast<uint8_t>(v);
        b[at + 1] = static_cast<uint8_t>(v >> 8);
    }
}
void Put32(Bytes& b, size_t at, uint32_t v, ByteOrder o) {
    for (int i = 0; i < 4; ++i) {
        const int shift = o == ByteOrder::Big ? 24 - 8 * i : 8 * i;
        b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> shift);
    }
}
} // namespace

TiffEntry Ascii(uint16_t tag, const std::string& text) {
    Bytes data(text.begin(), text.end());
    data.push_back(0);
    return {tag, kTypeAscii, static_cast<uint32_t>(data.size()), data, std::nullopt};
}

TiffEntry AsciiCounted(uint16_t tag, const std::string& bytes, uint32_t count) {
    return {tag, kTypeAscii, count, Bytes(bytes.begin(), bytes.end()), std::nullopt};
}

TiffEntry Short(uint16_t tag, uint16_t v) {
    // Kept low byte first; build() stores it in the file's byte order.
    return {tag, kTypeShort, 1, Bytes{static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)},
            std::nullopt};
}

TiffEntry Long(uint16_t tag, uint32_t v) {
    return {tag, 4, 1, {}, v};
}

TiffEntry RawEntry(uint16_t tag, uint16_t type, uint32_t count, uint32_t valueField) {
    return {tag, type, count, {}, valueField};
}

Bytes Tiff::build(TiffLayout* layout) const {
    TiffLayout at;
    std::vector<TiffEntry> first = ifd0;
    if (exif) first.push_back({tag::ExifIfdPointer, 4, 1, {}, std::nullopt});
    if (gps) first.push_back({tag::GpsIfdPointer, 4, 1, {}, std::nullopt});
    std::vector<TiffEntry> exifEntries = exif.value_or(std::vector<TiffEntry>{});
    if (exif && interop) exifEntries.push_back({tag::InteropIfdPointer, 4, 1, {}, std::nullopt});
    std::vector<TiffEntry> second = ifd1.value_or(std::vector<TiffEntry>{});
    if (ifd1 && !thumbnail.empty()) {
        second.push_back({tag::JpegThumbnailOffset, 4, 1, {}, std::nullopt});
        second.push_back(Long(tag::JpegThumbnailLength, static_cast<uint32_t>(thumbnail.size())));
    }

    // Directories back to back after the 8-byte header.
    auto size = [](size_t n) { return 2 + 12 * n + 4; };
    size_t end = 8;
    auto place = [&](bool present, size_t n) -> uint32_t {
        if (!present) return 0;
        const size_t here = end;
        end += size(n);
        return static_cast<uint32_t>(here);
    };
    at.ifd0 = place(true, first.size());
    at.exif = place(exif.has_value(), exifEntries.size());
    at.interop = place(exif && interop, interop ? interop->size() : 0);
    at.gps = place(gps.has_value(), gps ? gps->size() : 0);
    at.ifd1 = place(ifd1.has_value(), second.size());

    Bytes out(end, 0);
    out[0] = out[1] = order == ByteOrder::Big ? 'M' : 'I';
    Put16(out, 2, magic, order);
    Put32(out, 4, at.ifd0, order);

    std::vector<std::pair<size_t, size_t>> thumbnailFields; // value fields naming the thumbnail
    auto writeDir = [&](size_t dir, const std::vector<TiffEntry>& entries, uint32_t next) {
        Put16(out, dir, static_cast<uint16_t>(entries.size()), order);
        for (size_t k = 0; k < entries.size(); ++k) {
            const TiffEntry& e = entries[k];
            const size_t p = dir + 2 + 12 * k;
            Put16(out, p, e.tag, order);
            Put16(out, p + 2, e.type, order);
            Put32(out, p + 4, e.count, order);
            const bool automatic = !e.value.has_value() && e.data.empty();
            if (automatic && e.tag == tag::ExifIfdPointer) {
                Put32(out, p + 8, at.exif, order);
            } else if (automatic && e.tag == tag::GpsIfdPointer) {
                Put32(out, p + 8, at.gps, order);
            } else if (automatic && e.tag == tag::InteropIfdPointer) {
                Put32(out, p + 8, at.interop, order);
            } else if (automatic && e.tag == tag::JpegThumbnailOffset) {
                thumbnailFields.emplace_back(p + 8, 0);
            } else if (e.value) {
                Put32(out, p + 8, *e.value, order);
            } else if (e.type == kTypeShort && e.data.size() == 2) {
                Put16(out, p + 8, static_cast<uint16_t>(e.data[0] | (e.data[1] << 8)), order);
            } else if (e.data.size() <= 4) {
                for (size_t i = 0; i < e.data.size(); ++i)
                    out[p + 8 + i] = e.data[i];
            } else {
                const size_t dataAt = out.size();
                out.insert(out.end(), e.data.begin(), e.data.end());
                if (out.size() % 2) out.push_back(0);
                Put32(out, p + 8, static_cast<uint32_t>(dataAt), order);
            }
        }
        Put32(out, dir + 2 + 12 * entries.size(), next, order);
    };
    writeDir(at.ifd0, first, at.ifd1);
    if (exif) writeDir(at.exif, exifEntries, 0);
    if (exif && interop) writeDir(at.interop, *interop, 0);
    if (gps) writeDir(at.gps, *gps, 0);
    if (ifd1) writeDir(at.ifd1, second, 0);
    if (!thumbnail.empty()) {
        at.thumbnail = static_cast<uint32_t>(out.size());
        out.insert(out.end(), thumbnail.begin(), thumbnail.end());
        for (const auto& field : thumbnailFields)
            Put32(out, field.first, at.thumbnail, order);
    }
    if (layout) *layout = at;
    return out;
}

uint32_t TiffOffsetOf(const Bytes& tiff, const std::string& text) {
    auto it = std::search(tiff.begin(), tiff.end(), text.begin(), text.end());
    if (it == tiff.end()) throw std::runtime_error("no " + text + " in the TIFF data");
    return static_cast<uint32_t>(it - tiff.begin());
}

Segment Jfif() {
    return {0xFFE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0}};
}

Segment ExifApp1(const Bytes& tiff) {
    Bytes payload{'E', 'x', 'i', 'f', 0, 0};
    payload.insert(payload.end(), tiff.begin(), tiff.end());
    return {0xFFE1, payload};
}

Segment App2Icc() {
    std::string s = "ICC_PROFILE";
    Bytes p(s.begin(), s.end());
    p.resize(40, 0);
    return {0xFFE2, p};
}

Segment XmpApp1() {
    std::string s = "http://ns.adobe.com/xap/1.0/";
    Bytes p(s.begin(), s.end());
    p.push_back(0);
    std::string x = "<x:xmpmeta/>";
    p.insert(p.end(), x.begin(), x.end());
    return {0xFFE1, p};
}

Bytes Jpeg(const std::vector<Segment>& segments) {
    Bytes out{0xFF, 0xD8};
    for (const Segment& s : segments) {
        const size_t length = s.payload.size() + 2;
        if (length > 0xFFFF) throw std::runtime_error("segment too long");
        out.push_back(static_cast<uint8_t>(s.marker >> 8));
        out.push_back(static_cast<uint8_t>(s.marker));
        out.push_back(static_cast<uint8_t>(length >> 8));
        out.push_back(static_cast<uint8_t>(length));
        out.insert(out.end(), s.payload.begin(), s.payload.end());
    }
    // Stand-ins for the tables and the compressed picture that follow in a real file.
    Bytes tail{0xFF, 0xDB, 0x00, 0x43, 0x00};
    tail.resize(tail.size() + 64, 0x10);
    tail.insert(tail.end(), {0xFF, 0xDA, 0x00, 0x02, 0x12, 0x34, 0x56, 0xFF, 0xD9});
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

Tiff CameraTiff(ByteOrder order) {
    Tiff t;
    t.order = order;
    t.ifd0 = {Ascii(tag::Make, "Canon"), Ascii(tag::Model, "Canon EOS 40D"),
              Ascii(tag::DateTime, "2008:07:31 10:38:11")};
    t.exif =
        std::vector<TiffEntry>{Ascii(tag::DateTimeOriginal, "2008:05:30 15:56:01"),
                               Ascii(tag::DateTimeDigitized, "2008:05:30 15:56:01"),
                               Short(tag::PixelXDimension, 3888), Long(tag::PixelYDimension, 2592)};
    return t;
}

Walked WalkBytes(const Bytes& file) {
    MemorySource src(file);
    ByteReader r(src);
    Walked w;
    w.result = WalkExifSummary(r, w.summary);
    if (r.failed()) throw std::runtime_error("a read from memory failed");
    return w;
}

Written Rewrite(const Bytes& file, const std::string& text, const std::string& filter) {
    MemorySource src(file);
    ByteReader r(src);
    Written w{PlanExifDateWrite(r, text, filter), file, {}};
    EXPECT_FALSE(r.failed());
    EXPECT_TRUE(ApplyDatePlan(r, w.plan).ok());
    w.after = src.bytes();
    EXPECT_EQ(w.after.size(), file.size());
    const auto inside = [&w](size_t at) {
        return std::any_of(w.plan.writes.begin(), w.plan.writes.end(), [at](const DateWrite& d) {
            return at >= d.offset && at < d.offset + d.newBytes.size();
        });
    };
    for (size_t at : Differences(w.before, w.after))
        EXPECT_TRUE(inside(at)) << "byte " << at << " changed outside the date texts";
    MemorySource again(file);
    ByteReader r2(again);
    const std::vector<DateSlot> slots = FindDateSlots(r2);
    for (size_t i = 0; i < w.plan.writes.size(); ++i) {
        const DateWrite& d = w.plan.writes[i];
        EXPECT_TRUE(std::any_of(slots.begin(), slots.end(),
                                [&d](const DateSlot& s) {
                                    return s.offset == d.offset && d.newBytes.size() <= s.count;
                                }))
            << "write at " << d.offset << " is no slot";
        EXPECT_EQ(
            std::string(w.after.begin() + static_cast<ptrdiff_t>(d.offset),
                        w.after.begin() + static_cast<ptrdiff_t>(d.offset + d.newBytes.size())),
            d.newBytes);
        for (size_t j = 0; j < i; ++j) {
            const DateWrite& e = w.plan.writes[j];
            EXPECT_TRUE(d.offset + d.newBytes.size() <= e.offset ||
                        e.offset + e.newBytes.size() <= d.offset)
                << "writes at " << e.offset << " and " << d.offset << " overlap";
        }
    }
    return w;
}

Texts Tags(const DatePlan& plan) {
    Texts out;
    for (const DateWrite& w : plan.writes)
        out.emplace_back(DateTagName(w.tag));
    return out;
}

Texts Skipped(const DatePlan& plan) {
    Texts out;
    for (const SkippedDate& s : plan.skipped)
        out.push_back(std::string(DateTagName(s.tag)) + ": " + SkipReasonText(s.reason));
    return out;
}

Bytes ReadAll(const fs::path& p) {
    // Read as the program reads photos, leaving the access time alone: tests compare it.
    auto f = PositionedFile::open(p.string(), PositionedFile::Mode::Read);
    if (!f) throw std::runtime_error("cannot read " + p.string());
    Bytes b(static_cast<size_t>(f->size()));
    if (!f->readAt(0, b).ok()) throw std::runtime_error("cannot read " + p.string());
    return b;
}

void WriteAll(const fs::path& p, const Bytes& b) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    if (!out) throw std::runtime_error("cannot write " + p.string());
}

void SetTimes(const fs::path& p, const FileTimes& t) {
    auto f = PositionedFile::open(p.string(), PositionedFile::Mode::ReadWrite);
    if (!f || !f->setTimes(t) || !f->close())
        throw std::runtime_error("cannot set the times of " + p.string());
}

fs::path PhotosDir() {
    return fs::path(TOKIMORI_PHOTOS);
}

Bytes Photo(const std::string& name) {
    return ReadAll(PhotosDir() / name);
}

std::vector<std::string> CopyPhotos(const TempDir& dir, const std::vector<std::string>& names) {
    std::vector<std::string> out;
    int64_t t = 1300000000;
    for (const std::string& name : names) {
        const fs::path p = dir.put(name, Photo(name));
        SetTimes(p, {{t, 123456700}, {t + 7, 500}, {t, 123456700}});
        out.push_back(p.string());
        t += 86400 * 31;
    }
    return out;
}

SetDatesOptions SetTo(int day, bool keepTime) {
    SetDatesOptions o;
    o.date = {2006, 12, day, 0, 0, 0};
    o.timeOfDay = {0, 0, 0, 10, 0, 0};
    o.keepTime = keepTime;
    return o;
}

Ran RunOver(const RunKind& kind, const std::vector<std::string>& targets,
            const std::string& logFolder, const RunPolicy& policy) {
    Ran ran;
    RunRequest request;
    request.targets = targets;
    request.listed = targets;
    request.logFolder = logFolder;
    request.where = "test";
    RunHooks hooks;
    hooks.photoDone = [&ran](const PhotoOutcome& o) { ran.outcomes.push_back(o); };
    ran.summary = RunPhotos(kind, request, policy, hooks);
    return ran;
}

namespace {
struct Injected {
    static inline FaultSite site = FaultSite::PhotoWrite;
    static inline int at = 0;
    static inline int seen = 0;
    static inline Fault fault;
    static Fault Hook(FaultSite s) {
        if (s != site || ++seen != at) return {};
        return fault;
    }
};
} // namespace

InjectFault::InjectFault(FaultSite site, int n, Fault::Kind kind, int systemError) {
    Injected::site = site;
    Injected::at = n;
    Injected::seen = 0;
    Injected::fault = {kind, systemError};
    SetFaultHook(&Injected::Hook);
}

InjectFault::~InjectFault() {
    SetFaultHook(nullptr);
}

std::string WriteJournal(const fs::path& folder, const JournalHeader& header,
                         const std::vector<JournalRecord>& records) {
    JournalWriter w(folder.string(), header);
    for (const JournalRecord& r : records)
        w.add(r);
    size_t written = 0;
    if (!w.write(written) || written != records.size() || !w.close())
        throw std::runtime_error("cannot write a journal in " + folder.string());
    return w.path();
}

TempDir::TempDir() {
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path p = fs::temp_directory_path() / ("tokimori-test-" + std::to_string(rd()));
        if (fs::create_directory(p)) {
            path_ = p;
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

fs::path TempDir::put(const std::string& name, const Bytes& bytes) const {
    fs::path p = path_ / name;
    WriteAll(p, bytes);
    return p;
}

Immutable::Immutable(const fs::path& p) : path_(p) {
#ifndef _WIN32
    done_ = std::system(("chattr +i '" + p.string() + "' 2>/dev/null").c_str()) == 0;
#endif
}

Immutable::~Immutable() {
    if (done_) (void)std::system(("chattr -i '" + path_.string() + "'").c_str());
}

#ifndef _WIN32
InZone::InZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
}

InZone::~InZone() {
    if (old_)
        setenv("TZ", old_->c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}
#endif

std::vector<size_t> Differences(const Bytes& a, const Bytes& b) {
    std::vector<size_t> out;
    for (size_t i = 0; i < std::max(a.size(), b.size()); ++i)
        if (i >= a.size() || i >= b.size() || a[i] != b[i]) out.push_back(i);
    return out;
}

} // namespace tokimori::test
