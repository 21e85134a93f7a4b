// libFuzzer harness over the Exif engine: the reader's walk, then the writer's plan and writes
// with and without keep-time and a filter. Checks what must hold for every input: the size never
// changes and no byte outside the planned date texts changes.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "base/ByteSource.h"
#include "exif/ExifLayout.h"
#include "exif/ExifReader.h"
#include "exif/ExifWriter.h"

using namespace tokimori;

namespace {
void Check(bool ok) {
    if (!ok) std::abort();
}

void WriteAndCheck(const uint8_t* data, size_t size, const std::string& text,
                   const std::string& filter) {
    MemorySource src(data, size);
    ByteReader r(src);
    DatePlan plan = PlanExifDateWrite(r, text, filter);
    Check(!r.failed());
    Check(ApplyDatePlan(r, plan).ok());
    const auto& after = src.bytes();
    Check(after.size() == size);
    for (size_t i = 0; i < size; ++i) {
        if (after[i] == data[i]) continue;
        bool inside = false;
        for (const DateWrite& w : plan.writes)
            inside |= i >= w.offset && i - w.offset < w.newBytes.size();
        Check(inside);
    }
    for (const DateWrite& w : plan.writes)
        Check(w.offset + w.newBytes.size() <= size);
    Check(plan.DateChanged == (std::count_if(plan.writes.begin(), plan.writes.end(),
                                             [](auto& w) { return w.tag == 0x0132; }) > 0));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        MemorySource src(data, size);
        ByteReader r(src);
        ExifSummary s;
        const int32_t entries = WalkExifSummary(r, s);
        Check(!r.failed());
        Check(entries >= 0 && entries <= 65535);
        Check(s.EmbeddedDate.size() <= ByteReader::kMaxText);
    }
    WriteAndCheck(data, size, "2006:12:24 10:00:00", "");
    WriteAndCheck(data, size, "2006:12:24", "");
    WriteAndCheck(data, size, "2006:12:24 10:00:00", "2008:05:30");
    return 0;
}
