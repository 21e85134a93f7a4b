// A power cut at any moment of one, two or three runs over the same photos: every write, flush
// and time change the runs make is recorded at the file layer, and from the record every state a
// disk can be left in is rebuilt (what was handed to the disk, and any part of what was not: a
// photo's writes sector by sector and its time changes, in any subset, and any cut of a
// journal's unflushed tail). Undoing the journals of that state gives every photo back. And a
// photo another program rewrites between its journal record and its writes is left as it is.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#include <random>

#include "TestFiles.h"
#include "base/Faults.h"
#include "base/PositionedFile.h"
#include "exif/ExifLayout.h"
#include "exif/ExifWriter.h"
#include "filetime/FileDate.h"
#include "run/DateKinds.h"
#include "run/Journal.h"
#include "run/RunLoop.h"
#include "run/Undo.h"

namespace tokimori {
namespace {

using namespace test;
namespace fs = std::filesystem;

struct Op {
    IoEvent::Kind kind;
    std::string path;
    uint64_t offset;
    std::string bytes;
    FileTimes times;
};

// What the file layer did under the test's folder (logs aside: no undo reads them), and a hook
// that may act at a moment of it.
struct Recorder {
    static inline std::vector<Op> ops;
    static inline std::string under;
    static inline std::function<void(const Op&)> at;
    static inline bool inside = false;
    static void Observe(const IoEvent& e) {
        const std::string& p = *e.path;
        if (inside || p.compare(0, under.size(), under) != 0 || p.ends_with(".log")) return;
        ops.push_back({e.kind, p, e.offset, std::string(e.bytes), e.times});
        if (at) {
            inside = true;
            at(ops.back());
            inside = false;
        }
    }
    explicit Recorder(const fs::path& folder) {
        ops.clear();
        under = folder.string();
        at = nullptr;
        SetIoObserver(&Observe);
    }
    ~Recorder() {
        SetIoObserver(nullptr);
        at = nullptr;
    }
};

// A camera photo whose DateTimeOriginal straddles a disk sector boundary, so that a power cut
// can tear it.
Bytes StraddlingPhoto() {
    Tiff t = CameraTiff(ByteOrder::Big);
    t.exif->at(1) = Ascii(tag::DateTimeDigitized, "2008:05:30 15:56:02");
    const Bytes tiff = t.build();
    const uint32_t inTiff = TiffOffsetOf(tiff, "2008:05:30 15:56:01");
    // SOI, APP0 (marker, length, payload), APP1 (marker, length, "Exif\0\0"), then the TIFF.
    const size_t before = 2 + 4 + 14 + 4 + 6 + inTiff;
    const size_t pad = (512 + 500 - before % 512) % 512; // the text starts 12 bytes short of it
    Segment app0 = Jfif();
    app0.payload.resize(app0.payload.size() + pad);
    return Jpeg({app0, ExifApp1(tiff)});
}

// A file as the disk holds it: its bytes, and its times (none: a write was its last change).
struct Version {
    bool exists = false;
    std::string bytes;
    std::optional<FileTimes> times;
};

void Apply(Version& v, const Op& op) {
    v.exists = true;
    switch (op.kind) {
    case IoEvent::Kind::Write:
        if (v.bytes.size() < op.offset + op.bytes.size())
            v.bytes.resize(op.offset + op.bytes.size());
        v.bytes.replace(op.offset, op.bytes.size(), op.bytes);
        v.times.reset();
        break;
    case IoEvent::Kind::Times:
        v.times = op.times;
        break;
    case IoEvent::Kind::Append:
        v.bytes += op.bytes;
        v.times.reset();
        break;
    case IoEvent::Kind::CutBack:
        v.bytes.resize(op.offset);
        break;
    default:
        break;
    }
}

// A pending write in the pieces a power cut can keep apart: one per disk sector it touches.
std::vector<Op> Pieces(const Op& op) {
    if (op.kind != IoEvent::Kind::Write) return {op};
    std::vector<Op> out;
    for (uint64_t at = op.offset; at < op.offset + op.bytes.size();) {
        const uint64_t end = std::min<uint64_t>(op.offset + op.bytes.size(), (at / 512 + 1) * 512);
        out.push_back({op.kind, op.path, at, op.bytes.substr(at - op.offset, end - at), {}});
        at = end;
    }
    return out;
}

struct Disk {
    std::map<std::string, Version> durable;
    std::map<std::string, std::vector<Op>> pending;

    void flush(const std::string& path) {
        for (const Op& op : pending[path])
            Apply(durable[path], op);
        pending[path].clear();
    }
    void take(const Op& op) {
        if (op.kind == IoEvent::Kind::Sync) return flush(op.path);
        if (op.kind == IoEvent::Kind::SyncAll) {
            for (auto& [path, ops] : pending)
                flush(path);
            return;
        }
        if (op.kind != IoEvent::Kind::SyncFolder) pending[op.path].push_back(op);
    }

    // What a power cut leaves: variant 0 nothing pending, 1 everything, else a random part.
    std::map<std::string, Version> cut(int variant, std::mt19937& random) const {
        std::map<std::string, Version> out = durable;
        for (const auto& [path, ops] : pending) {
            Version& v = out[path];
            if (path.ends_with(".journal")) {
                // Appended in order: the disk keeps some prefix of what was not flushed.
                Version live = v;
                for (const Op& op : ops)
                    Apply(live, op);
                const size_t from = std::min(v.bytes.size(), live.bytes.size());
                const size_t keep = variant == 0 ? from
                                    : variant == 1
                                        ? live.bytes.size()
                                        : from + random() % (live.bytes.size() - from + 1);
                live.bytes.resize(keep);
                live.exists = v.exists || !ops.empty();
                v = live;
                continue;
            }
            // Each sector as the disk last took it: the writes to it up to some moment; the
            // times (an inode) likewise, a write's moving them too.
            auto upTo = [&](size_t n) -> size_t {
                return variant == 0 ? 0 : variant == 1 ? n : random() % (n + 1);
            };
            std::map<uint64_t, std::vector<Op>> sectors;
            std::vector<const Op*> timeChanges;
            for (const Op& op : ops) {
                for (const Op& piece : Pieces(op))
                    sectors[piece.offset / 512].push_back(piece);
                timeChanges.push_back(&op);
            }
            const std::optional<FileTimes> times = v.times;
            for (const auto& [sector, pieces] : sectors) {
                const size_t keep = upTo(pieces.size());
                for (size_t i = 0; i < keep; ++i)
                    Apply(v, pieces[i]);
            }
            const size_t kept = upTo(timeChanges.size());
            v.times = times;
            if (kept > 0) {
                const Op& last = *timeChanges[kept - 1];
                if (last.kind == IoEvent::Kind::Times)
                    v.times = last.times;
                else
                    v.times.reset();
            }
        }
        return out;
    }
};

struct Photos {
    TempDir dir;
    fs::path logs = dir.path() / "logs";
    std::vector<std::string> paths;
    std::vector<Version> before;

    Photos() {
        fs::create_directory(logs);
        const std::pair<const char*, Bytes> photos[] = {{"Canon_40D.jpg", Photo("Canon_40D.jpg")},
                                                        {"straddling.jpg", StraddlingPhoto()}};
        int64_t t = 1300000000;
        for (const auto& [name, bytes] : photos) {
            const std::string path = dir.put(name, bytes).string();
            const FileTimes times{{t, 123456789}, {t + 7, 5}, {t, 123456789}};
            SetTimes(path, times);
            paths.push_back(path);
            before.push_back(
                {true, std::string(bytes.begin(), bytes.end()), ReadFileTimes(path).value()});
            t += 86400 * 40;
        }
    }

    RunSummary run(const RunKind& kind) const {
        return RunOver(kind, paths, logs.string()).summary;
    }

    // Puts a state on the disk (the photos keep their inodes) and names its journals.
    std::vector<std::string> put(const std::map<std::string, Version>& state) const {
        std::vector<std::string> journals;
        for (const auto& [path, v] : state) {
            if (!v.exists) continue;
            WriteAll(path, Bytes(v.bytes.begin(), v.bytes.end()));
            if (v.times) {
                SetTimes(path, *v.times);
            }
            if (path.ends_with(".journal")) journals.push_back(path);
        }
        return journals;
    }
};

std::unique_ptr<RunKind> Set(int day, bool keepTime) {
    return MakeSetDates(SetTo(day, keepTime));
}

std::unique_ptr<RunKind> Shift(int64_t seconds) {
    return MakeShiftDates(ShiftOptions{seconds, {}});
}

TEST(PowerCut, AnyStateOfOneTwoOrThreeRunsIsUndoneExactly) {
    using Kinds = std::vector<std::function<std::unique_ptr<RunKind>()>>;
    const std::vector<Kinds> sequences = {
        {[] { return Set(24, false); }},
        {[] { return Set(24, false); }, [] { return Shift(3600); }},
        {[] { return Set(24, true); }, [] { return MakeFileTimeFromDate(); },
         [] { return Shift(-86400 - 1800); }},
        {[] { return Shift(90); }, [] { return Set(2, false); }, [] { return Set(3, true); }},
    };
    constexpr int kVariants = 12;
    size_t states = 0;
    for (size_t s = 0; s < sequences.size(); ++s) {
        Photos p;
        Recorder recorder(p.dir.path());
        for (const auto& kind : sequences[s])
            ASSERT_FALSE(p.run(*kind()).stoppedBy) << s;
        const std::vector<Op> ops = Recorder::ops;
        SetIoObserver(nullptr);
        std::mt19937 random(static_cast<unsigned>(s));
        for (size_t cut = 0; cut <= ops.size(); ++cut) {
            Disk disk;
            for (size_t i = 0; i < p.paths.size(); ++i)
                disk.durable[p.paths[i]] = p.before[i];
            for (size_t i = 0; i < cut; ++i)
                disk.take(ops[i]);
            for (int variant = 0; variant < kVariants; ++variant, ++states) {
                for (const auto& e : fs::directory_iterator(p.logs))
                    fs::remove(e.path());
                const std::vector<std::string> journals = p.put(disk.cut(variant, random));
                std::vector<std::string> refused;
                const UndoSummary u = UndoJournals(journals, false, [&](const UndoOutcome& o) {
                    if (!o.ok()) refused.push_back(o.record.path + ": " + o.reason);
                });
                const std::string where =
                    "sequence " + std::to_string(s) + ", after " + std::to_string(cut) + " of " +
                    std::to_string(ops.size()) + " operations, variant " + std::to_string(variant);
                ASSERT_TRUE(u.ok()) << where << (refused.empty() ? "" : ": " + refused[0]);
                for (size_t i = 0; i < p.paths.size(); ++i) {
                    const Bytes now = ReadAll(p.paths[i]);
                    ASSERT_EQ(std::string(now.begin(), now.end()), p.before[i].bytes)
                        << where << ": " << p.paths[i];
                    ASSERT_EQ(ReadFileTimes(p.paths[i])->modified, p.before[i].times->modified)
                        << where << ": " << p.paths[i];
                }
            }
        }
    }
    EXPECT_GT(states, 1000u);
}

TEST(AnotherWriter, APhotoRewrittenBetweenItsRecordAndItsWritesIsLeftAsItIs) {
    // What another program does to the first photo while the run holds it planned.
    const std::vector<std::pair<const char*, std::function<void(const std::string&, uint64_t)>>>
        writers = {
            {"another date where the run's text stands",
             [](const std::string& path, uint64_t at) {
                 auto f = PositionedFile::open(path, PositionedFile::Mode::ReadWrite);
                 ASSERT_TRUE(f.ok());
                 ASSERT_TRUE(f->writeAt(at, Bytes{'1', '9', '9', '9'}).ok());
             }},
            {"the structure moved over the text (a rewrite in place)",
             [](const std::string& path, uint64_t at) {
                 Bytes b = ReadAll(path);
                 std::copy(b.begin() + static_cast<ptrdiff_t>(at) - 12,
                           b.begin() + static_cast<ptrdiff_t>(at) + 8,
                           b.begin() + static_cast<ptrdiff_t>(at));
                 WriteAll(path, b);
             }},
            {"the photo grew",
             [](const std::string& path, uint64_t) {
                 Bytes b = ReadAll(path);
                 b.push_back(0);
                 WriteAll(path, b);
             }},
        };
    for (const auto& [what, write] : writers) {
        Photos p;
        MemorySource source(Photo("Canon_40D.jpg"));
        ByteReader reader(source);
        const uint64_t text = FindDateSlots(reader).back().offset;
        Bytes theirs;
        Recorder recorder(p.dir.path());
        Recorder::at = [&, write = write](const Op& op) {
            if (op.kind != IoEvent::Kind::Sync || !op.path.ends_with(".journal") || !theirs.empty())
                return;
            write(p.paths[0], text);
            theirs = ReadAll(p.paths[0]);
        };
        const Ran ran = RunOver(*Set(24, false), p.paths, p.logs.string());
        SetIoObserver(nullptr);
        const std::vector<PhotoOutcome>& seen = ran.outcomes;
        const RunSummary& s = ran.summary;
        ASSERT_EQ(seen.size(), 2u) << what;
        EXPECT_EQ(seen[0].result, PhotoOutcome::Result::Refused) << what;
        EXPECT_TRUE(seen[0].refusal == Refusal::ChangedMeanwhile) << what;
        EXPECT_EQ(ReadAll(p.paths[0]), theirs) << what;
        EXPECT_TRUE(seen[1].changed()) << what;
        EXPECT_EQ(s.changed, 1u) << what;
        // The journal says the run left it alone: the undo does not touch it either.
        auto journal = ReadJournal(s.journalPath);
        ASSERT_TRUE(journal.ok());
        ASSERT_EQ(journal->records.size(), 2u);
        EXPECT_TRUE(journal->records[0].left) << what;
        EXPECT_FALSE(journal->records[1].left) << what;
        EXPECT_TRUE(UndoJournals({s.journalPath}, false, {}).ok()) << what;
        EXPECT_EQ(ReadAll(p.paths[0]), theirs) << what;
        EXPECT_EQ(ReadAll(p.paths[1]), Bytes(p.before[1].bytes.begin(), p.before[1].bytes.end()))
            << what;
    }
}

} // namespace
} // namespace tokimori
