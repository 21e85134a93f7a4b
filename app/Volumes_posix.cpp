#include "app/Volumes.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>
#include <algorithm>

namespace tokimori {

QList<Volume> SystemVolumes() {
    QList<Volume> out{{"/", "/"}};
    QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    std::sort(volumes.begin(), volumes.end(), [](const QStorageInfo& a, const QStorageInfo& b) {
        return a.rootPath() < b.rootPath();
    });
    for (const QStorageInfo& v : volumes) {
        const QString root = v.rootPath();
        if (!v.isValid() || !v.isReady() || root == "/") continue;
        if (!IsBrowsableMount(root, QString::fromUtf8(v.device()),
                              QString::fromUtf8(v.fileSystemType())))
            continue;
        if (std::any_of(out.begin(), out.end(), [&](const Volume& o) { return o.root == root; }))
            continue;
        const QString label = v.name().isEmpty() ? root : QString("%1  [%2]").arg(root, v.name());
        out.append({root, label});
    }
    return out;
}

bool VolumeHolds(const QString& root, const QString& path) {
    return root == "/" || path == root || path.startsWith(root + "/");
}

QString FirstStartFolder() {
    // The Pictures folder as the desktop names it (XDG user folders), when it is there.
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const QString home = QDir::homePath();
    if (!pictures.isEmpty() && QDir::cleanPath(pictures) != QDir::cleanPath(home) &&
        QFileInfo(pictures).isDir())
        return QDir::cleanPath(pictures);
    return home;
}

} // namespace tokimori
