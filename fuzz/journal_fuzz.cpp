// libFuzzer harness over the journal reader and the undo planner. An input is a journal's text,
// then the separator "\n@@PHOTO@@\n", then the bytes of a photo. Every record the reader accepts
// is planned against the photo, the others as older runs over it; what must hold for every
// input: the reader never fails, a plan writes only whole date texts the engine finds in the
// photo, no longer than their entries, and putting the planned texts back changes no byte
// outside them.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/ByteSource.h"
#include "exif/ExifWriter.h"
#include "run/Journal.h"
#include "run/Undo.h"

using namespace tokimori;

namespace {
void Check(bool ok) {
    if (!ok) std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string_view separator = "\n@@PHOTO@@\n";
    const size_t cut = input.find(separator);
    const std::string journal(input.substr(0, cut));
    const std::string photo = cut == std::string_view::npos
                                  ? std::string()
                                  : std::string(input.substr(cut + separator.size()));

    const JournalContents contents = ParseJournal(journal);
    for (const JournalLineProblem& p : contents.problems)
        Check(p.line >= 1);
    // What the writer would format, the reader reads back the same.
    const std::string header = FormatJournalHeader(JournalHeader{});
    for (const JournalRecord& r : contents.records) {
        const JournalContents again = ParseJournal(header + FormatJournalRecord(r));
        Check(again.records.size() == 1 && again.records[0].path == r.path &&
              again.records[0].writes.size() == r.writes.size());
    }

    for (const JournalRecord& r : contents.records) {
        MemorySource src(reinterpret_cast<const uint8_t*>(photo.data()), photo.size());
        ByteReader reader(src);
        const std::vector<DateSlot> slots = FindDateSlots(reader);
        // The other records as older runs over the same photo: their old bytes count too.
        RelatedRecords related;
        for (const JournalRecord& other : contents.records)
            if (&other != &r) related.older.push_back(&other);
        const UndoPlan plan =
            PlanUndo(r, reader, PhotoNow{r.before.modified, r.before.modified}, related);
        if (plan.verdict != UndoPlan::Verdict::Restore) {
            Check(plan.texts.empty());
            continue;
        }
        for (const DateWrite* w : plan.texts) {
            bool inSlot = false;
            for (const DateSlot& s : slots)
                inSlot |= s.offset == w->offset && w->oldBytes.size() <= s.count;
            Check(inSlot);
            Check(reader
                      .write(w->offset,
                             std::span(reinterpret_cast<const uint8_t*>(w->oldBytes.data()),
                                       w->oldBytes.size()))
                      .ok());
        }
        const auto& after = src.bytes();
        Check(after.size() == photo.size());
        for (size_t i = 0; i < after.size(); ++i) {
            if (after[i] == static_cast<uint8_t>(photo[i])) continue;
            bool inside = false;
            for (const DateWrite* w : plan.texts)
                inside |= i >= w->offset && i - w->offset < w->oldBytes.size();
            Check(inside);
        }
    }
    return 0;
}
