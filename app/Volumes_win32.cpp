#include "app/Volumes.h"

#include <QDir>
#include <QFileInfo>

#include "base/Paths.h"

namespace tokimori {

QList<Volume> SystemVolumes() {
    QList<Volume> out;
    for (const QFileInfo& d : QDir::drives()) {
        const QString root = QDir::toNativeSeparators(d.absoluteFilePath());
        out.append({root, root.left(2).toLower()});
    }
    return out;
}

bool VolumeHolds(const QString& root, const QString& path) {
    return path.startsWith(root.left(2), Qt::CaseInsensitive);
}

QString FirstStartFolder() {
    return QString::fromStdString(GetDriveRoot(ProgramFolder()));
}

} // namespace tokimori
