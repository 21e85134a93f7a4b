#include "base/Volumes.h"

#include <cctype>

#include <windows.h>

#include "base/Paths.h"

namespace tokimori {

std::vector<Volume> SystemVolumes() {
    std::vector<Volume> out;
    const DWORD mask = GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (!(mask & (1u << i))) continue;
        const std::string root = std::string(1, static_cast<char>('A' + i)) + ":\\";
        out.push_back({root, std::string(1, static_cast<char>('a' + i)) + ":"});
    }
    return out;
}

bool VolumeHolds(const std::string& root, const std::string& path) {
    return path.size() >= 2 && root.size() >= 2 &&
           std::tolower(static_cast<unsigned char>(path[0])) ==
               std::tolower(static_cast<unsigned char>(root[0])) &&
           path[1] == root[1];
}

std::string FirstStartFolder() {
    return GetDriveRoot(ProgramFolder());
}

} // namespace tokimori
