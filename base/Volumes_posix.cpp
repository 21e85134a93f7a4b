#include "base/Volumes.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include <sys/statvfs.h>

namespace tokimori {

namespace {

namespace fs = std::filesystem;

// A field of the mount table, its octal escapes (\040 for a blank) decoded.
std::string Decoded(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && std::isdigit((unsigned char)field[i + 1])) {
            out.push_back(static_cast<char>(std::stoi(field.substr(i + 1, 3), nullptr, 8)));
            i += 3;
        } else {
            out.push_back(field[i]);
        }
    }
    return out;
}

// Volume labels by device, as udev names them in /dev/disk/by-label.
std::map<std::string, std::string> Labels() {
    std::map<std::string, std::string> out;
    std::error_code ec;
    for (fs::directory_iterator it("/dev/disk/by-label", ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code e;
        const fs::path device = fs::canonical(it->path(), e);
        if (!e) out[device.string()] = Decoded(it->path().filename().string());
    }
    return out;
}

} // namespace

std::vector<Volume> SystemVolumes() {
    std::vector<Volume> out{{"/", "/"}};
    const std::map<std::string, std::string> labels = Labels();
    std::ifstream in("/proc/self/mounts");
    std::vector<Volume> found;
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string device, point, type;
        fields >> device >> point >> type;
        const std::string root = Decoded(point);
        device = Decoded(device);
        if (root.empty() || root == "/" || !IsBrowsableMount(root, device, type)) continue;
        struct statvfs st {};
        if (statvfs(root.c_str(), &st) != 0) continue; // not ready (a share that does not answer)
        std::error_code e;
        const fs::path real = fs::canonical(device, e);
        const auto label = labels.find(e ? device : real.string());
        found.push_back({root, label == labels.end() ? root : root + "  [" + label->second + "]"});
    }
    std::sort(found.begin(), found.end(),
              [](const Volume& a, const Volume& b) { return a.root < b.root; });
    for (Volume& v : found)
        if (std::none_of(out.begin(), out.end(), [&](const Volume& o) { return o.root == v.root; }))
            out.push_back(std::move(v));
    return out;
}

bool VolumeHolds(const std::string& root, const std::string& path) {
    return root == "/" || path == root || path.starts_with(root + "/");
}

std::string FirstStartFolder() {
    const char* homeVar = std::getenv("HOME");
    const std::string home = homeVar && *homeVar ? homeVar : "/";
    // The Pictures folder as the desktop names it (XDG user folders), else ~/Pictures.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::ifstream dirs((config && *config ? std::string(config) : home + "/.config") +
                       "/user-dirs.dirs");
    std::string pictures = home + "/Pictures";
    for (std::string line; std::getline(dirs, line);) {
        const std::string key = "XDG_PICTURES_DIR=\"";
        if (!line.starts_with(key) || line.back() != '"') continue;
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.starts_with("$HOME")) value = home + value.substr(5);
        pictures = value;
    }
    std::error_code ec;
    const fs::path p = fs::path(pictures).lexically_normal();
    std::string clean = p.string();
    while (clean.size() > 1 && clean.back() == '/')
        clean.pop_back();
    if (clean != home && fs::is_directory(p, ec)) return clean;
    return home;
}

} // namespace tokimori
