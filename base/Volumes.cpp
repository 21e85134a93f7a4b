#include "base/Volumes.h"

#include <algorithm>
#include <array>

namespace tokimori {

bool IsBrowsableMount(const std::string& root, const std::string& device, const std::string& type) {
    if (root == "/") return true;
    // The system's own folders; removable media below /run/media stay.
    const bool removable = root.starts_with("/run/media/");
    for (const char* system :
         {"/boot", "/snap", "/var", "/usr", "/etc", "/sys", "/proc", "/dev", "/run", "/tmp"}) {
        if (removable) break;
        if (root == system || root.starts_with(std::string(system) + "/")) return false;
    }
    static const std::array<const char*, 14> network{
        "nfs", "nfs4",      "cifs",  "smb3",  "smbfs",  "afs",    "ceph",
        "9p",  "glusterfs", "davfs", "ncpfs", "lustre", "beegfs", "gpfs"};
    if (std::find(network.begin(), network.end(), type) != network.end()) return true;
    if (type.starts_with("fuse.")) {
        // The desktop's and packaging systems' own FUSE mounts hold no user's photos.
        static const std::array<const char*, 7> helpers{
            "fuse.gvfsd-fuse",          "fuse.portal", "fuse.lxcfs",    "fuse.snapfuse",
            "fuse.xdg-document-portal", "fuse.doc",    "fuse.appimaged"};
        if (std::find(helpers.begin(), helpers.end(), type) != helpers.end()) return false;
        std::string lower = type;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return !lower.starts_with("fuse.appimage");
    }
    // Disks and cards (ext4, vfat, exfat, ntfs through fuseblk, ...), not loop images.
    return device.starts_with("/dev/") && !device.starts_with("/dev/loop");
}

} // namespace tokimori
