#include "app/BrowseLists.h"

#include <QApplication>
#include <QDateTime>
#include <QFileIconProvider>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QToolTip>

#include "base/Paths.h"
#include "controls/VirtualKey.h"
#include "ui/Texts.h"
#include "view/Names.h"

namespace tokimori {

void MarkFocus(QWidget* list) {
    // The list with the focus gets the highlight colour as its border.
    list->setStyleSheet(QString("%1:focus { border: 2px solid palette(highlight); }")
                            .arg(QString(list->metaObject()->className()).replace("::", "--")));
}

// ---- DriveList ----

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
    fill();
    connect(this, &QComboBox::activated, this, [this](int index) {
        const std::string chosen = itemData(index).toByteArray().toStdString();
        if (chosen != current_) {
            current_ = chosen;
            emit driveChanged();
        }
    });
}

void DriveList::fill() {
    const QSignalBlocker block(this);
    clear();
    const std::vector<Volume> volumes = SystemVolumes();
    for (const Volume& v : volumes)
        addItem(U(v.label), QByteArray::fromStdString(v.root));
    if (current_.empty() && !volumes.empty()) current_ = volumes.front().root;
    int at = findData(QByteArray::fromStdString(current_));
    if (at < 0) { // a drive that went away stays shown until another is chosen
        addItem(U(DisplayName(current_)), QByteArray::fromStdString(current_));
        at = count() - 1;
    }
    setCurrentIndex(at);
}

std::string DriveList::driveOf(const std::string& path) const {
    std::vector<Volume> listed; // what the list shows, drives found since included
    for (int i = 0; i < count(); ++i)
        listed.push_back({itemData(i).toByteArray().toStdString(), {}});
    return DriveOf(listed, path);
}

void DriveList::setDrive(const std::string& path) {
    const std::string best = driveOf(path);
    const QByteArray data = QByteArray::fromStdString(best);
    if (findData(data) < 0) addItem(U(DisplayName(best)), data);
    {
        const QSignalBlocker block(this);
        setCurrentIndex(findData(data));
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
    emit keyDown(VirtualKeyCode(e->key(), e->modifiers()), e->modifiers());
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

bool FolderList::setPath(const std::string& folder) {
    if (!CheckFolderReadable(folder)) return false;
    const bool changed = folder != path_;
    const std::string before = path_;
    path_ = folder;
    if (!fill()) {
        path_ = before;
        fill();
        return false;
    }
    if (changed) emit pathChanged();
    return true;
}

void FolderList::refresh() {
    fill();
}

std::string FolderList::entryPath(int index) const {
    return index >= 0 && static_cast<size_t>(index) < rows_.size()
               ? rows_[static_cast<size_t>(index)].path
               : std::string();
}

bool FolderList::fill() {
    const QSignalBlocker block(this);
    clear();
    rows_.clear();
    if (path_.empty()) return true; // no folder yet
    auto rows = FolderRows(path_);
    if (!rows) return false;
    rows_ = std::move(rows.value());
    QFileIconProvider icons;
    const QIcon folder = icons.icon(QFileIconProvider::Folder);
    int current = 0;
    for (const FolderRow& r : rows_) {
        auto* item = new QListWidgetItem(folder, QString(r.indent * 2, ' ') + U(r.shown), this);
        item->setToolTip(U(DisplayName(r.path)));
        if (r.current) {
            current = row(item);
            QFont f = item->font();
            f.setBold(true);
            item->setFont(f);
        }
    }
    setCurrentRow(current);
    return true;
}

void FolderList::keyboardSearch(const QString& search) {
    // Letters typed within the keyboard interval add up.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (now - typedAt_ > QApplication::keyboardInputInterval()) typed_.clear();
    typedAt_ = now;
    typed_ += S(search);
    std::vector<std::string> shown;
    for (const FolderRow& r : rows_)
        shown.push_back(r.shown);
    const int row = TypeToJump(shown, currentRow(), typed_);
    if (row < 0) return;
    setCurrentRow(row);
    scrollToItem(item(row));
}

void FolderList::keyPressEvent(QKeyEvent* e) {
    emit keyDown(VirtualKeyCode(e->key(), e->modifiers()), e->modifiers());
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

void FileList::setPath(const std::string& folder) {
    const bool changed = folder != path_;
    path_ = folder;
    refresh();
    if (changed) emit pathChanged();
}

void FileList::setKinds(Listing kinds) {
    if (kinds == kinds_) return;
    kinds_ = kinds;
    refresh();
}

void FileList::refresh() {
    const QSignalBlocker block(this);
    clear();
    entries_.clear();
    if (!path_.empty()) {
        auto entries = FileEntries(path_, kinds_);
        if (entries) entries_ = std::move(entries.value());
        QStringList items;
        items.reserve(qsizetype(entries_.size()));
        for (const FileEntry& e : entries_)
            items << U(e.shown);
        addItems(items);
    }
    setCurrentRow(-1, QItemSelectionModel::Clear);
}

std::string FileList::fileName(int index) const {
    return index >= 0 && static_cast<size_t>(index) < entries_.size()
               ? entries_[static_cast<size_t>(index)].name
               : std::string();
}

QString FileList::shownName(int index) const {
    const QListWidgetItem* i = item(index);
    return i ? i->text() : QString();
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
    const int vk = VirtualKeyCode(e->key(), e->modifiers());
    emit keyDown(vk, e->modifiers());
    const Qt::KeyboardModifiers m = e->modifiers();
    if (KeyDown(BrowseList::File, vk, m & Qt::ControlModifier, m & Qt::ShiftModifier,
                m & Qt::AltModifier)
            .consumed ||
        e->key() == Qt::Key_Enter)
        return;                                                     // handled by the window
    if (e->key() == Qt::Key_A && (m & Qt::ControlModifier)) return; // no select-all of its own
    if (e->key() == Qt::Key_Backspace) {
        emit keyPress(8);
        return;
    }
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
