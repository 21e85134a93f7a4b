#pragma once
// Setting a camera's clock right after the fact: one photo of the camera whose true time is
// known (told, or taken from the photo's own GPS stamps) gives the clock's error, true time
// minus its shooting date, and every photo of that camera moves by it as a shift moves it.
// Photos of other cameras are left alone and named. The window and the command line both
// decide by these rules.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "exif/CameraFields.h"
#include "run/DateKinds.h"
#include "run/RunLoop.h"

namespace tokimori {

// A camera as its photos name it: Make, Model and the body's serial number where the photo
// holds one (Exif BodySerialNumber; maker notes are not read).
struct CameraIdentity {
    std::string make, model;
    std::optional<std::string> serial;
};
CameraIdentity CameraOf(const CameraFields& f);

// Why a photo is not taken as one of a camera's. The texts compare byte for byte. A serial
// number held by one of the two and not the other leaves the photo out: it cannot be told
// from another body of the same model.
enum class CameraDifference {
    None,
    NoCamera,      // the photo names no camera (neither Make nor Model)
    MakeOrModel,   // another Make or Model
    Serial,        // another body serial number
    SerialMissing, // one of the two holds a body serial number, the other none
};
CameraDifference CompareCameras(const CameraIdentity& camera, const CameraIdentity& photo);
// The difference in the command line's words.
const char* CameraDifferenceText(CameraDifference why);

// Why a reference photo gives no clock error.
enum class ClockProblem {
    None,
    NoCamera,        // it names no camera (neither Make nor Model)
    NoShootingDate,  // it has no DateTimeOriginal
    BadShootingDate, // its DateTimeOriginal is no date
    BadTrueTime,     // the true time is no date "yyyy:mm:dd hh:mm:ss"
    NoGpsStamps,     // it lacks GPSDateStamp or GPSTimeStamp
    BadGpsStamps,    // they hold no valid date and time of day
    BadZone,         // its OffsetTimeOriginal is neither an offset nor blank
};
// The problem in the command line's words, said of the reference: "has no DateTimeOriginal".
const char* ClockProblemText(ClockProblem why);

struct ClockError {
    ClockProblem problem = ClockProblem::None;
    std::string trueTime; // the reference's true local time, "yyyy:mm:dd hh:mm:ss"
    int64_t seconds = 0;  // trueTime − its DateTimeOriginal, on the calendar
    bool ok() const { return problem == ClockProblem::None; }
};
// The error of the reference's clock when its true local time is trueTime.
ClockError ClockErrorAt(const CameraFields& reference, const std::string& trueTime);
// The error when the true time is its GPS stamps (UTC, fractions of a second dropped) as a
// local time: with its OffsetTimeOriginal when that is an offset, with the local zone at that
// instant when it is absent or blank.
ClockError ClockErrorByGps(const CameraFields& reference);

// The shift of o of camera's photos alone; every other photo is left out as OtherCamera (no
// failure), what differs in its notes.
std::unique_ptr<RunKind> MakeCameraShift(const CameraIdentity& camera, const ShiftOptions& o);
// The window's shift: of every photo, or with onlyCamera of that camera's alone (基準写真から).
std::unique_ptr<RunKind> MakeShift(const ShiftOptions& o, const CameraIdentity* onlyCamera);

// "+1d02:03:04", "-0:00:05", "+0:00:00": an offset as ParseOffset reads it.
std::string FormatOffset(int64_t seconds);

} // namespace tokimori
