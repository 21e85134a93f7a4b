#pragma once
// The volumes a user browses for photos, and the folder a first start opens. Volumes_posix.cpp
// and Volumes_win32.cpp hold what differs between the systems.

#include <string>
#include <vector>

namespace tokimori {

struct Volume {
    std::string root;  // the folder the volume is reached at: "C:\", "/", "/media/user/CARD"
    std::string label; // what the drive list shows
};

// Sorted by root: on Windows the drive letters; elsewhere "/" and the mounted disks, cards,
// network shares and FUSE mounts that are ready to be read.
std::vector<Volume> SystemVolumes();

// Whether path lies on the volume reached at root.
bool VolumeHolds(const std::string& root, const std::string& path);

// The folder a first start opens when no folder is stored: the root of the drive the program
// is installed on (Windows); elsewhere the user's Pictures folder, else the home folder.
std::string FirstStartFolder();

// Whether an entry of the POSIX mount table is a volume a user browses for photos: "/", disks and
// cards (a device under /dev), network shares (NFS, SMB/CIFS) and FUSE mounts such as sshfs;
// never the system's own folders, loop devices (snaps, images) or the desktop's helper mounts.
bool IsBrowsableMount(const std::string& root, const std::string& device, const std::string& type);

} // namespace tokimori
