#pragma once
// The three browsing lists of the main window: drives (Drive1), folders (Dir1) and the photos of
// a folder (File1). They only show and report; the main window chains them.

#include <QComboBox>
#include <QListWidget>
#include <QStringList>
#include <vector>

namespace tokimori {

// The drives: on Windows the drive letters; elsewhere "/" and the mounted volumes a user
// browses (removable media and other real file systems), shown by mount point and label.
class DriveList : public QComboBox {
    Q_OBJECT
  public:
    explicit DriveList(QWidget* parent = nullptr);
    // The current drive's root ("C:\", "/", "/media/user/CARD").
    QString drive() const;
    // Makes the drive that holds path current; emits driveChanged when it changes.
    void setDrive(const QString& path);
    // The listed drive that holds path (the longest root that heads it).
    QString driveOf(const QString& path) const;
    // Reads the system's drives again.
    void refresh();

  signals:
    void driveChanged();
    void keyDown(int key, Qt::KeyboardModifiers modifiers);
    void lostFocus();

  protected:
    void keyPressEvent(QKeyEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;

  private:
    void fill();
    QString current_;
};

// A folder list in the manner of the classic folder list box: the current folder's ancestors
// from the root down, the current folder highlighted, then its subfolders. A double-click or
// Enter opens the highlighted folder; a single click only highlights. Hidden folders are left out.
class FolderList : public QListWidget {
    Q_OBJECT
  public:
    explicit FolderList(QWidget* parent = nullptr);
    QString path() const { return path_; }
    // Shows path; emits pathChanged when it differs. False when the folder cannot be read.
    bool setPath(const QString& path);
    void refresh();
    // The folder of the list entry at index, or "" outside the list.
    QString entryPath(int index) const;
    // Typing letters moves to the next folder whose name starts with them.
    void keyboardSearch(const QString& search) override;

  signals:
    void pathChanged();
    void keyDown(int key, Qt::KeyboardModifiers modifiers);
    void keyPress(int character);
    // The entry at index was double-clicked.
    void entryOpened(int index);

  protected:
    void keyPressEvent(QKeyEvent* e) override;

  private:
    void fill();
    QString path_;
    QStringList entries_;
    QStringList names_; // each entry's folder name, as typed to find it
    QString typed_;
    qint64 typedAt_ = 0;
};

// The photos of a folder ("*.jpg;*.jpeg", any letter case), sorted by name, several selectable.
class FileList : public QListWidget {
    Q_OBJECT
  public:
    explicit FileList(QWidget* parent = nullptr);
    QString path() const { return path_; }
    // Lists folder; emits pathChanged when the path differs.
    void setPath(const QString& folder);
    // Lists the folder again (keeps the path).
    void refresh();
    int listCount() const { return count(); }
    QString fileName(int index) const;
    // The current entry's name, "" when there is none.
    QString currentFileName() const;
    bool isSelected(int index) const;
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
    void keyDown(int key, Qt::KeyboardModifiers modifiers);
    void keyPress(int character);

  protected:
    void keyPressEvent(QKeyEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    // Each entry's tooltip is its full name (a long one is cut short in the list).
    bool viewportEvent(QEvent* e) override;

  private:
    QString path_;
};

} // namespace tokimori
