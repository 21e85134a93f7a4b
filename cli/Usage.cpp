#include "cli/Usage.h"

#include <ostream>
#include <string>

namespace tokimori::cli {

namespace {

const char kInfoSynopsis[] = "tokimori-cli info FILE...\n";
const char kWriteSynopsis[] =
    "tokimori-cli write --date yyyy:mm:dd [--time hh:mm:ss]\n"
    "                   [--only-date yyyy:mm:dd] [--all-copies] FILE...\n";
const char kSetSynopsis[] =
    "tokimori-cli set --date yyyy:mm:dd [--time hh:mm:ss | --keep-time]\n"
    "                 [--only-date yyyy:mm:dd] [--all-copies] [--recursive]\n"
    "                 [--dry-run] [--no-log] [--log-dir DIR] PATH...\n";
const char kShiftSynopsis[] =
    "tokimori-cli shift (--by OFFSET | --reference PHOTO --to TIME)\n"
    "                   [--only-date yyyy:mm:dd] [--all-copies] [--recursive]\n"
    "                   [--dry-run] [--no-log] [--log-dir DIR] PATH...\n";
const char kFiletimeSynopsis[] = "tokimori-cli filetime [--recursive] [--dry-run] [--no-log]\n"
                                 "                      [--log-dir DIR] PATH...\n";
const char kUndoSynopsis[] = "tokimori-cli undo JOURNAL... [--dry-run]\n";

const char kAllCopies[] =
    "  --all-copies            the XMP and IPTC copies of the dates change with them,\n"
    "                          each in its own form and at its own length (one that\n"
    "                          cannot is left alone and named in notes)\n";

const char kRunOptions[] =
    "  --recursive             take the photos of subfolders too (links to\n"
    "                          folders are not followed)\n"
    "  --dry-run               change nothing; print what would change\n"
    "  --no-log                write neither the log line nor the undo journal\n"
    "  --log-dir DIR           put the log and the journal in DIR instead of the\n"
    "                          log folder\n";

const char kPathsAndOutput[] =
    "\n"
    "PATH is a photo or movie, or a folder (its JPEG, TIFF, camera raw, HEIC/HEIF,\n"
    "PNG, WebP, MP4 and MOV files, told by their content). One JSON object\n"
    "per photo goes to standard output, a summary line (changed, failed, log,\n"
    "journal) to standard error.\n";

const char kCommon[] =
    "  -h, --help              show this help\n"
    "\n"
    "An option's value follows it or is joined to it with '=' (--date=2006:12:24).\n"
    "An option given twice or with an empty value is a usage error.\n"
    "Exit codes: 0 all done, 1 some photo failed or was refused, 2 bad arguments.\n";

// A synopsis after LEAD ("usage: " or as many blanks), its continuation lines lined up under
// its first.
std::string Indented(const char* synopsis, const char* lead) {
    const std::string blanks(std::char_traits<char>::length(lead), ' ');
    std::string text;
    for (const char* line = synopsis; *line;) {
        const char* end = line;
        while (*end && *end != '\n')
            ++end;
        text += line == synopsis ? lead : blanks;
        text.append(line, end);
        text += "\n";
        line = *end ? end + 1 : end;
    }
    return text;
}

std::string Help(const char* synopsis, const std::string& body) {
    return Indented(synopsis, "usage: ") + "\n" + body + kCommon;
}

std::vector<CommandSyntax> MakeSyntaxes() {
    std::vector<CommandSyntax> all;
    all.push_back(
        {"info",
         {},
         {},
         kInfoSynopsis,
         Help(kInfoSynopsis, "Prints the Exif summary of each photo, one JSON object per line:\n"
                             "result (the entry count of the Exif directory, 0 without Exif),\n"
                             "TiffBase, EmbeddedDate, Maker, Model, PixelWidth, PixelHeight,\n"
                             "FileDate, and dates: every date the photo holds, side by side\n"
                             "(where: the Exif tag, XMP property or IPTC dataset; text; an Exif\n"
                             "date's offset and subseconds; a copy's for, the Exif date it\n"
                             "stands for; the GPS stamps, in UTC). Changes nothing.\n"
                             "\n")});
    all.push_back(
        {"write",
         {"--date", "--time", "--only-date"},
         {"--all-copies"},
         kWriteSynopsis,
         Help(kWriteSynopsis,
              "Rewrites the Exif date-time texts of each FILE in place and nothing else:\n"
              "no file time, no log, no journal.\n"
              "\n"
              "  --date yyyy:mm:dd       the new date (a real calendar date)\n"
              "  --time hh:mm:ss         the new time of day (00:00:00 to 23:59:59);\n"
              "                          without it only the date part of each text changes\n"
              "  --only-date yyyy:mm:dd  change only the texts that fall on this day\n" +
                  std::string(kAllCopies))});
    all.push_back(
        {"set",
         {"--date", "--time", "--only-date", "--log-dir"},
         {"--keep-time", "--all-copies", "--recursive", "--dry-run", "--no-log"},
         kSetSynopsis,
         Help(kSetSynopsis,
              std::string(
                  "Gives photos a new date as the window's run does: rewrites the Exif\n"
                  "date-time texts in place (same bytes, same size), sets the file times to\n"
                  "the same local date and time, writes the day's log line and an undo\n"
                  "journal.\n") +
                  kPathsAndOutput +
                  "\n"
                  "  --date yyyy:mm:dd       the new date (a real calendar date)\n"
                  "  --time hh:mm:ss         the new time of day (00:00:00 to 23:59:59)\n"
                  "  --keep-time             each photo keeps its own time of day and only\n"
                  "                          the date changes (what happens without --time)\n"
                  "  --only-date yyyy:mm:dd  change only the photos and texts of this day\n" +
                  kAllCopies + kRunOptions)});
    all.push_back(
        {"shift",
         {"--by", "--reference", "--to", "--only-date", "--log-dir"},
         {"--all-copies", "--recursive", "--dry-run", "--no-log"},
         kShiftSynopsis,
         Help(
             kShiftSynopsis,
             std::string("Moves the dates of photos by an offset (a camera clock that was off, or\n"
                         "still on home time). Each date-time text moves from its own value,\n"
                         "calendar-correct; a text that is not a valid date is left alone and\n"
                         "reported. The file times become the shifted DateTimeOriginal (else\n"
                         "DateTime); a photo with neither has its file times shifted. Logged and\n"
                         "journaled like set.\n") +
                 kPathsAndOutput +
                 "\n"
                 "  --by OFFSET             [+|-][Nd][H:MM[:SS]], at least one part: +9:00,\n"
                 "                          -0:05:30, +1d, -2d3:00, +1d02:03:04\n"
                 "  --reference PHOTO       a photo of the camera whose clock was off: the\n"
                 "                          offset is its true time minus its DateTimeOriginal,\n"
                 "                          and only photos of its camera move (same Make,\n"
                 "                          Model and body serial number; a serial number on\n"
                 "                          one side only counts as another camera). Others\n"
                 "                          are reported \"skipped\": \"another camera\", which\n"
                 "                          is no failure. The summary names the offset used.\n"
                 "  --to TIME               the reference's true local time yyyy:mm:dd hh:mm:ss,\n"
                 "                          or gps: its GPS date and time (UTC) in the zone of\n"
                 "                          its OffsetTimeOriginal, else in the local zone\n"
                 "  --only-date yyyy:mm:dd  shift only the photos and texts of this day\n" +
                 kAllCopies + kRunOptions)});
    all.push_back(
        {"filetime",
         {"--log-dir"},
         {"--recursive", "--dry-run", "--no-log"},
         kFiletimeSynopsis,
         Help(kFiletimeSynopsis,
              std::string("Sets each photo's file times to its embedded date: DateTimeOriginal,\n"
                          "else DateTime, as local time. No byte of the photo changes. A photo\n"
                          "without a valid embedded date is reported and left alone. Logged and\n"
                          "journaled like set.\n") +
                  kPathsAndOutput + "\n" + kRunOptions)});
    all.push_back(
        {"undo",
         {},
         {"--dry-run"},
         kUndoSynopsis,
         Help(kUndoSynopsis,
              "Puts photos back as the runs of the given journals found them: date texts\n"
              "and file times. The records of all journals are undone together, newest\n"
              "first, so runs that overlapped are undone exactly in any order of naming.\n"
              "A photo changed since, or a record that does not fit its photo, is refused\n"
              "and reported; nothing else is ever written. An undo that was stopped can be\n"
              "run again.\n"
              "\n"
              "  --dry-run               change nothing; print what would be restored\n")});
    return all;
}

} // namespace

const std::vector<CommandSyntax>& CommandSyntaxes() {
    static const std::vector<CommandSyntax> all = MakeSyntaxes();
    return all;
}

const CommandSyntax* FindCommand(const std::string& name) {
    for (const CommandSyntax& c : CommandSyntaxes())
        if (c.name == name) return &c;
    return nullptr;
}

namespace {

std::string Synopses() {
    std::string text;
    const char* lead = "usage: ";
    for (const CommandSyntax& c : CommandSyntaxes()) {
        text += Indented(c.synopsis.c_str(), lead);
        lead = "       ";
    }
    text += "       tokimori-cli COMMAND --help\n"
            "       tokimori-cli --version\n";
    return text;
}

} // namespace

std::string Overview() {
    return Synopses() +
           "\n"
           "Gives JPEG photos a new date, in place: the Exif date-time texts are\n"
           "rewritten where they stand and every file keeps its size.\n"
           "\n"
           "info      prints the Exif summary of each photo as JSON\n"
           "write     rewrites the Exif date-time texts only\n"
           "set       gives photos a new date: texts, file times, log and undo journal\n"
           "shift     moves the dates of photos by an offset, or a camera's by its\n"
           "          clock's error that one photo of known true time gives\n"
           "filetime  sets each photo's file times to its embedded date\n"
           "undo      puts back what the runs of undo journals changed\n"
           "\n"
           "Logs and journals go beside the program when its folder can be written,\n"
           "else to the per-user data folder: $XDG_DATA_HOME/Tokimori, usually\n"
           "~/.local/share/Tokimori (%LOCALAPPDATA%\\Tokimori on Windows).\n"
           "Exit codes: 0 all done, 1 some photo failed or was refused, 2 bad arguments.\n";
}

int Usage(std::ostream& err, const std::string& why) {
    if (!why.empty()) err << "tokimori-cli: " << why << "\n";
    err << Synopses();
    return 2;
}

} // namespace tokimori::cli
