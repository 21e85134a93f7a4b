#include "app/Volumes.h"

#include <QStringList>

namespace tokimori {

bool IsBrowsableMount(const QString& root, const QString& device, const QString& type) {
    if (root == "/") return true;
    // The system's own folders; removable media below /run/media stay.
    const bool removable = root.startsWith("/run/media/");
    for (const char* system :
         {"/boot", "/snap", "/var", "/usr", "/etc", "/sys", "/proc", "/dev", "/run", "/tmp"}) {
        if (removable) break;
        if (root == system || root.startsWith(QString(system) + "/")) return false;
    }
    static const QStringList network{"nfs",   "nfs4",   "cifs",   "smb3",      "smbfs",
                                     "afs",   "ceph",   "9p",     "glusterfs", "davfs",
                                     "ncpfs", "lustre", "beegfs", "gpfs"};
    if (network.contains(type)) return true;
    if (type.startsWith("fuse.")) {
        // The desktop's and packaging systems' own FUSE mounts hold no user's photos.
        static const QStringList helpers{
            "fuse.gvfsd-fuse",          "fuse.portal", "fuse.lxcfs",    "fuse.snapfuse",
            "fuse.xdg-document-portal", "fuse.doc",    "fuse.appimaged"};
        return !helpers.contains(type) && !type.startsWith("fuse.AppImage", Qt::CaseInsensitive);
    }
    // Disks and cards (ext4, vfat, exfat, ntfs through fuseblk, ...), not loop images.
    return device.startsWith("/dev/") && !device.startsWith("/dev/loop");
}

} // namespace tokimori
