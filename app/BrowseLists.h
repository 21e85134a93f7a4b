#pragma once
// The three browsing lists of the main window: drives (Drive1), folders (Dir1) and the photos of
// a folder (File1). They show what the browsing rules list, with each path and name kept as the
// file system's bytes and shown decoded; the main window chains them.

#include <QComboBox>
#include <QListWidget>
#include <string>
#include <vector>

#include "view/Browsing.h"

namespace tokimori {

// Lists that mark the one with the keyboard's focus plainly.
void MarkFocus(QWidget* list);

// The drives: on Windows the drive letters; elsewhere "/" and the mounted volumes a user
// browses (removable media and other real file systems), shown by mount point and label.
class DriveList : public QComboBox {
    Q_OBJECT
  public:
    explicit DriveList(QWidget* parent = nullptr);
    // The current drive's root ("C:\", "/", "/media/user/CARD").
    std::string drive() const { return current_; }
    // Makes the drive that holds path current; emits driveChanged when it changes.
    void setDrive(const std::string& path);
    // The listed drive that holds path.
    std::string driveOf(const std::string& path) const;
    // Reads the system's drives again.
    void refresh();

  signals:
    void driveChanged();
    void keyDown(int virtualKey, Qt::KeyboardModifiers modifiers);
    void lostFocus();

  protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

  private:
    void fill();
    std::string current_;
};

// A folder list in the manner of the classic folder list box: the current folder's ancestors
// from the root down, the current folder highlighted, then its subfolders. A double-click or
// Enter opens the highlighted folder; a single click only highlights. Typing letters moves to
// the next folder whose name starts with them.
class FolderList : public QListWidget {
    Q_OBJECT
  public:
    explicit FolderList(QWidget* parent = nullptr);
    const std::string& path() const { return path_; }
    // Shows folder; emits pathChanged when it differs. False when the folder cannot be read.
    bool setPath(const std::string& folder);
    void refresh();
    // The folder of the list entry at index, or "" outside the list.
    std::string entryPath(int index) const;
    void keyboardSearch(const QString& search) override;

  signals:
    void pathChanged();
    void keyDown(int virtualKey, Qt::KeyboardModifiers modifiers);
    void keyPress(int character);
    // The entry at index was double-clicked.
    void entryOpened(int index);

  protected:
    void keyPressEvent(QKeyEvent* e) override;

  private:
    bool fill();
    std::string path_;
    std::vector<FolderRow> rows_;
    std::string typed_;
    qint64 typedAt_ = 0;
};

// The photos of a folder ("*.jpg;*.jpeg", any letter case), sorted by name, several selectable.
class FileList : public QListWidget {
    Q_OBJECT
  public:
    explicit FileList(QWidget* parent = nullptr);
    const std::string& path() const { return path_; }
    // Lists folder; emits pathChanged when the path differs.
    void setPath(const std::string& folder);
    // Lists the folder again (keeps the path).
    void refresh();
    // Which files it offers (the JPEG photos at first); lists the folder again when it changes.
    void setKinds(Listing kinds);
    int listCount() const { return count(); }
    // The name of the entry at index as the file system has it ("" outside the list), and as
    // it is shown.
    std::string fileName(int index) const;
    QString shownName(int index) const;
    // The current entry's name, "" when there is none.
    std::string currentFileName() const { return fileName(currentRow()); }
    // Selects index (adding it to the selection) and makes it current, as a click would.
    void selectEntry(int index);
    // Selects first..last (adding them to the selection) in one step and makes last current.
    void selectRange(int first, int last);
    // Which entries are selected, by index.
    std::vector<bool> selectedEntries() const;
    // Other entries than the current one are selected.
    bool othersSelected() const;

  signals:
    void pathChanged();
    void clicked();
    void doubleClicked();
    void keyDown(int virtualKey, Qt::KeyboardModifiers modifiers);
    void keyPress(int character);

  protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    // Each entry's tooltip is its full name (a long one is cut short in the list).
    bool viewportEvent(QEvent* e) override;

  private:
    std::string path_;
    std::vector<FileEntry> entries_;
    Listing kinds_ = Listing::Jpeg;
};

} // namespace tokimori
