#include "run/ClockSync.h"

#include <cstdio>

#include "filetime/LocalTime.h"

namespace tokimori {

namespace {

bool NamesCamera(const CameraIdentity& c) {
    return !c.make.empty() || !c.model.empty();
}

// A zone text the camera left unknown: empty, or blanks and colons ("   :  ").
bool Blank(const std::string& text) {
    return text.find_first_not_of(" :") == std::string::npos;
}

// GPSTimeStamp's hours, minutes and seconds as a second of the day, fractions dropped.
std::optional<int64_t> SecondOfDay(const std::array<Rational, 3>& hms) {
    constexpr uint64_t kMicro = 1000000;
    const uint64_t unit[3] = {3600, 60, 1};
    const uint32_t most[3] = {23, 59, 59};
    uint64_t micro = 0;
    for (size_t i = 0; i < 3; ++i) {
        const Rational& q = hms[i];
        if (q.denominator == 0 || q.numerator / q.denominator > most[i]) return std::nullopt;
        const uint64_t whole = q.numerator / q.denominator, rest = q.numerator % q.denominator;
        micro += whole * unit[i] * kMicro + rest * unit[i] * kMicro / q.denominator;
    }
    const uint64_t second = micro / kMicro;
    if (second >= 86400) return std::nullopt;
    return static_cast<int64_t>(second);
}

// The reference's shooting date, when it can be one; else why not.
ClockProblem CheckReference(const CameraFields& reference, LocalDateTime& shot) {
    if (!NamesCamera(CameraOf(reference))) return ClockProblem::NoCamera;
    if (reference.dateTimeOriginal.empty()) return ClockProblem::NoShootingDate;
    const auto t = ParseDateText(reference.dateTimeOriginal);
    if (!t) return ClockProblem::BadShootingDate;
    shot = *t;
    return ClockProblem::None;
}

class CameraShift final : public RunKind {
  public:
    CameraShift(CameraIdentity camera, const ShiftOptions& o)
        : camera_(std::move(camera)), shift_(MakeShiftDates(o)) {}
    const char* name() const override { return shift_->name(); }

    PhotoPlan plan(ByteReader& r, const PhotoState& now) const override {
        const CameraDifference why =
            CompareCameras(camera_, CameraOf(WalkCameraFields(r, now.summary)));
        if (why == CameraDifference::None) return shift_->plan(r, now);
        PhotoPlan p;
        p.dates.reachedEnd = true;
        p.refusal = Refusal::OtherCamera;
        p.notes.emplace_back(CameraDifferenceText(why));
        return p;
    }

  private:
    CameraIdentity camera_;
    std::unique_ptr<RunKind> shift_;
};

} // namespace

CameraIdentity CameraOf(const CameraFields& f) {
    return {f.make, f.model, f.bodySerial};
}

CameraDifference CompareCameras(const CameraIdentity& camera, const CameraIdentity& photo) {
    if (!NamesCamera(photo)) return CameraDifference::NoCamera;
    if (photo.make != camera.make || photo.model != camera.model)
        return CameraDifference::MakeOrModel;
    if (photo.serial.has_value() != camera.serial.has_value())
        return CameraDifference::SerialMissing;
    if (photo.serial != camera.serial) return CameraDifference::Serial;
    return CameraDifference::None;
}

const char* CameraDifferenceText(CameraDifference why) {
    switch (why) {
    case CameraDifference::None:
        return "";
    case CameraDifference::NoCamera:
        return "names no camera (no Make or Model)";
    case CameraDifference::MakeOrModel:
        return "Make or Model is not the reference's";
    case CameraDifference::Serial:
        return "body serial number is not the reference's";
    case CameraDifference::SerialMissing:
        return "only one of it and the reference holds a body serial number";
    }
    return "";
}

const char* ClockProblemText(ClockProblem why) {
    switch (why) {
    case ClockProblem::None:
        return "";
    case ClockProblem::NoCamera:
        return "names no camera (no Make or Model)";
    case ClockProblem::NoShootingDate:
        return "has no DateTimeOriginal";
    case ClockProblem::BadShootingDate:
        return "has a DateTimeOriginal that is not a valid date and time";
    case ClockProblem::BadTrueTime:
        return "cannot take a true time that is not a date yyyy:mm:dd hh:mm:ss";
    case ClockProblem::NoGpsStamps:
        return "has no GPS date and time (GPSDateStamp and GPSTimeStamp)";
    case ClockProblem::BadGpsStamps:
        return "has GPS date and time stamps that are not a valid date and time";
    case ClockProblem::BadZone:
        return "has an OffsetTimeOriginal that is not an offset like +09:00";
    }
    return "";
}

ClockError ClockErrorAt(const CameraFields& reference, const std::string& trueTime) {
    ClockError e;
    LocalDateTime shot;
    e.problem = CheckReference(reference, shot);
    if (!e.ok()) return e;
    const auto truth = ParseDateText(trueTime);
    if (!truth) {
        e.problem = ClockProblem::BadTrueTime;
        return e;
    }
    e.trueTime = trueTime;
    e.seconds = CalendarSeconds(*truth) - CalendarSeconds(shot);
    return e;
}

ClockError ClockErrorByGps(const CameraFields& reference) {
    ClockError e;
    LocalDateTime shot;
    e.problem = CheckReference(reference, shot);
    if (!e.ok()) return e;
    const GpsStamps& gps = reference.gps;
    if (!gps.date || !gps.timeEntry) {
        e.problem = ClockProblem::NoGpsStamps;
        return e;
    }
    const std::string midnight = *gps.date + " 00:00:00";
    const auto day = ParseDateText(midnight);
    const auto second = gps.time ? SecondOfDay(*gps.time) : std::nullopt;
    if (!day || !second) {
        e.problem = ClockProblem::BadGpsStamps;
        return e;
    }
    std::optional<std::string> local;
    if (reference.offsetTimeOriginal && !Blank(*reference.offsetTimeOriginal)) {
        const auto zone = ParseZoneText(*reference.offsetTimeOriginal);
        if (!zone) {
            e.problem = ClockProblem::BadZone;
            return e;
        }
        local = ShiftDateText(midnight, *second + *zone);
    } else {
        local = FormatDateText(LocalFromUnix(CalendarSeconds(*day) + *second));
    }
    if (!local) { // a GPS date on the first or last day of the calendar, moved off it
        e.problem = ClockProblem::BadGpsStamps;
        return e;
    }
    return ClockErrorAt(reference, *local);
}

std::unique_ptr<RunKind> MakeCameraShift(const CameraIdentity& camera, const ShiftOptions& o) {
    return std::make_unique<CameraShift>(camera, o);
}

std::unique_ptr<RunKind> MakeShift(const ShiftOptions& o, const CameraIdentity* onlyCamera) {
    return onlyCamera ? MakeCameraShift(*onlyCamera, o) : MakeShiftDates(o);
}

std::string FormatOffset(int64_t seconds) {
    const uint64_t a = seconds < 0 ? 0 - static_cast<uint64_t>(seconds) : seconds;
    const char sign = seconds < 0 ? '-' : '+';
    char buf[48];
    if (a >= 86400)
        std::snprintf(buf, sizeof buf, "%c%llud%02llu:%02llu:%02llu", sign,
                      static_cast<unsigned long long>(a / 86400),
                      static_cast<unsigned long long>(a % 86400 / 3600),
                      static_cast<unsigned long long>(a % 3600 / 60),
                      static_cast<unsigned long long>(a % 60));
    else
        std::snprintf(buf, sizeof buf, "%c%llu:%02llu:%02llu", sign,
                      static_cast<unsigned long long>(a / 3600),
                      static_cast<unsigned long long>(a % 3600 / 60),
                      static_cast<unsigned long long>(a % 60));
    return buf;
}

} // namespace tokimori
