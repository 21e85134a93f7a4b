#include "cli/Commands.h"

#include <ostream>

#include "cli/Json.h"
#include "exif/ExifReader.h"
#include "exif/ExifWriter.h"

namespace tokimori::cli {

namespace {

const char kUsage[] =
    "usage: tokimori-cli info FILE...\n"
    "       tokimori-cli write --date yyyy:mm:dd [--time hh:mm:ss] [--only-date yyyy:mm:dd] "
    "FILE...\n"
    "\n"
    "info   prints the Exif summary of each photo, one JSON object per line\n"
    "write  rewrites the Exif date-time texts in place; without --time only the date part of\n"
    "       each text changes; with --only-date only texts of that day change\n";

int Usage(std::ostream& err, const std::string& why) {
    if (!why.empty()) err << "tokimori-cli: " << why << "\n";
    err << kUsage;
    return 2;
}

// The folder part (with its closing separator) and the name of a path.
std::pair<std::string, std::string> SplitPath(const std::string& path) {
    const size_t cut = path.find_last_of("/\\");
    if (cut == std::string::npos) return {"", path};
    return {path.substr(0, cut + 1), path.substr(cut + 1)};
}

void ReportError(std::ostream& err, const std::string& file, const RunError& e) {
    err << JsonLine()
               .utf8("file", file)
               .number("error", e.number)
               .utf8("description", e.description)
               .utf8("detail", e.detail)
               .str()
        << "\n";
}

int Info(const std::vector<std::string>& files, std::ostream& out, std::ostream& err) {
    if (files.empty()) return Usage(err, "info needs at least one FILE");
    int code = 0;
    for (const std::string& path : files) {
        auto [folder, name] = SplitPath(path);
        ExifSummary s;
        auto read = ReadExifInfo(folder, name, s);
        if (!read) {
            ReportError(err, path, read.error());
            code = 1;
            continue;
        }
        out << JsonLine()
                   .utf8("file", path)
                   .number("result", read->entries)
                   .number("TiffBase", s.TiffBase)
                   .text("EmbeddedDate", s.EmbeddedDate)
                   .text("Maker", s.Maker)
                   .text("Model", s.Model)
                   .number("PixelWidth", s.PixelWidth)
                   .number("PixelHeight", s.PixelHeight)
                   .utf8("FileDate", read->FileDate)
                   .str()
            << "\n";
    }
    return code;
}

int Write(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string date, time, only;
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) return false;
            into = args[++i];
            return true;
        };
        if (a == "--date") {
            if (!value(date)) return Usage(err, "--date needs a value");
        } else if (a == "--time") {
            if (!value(time)) return Usage(err, "--time needs a value");
        } else if (a == "--only-date") {
            if (!value(only)) return Usage(err, "--only-date needs a value");
        } else if (a == "--") {
            files.insert(files.end(), args.begin() + static_cast<ptrdiff_t>(i) + 1, args.end());
            break;
        } else if (a.size() > 1 && a[0] == '-') {
            return Usage(err, "unknown option " + a);
        } else {
            files.push_back(a);
        }
    }
    if (date.empty()) return Usage(err, "write needs --date");
    if (files.empty()) return Usage(err, "write needs at least one FILE");
    const std::string newText = time.empty() ? date : date + " " + time;
    if (date.size() != 10 || (!time.empty() && time.size() != 8) ||
        !CheckDateTexts(newText, only).ok())
        return Usage(err, "dates are yyyy:mm:dd, times hh:mm:ss");

    int code = 0;
    for (const std::string& path : files) {
        auto [folder, name] = SplitPath(path);
        auto plan = WriteExifDate(folder, name, newText, only);
        if (!plan) {
            ReportError(err, path, plan.error());
            code = 1;
            continue;
        }
        std::vector<std::string> written;
        for (const DateWrite& w : plan->writes)
            written.emplace_back(DateTagName(w.tag));
        out << JsonLine()
                   .utf8("file", path)
                   .boolean("result", plan->reachedEnd)
                   .boolean("DateChanged", plan->DateChanged)
                   .list("written", written)
                   .str()
            << "\n";
    }
    return code;
}

} // namespace

int Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) return Usage(err, "");
    const std::string& command = args[0];
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "--help" || command == "-h" || command == "help") {
        out << kUsage;
        return 0;
    }
    if (command == "info") return Info(rest, out, err);
    if (command == "write") return Write(rest, out, err);
    return Usage(err, "unknown command " + command);
}

} // namespace tokimori::cli
