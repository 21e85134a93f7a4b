#pragma once
// The volumes the drive list offers and the folder a first start opens. Volumes_win32.cpp and
// Volumes_posix.cpp hold what differs between the systems.

#include <QList>
#include <QString>

namespace tokimori {

struct Volume {
    QString root;  // the folder the volume is reached at: "C:\", "/", "/media/user/CARD"
    QString label; // what the drive list shows
};

// The volumes a user browses for photos, sorted by root: on Windows the drive letters; elsewhere
// "/" and the mounted disks, cards, network shares and FUSE mounts.
QList<Volume> SystemVolumes();

// Whether path lies on the volume reached at root.
bool VolumeHolds(const QString& root, const QString& path);

// The folder a first start opens when no folder is stored: the root of the drive the program
// is installed on (Windows); elsewhere the user's Pictures folder, else the home folder.
QString FirstStartFolder();

// Whether an entry of the POSIX mount table is a volume a user browses for photos: "/", disks and
// cards (a device under /dev), network shares (NFS, SMB/CIFS) and FUSE mounts such as sshfs;
// never the system's own folders, loop devices (snaps, images) or the desktop's helper mounts.
bool IsBrowsableMount(const QString& root, const QString& device, const QString& type);

} // namespace tokimori
