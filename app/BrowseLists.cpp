#include "app/BrowseLists.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QToolTip>

#include "app/Volumes.h"
#include "base/Paths.h"

namespace tokimori {

namespace {

QString Native(const QString& p) {
    return QDir::toNativeSeparators(p);
}

} // namespace

// ---- DriveList ----

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
    fill();
    connect(this, &QComboBox::activated, this, [this](int index) {
        const QString chosen = itemData(index).toString();
        if (chosen != current_) {
            current_ = chosen;
            emit driveChanged();
        }
    });
}

void DriveList::fill() {
    const QSignalBlocker block(this);
    clear();
    for (const Volume& v : SystemVolumes())
        addItem(v.label, v.root);
    if (current_.isEmpty()) current_ = itemData(0).toString();
    int at = findData(current_);
    if (at < 0) { // a drive that went away stays shown until another is chosen
        addItem(current_, current_);
        at = count() - 1;
    }
    setCurrentIndex(at);
}

QString DriveList::drive() const {
    return current_;
}

QString DriveList::driveOf(const QString& path) const {
    const QString p = Native(path);
    QString best;
    for (int i = 0; i < count(); ++i) {
        const QString root = itemData(i).toString();
        if (VolumeHolds(root, p) && root.size() > best.size()) best = root;
    }
    return best.isEmpty() ? p : best; // not listed (yet): shown as it is
}

void DriveList::setDrive(const QString& path) {
    const QString best = driveOf(path);
    if (findData(best) < 0) addItem(best, best);
    {
        const QSignalBlocker block(this);
        setCurrentIndex(findData(best));
    }
    if (best != current_) {
        current_ = best;
        emit driveChanged();
    }
}

void DriveList::refresh() {
    fill();
}

void DriveList::keyPressEvent(QKeyEvent* e) {
    emit keyDown(e->key(), e->modifiers());
    QComboBox::keyPressEvent(e);
}

void DriveList::focusOutEvent(QFocusEvent* e) {
    QComboBox::focusOutEvent(e);
    emit lostFocus();
}

// ---- FolderList ----

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem* item) { emit entryOpened(row(item)); });
}

bool FolderList::setPath(const QString& folder) {
    const QString p = Native(QDir::cleanPath(folder));
    if (!CheckFolderReadable(p.toStdString())) return false;
    if (p == path_) {
        fill();
        return true;
    }
    path_ = p;
    fill();
    emit pathChanged();
    return true;
}

void FolderList::refresh() {
    fill();
}

QString FolderList::entryPath(int index) const {
    return index >= 0 && index < entries_.size() ? entries_[index] : QString();
}

void FolderList::fill() {
    const QSignalBlocker block(this);
    clear();
    entries_.clear();
    names_.clear();
    if (path_.isEmpty()) return; // no folder yet
    QFileIconProvider icons;
    // Ancestors from the root down to the current folder.
    QStringList chain;
    for (QDir d(path_);;) {
        chain.prepend(Native(d.absolutePath()));
        if (d.isRoot() || !d.cdUp()) break;
    }
    int depth = 0;
    for (const QString& folder : chain) {
        const QString name = depth == 0 ? folder : QFileInfo(folder).fileName();
        auto* item = new QListWidgetItem(icons.icon(QFileIconProvider::Folder),
                                         QString(depth * 2, ' ') + name, this);
        item->setToolTip(folder);
        entries_ << folder;
        names_ << name;
        ++depth;
    }
    const int currentRow = entries_.size() - 1;
    const QStringList subfolders =
        QDir(path_).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& name : subfolders) {
        const QString folder = Native(QDir(path_).filePath(name));
        auto* item = new QListWidgetItem(icons.icon(QFileIconProvider::Folder),
                                         QString(depth * 2, ' ') + name, this);
        item->setToolTip(folder);
        entries_ << folder;
        names_ << name;
    }
    setCurrentRow(currentRow);
    if (QListWidgetItem* current = item(currentRow)) {
        QFont f = current->font();
        f.setBold(true);
        current->setFont(f);
    }
}

void FolderList::keyboardSearch(const QString& search) {
    // Letters typed within the keyboard interval add up; the same letter again moves on to the
    // next folder starting with it.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - typedAt_ > QApplication::keyboardInputInterval()) typed_.clear();
    typedAt_ = now;
    typed_ += search;
    QString find = typed_;
    bool sameLetter = find.size() > 1;
    for (const QChar c : find)
        sameLetter = sameLetter && c.toLower() == find.at(0).toLower();
    if (sameLetter) find = find.left(1);
    const int n = int(names_.size());
    if (n == 0) return;
    // A new search starts after the highlighted folder; a longer one may stay on it.
    const int from = currentRow() < 0 ? 0 : currentRow() + (find.size() == 1 ? 1 : 0);
    for (int k = 0; k < n; ++k) {
        const int row = (from + k) % n;
        if (names_[row].startsWith(find, Qt::CaseInsensitive)) {
            setCurrentRow(row);
            scrollToItem(item(row));
            return;
        }
    }
}

void FolderList::keyPressEvent(QKeyEvent* e) {
    emit keyDown(e->key(), e->modifiers());
    if (e->key() == Qt::Key_Backspace) {
        emit keyPress(8);
        return;
    }
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        emit keyPress(13);
        return;
    }
    QListWidget::keyPressEvent(e);
}

// ---- FileList ----

FileList::FileList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setUniformItemSizes(true);
    connect(this, &QListWidget::itemSelectionChanged, this, &FileList::clicked);
}

void FileList::setPath(const QString& folder) {
    const QString p = Native(folder);
    const bool changed = p != path_;
    path_ = p;
    refresh();
    if (changed) emit pathChanged();
}

void FileList::refresh() {
    const QSignalBlocker block(this);
    clear();
    if (!path_.isEmpty()) {
        auto names = ListPhotos(path_.toStdString());
        if (names) {
            QStringList items;
            items.reserve(qsizetype(names->size()));
            for (const std::string& n : names.value())
                items << QString::fromStdString(n);
            addItems(items);
        }
    }
    setCurrentRow(-1, QItemSelectionModel::Clear);
}

QString FileList::fileName(int index) const {
    const QListWidgetItem* i = item(index);
    return i ? i->text() : QString();
}

QString FileList::currentFileName() const {
    return fileName(currentRow());
}

bool FileList::isSelected(int index) const {
    const QListWidgetItem* i = item(index);
    return i && i->isSelected();
}

void FileList::selectEntry(int index) {
    if (!item(index)) return;
    setCurrentRow(index, QItemSelectionModel::Select);
}

void FileList::selectRange(int first, int last) {
    if (first > last || !item(first) || !item(last)) return;
    const QModelIndex from = model()->index(first, 0), to = model()->index(last, 0);
    selectionModel()->select(QItemSelection(from, to), QItemSelectionModel::Select);
    selectionModel()->setCurrentIndex(to, QItemSelectionModel::NoUpdate);
}

std::vector<bool> FileList::selectedEntries() const {
    std::vector<bool> out(static_cast<size_t>(count()), false);
    for (const QModelIndex& i : selectionModel()->selectedRows())
        out[static_cast<size_t>(i.row())] = true;
    return out;
}

bool FileList::othersSelected() const {
    const int current = currentRow();
    for (const QListWidgetItem* i : selectedItems())
        if (row(i) != current) return true;
    return false;
}

void FileList::keyPressEvent(QKeyEvent* e) {
    emit keyDown(e->key(), e->modifiers());
    if (e->key() == Qt::Key_A && (e->modifiers() & Qt::ControlModifier)) return; // handled above
    if (e->key() == Qt::Key_Backspace) {
        emit keyPress(8);
        return;
    }
    if (e->key() == Qt::Key_F5 || e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) return;
    QListWidget::keyPressEvent(e);
}

bool FileList::viewportEvent(QEvent* e) {
    if (e->type() != QEvent::ToolTip) return QListWidget::viewportEvent(e);
    const auto* help = static_cast<QHelpEvent*>(e);
    if (QListWidgetItem* i = itemAt(help->pos()))
        QToolTip::showText(help->globalPos(), i->text(), viewport(), visualItemRect(i));
    else
        QToolTip::hideText();
    return true;
}

void FileList::mouseDoubleClickEvent(QMouseEvent* e) {
    QListWidget::mouseDoubleClickEvent(e);
    emit doubleClicked();
}

} // namespace tokimori
