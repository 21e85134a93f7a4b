#pragma once
// The main window of the Windows face, on the Windows API itself: the same controls, names and
// handlers as the Qt window, rendering the presentation layer (layout, texts, browsing, the
// run's messages) and forwarding to the core. Its controls carry the design's names (control()
// finds one) and fixed control identifiers (ControlId).

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include <commctrl.h>

#include "base/Volumes.h"
#include "exif/ExifReader.h"
#include "run/RunLoop.h"
#include "view/Browsing.h"
#include "view/Placement.h"
#include "view/RunReport.h"
#include "win/SingleCopy.h"

namespace tokimori {

class CommandButtonCT;
class ThumbnailPane;

// The identifier of a control of the main window by its design name (0 when none): the same in
// every start, so that another program finds it.
int ControlId(const std::string& name);
// The class of the main window.
inline constexpr wchar_t kMainWindowClass[] = L"TokimoriFrmMain";

class FrmMain {
  public:
    FrmMain();
    ~FrmMain();
    FrmMain(const FrmMain&) = delete;
    FrmMain& operator=(const FrmMain&) = delete;

    // Makes the window (not yet shown) and runs start-up; false when another copy runs (the
    // message has been shown; the window is not made).
    bool Form_Load();
    HWND handle() const { return hwnd_; }
    // A control by its design name ("CmdExe", "File1", …); nullptr when there is none.
    HWND control(const std::string& name) const;
    // A control's rectangle in twips, as the layout last gave it.
    Rect twipsRect(const std::string& name) const;

    // Where runs write their logs and journals (the program's log folder unless set).
    void setLogFolder(const std::string& folder) { logFolder_ = folder; }
    std::string logFolder() const;
    // The information text as the panel holds it, lines joined by CR LF.
    std::string exifInfoText() const;
    std::string exifInfoTip() const; // the information's tooltip
    // The file menu's 「XMP・IPTCの日付も合わせる」: the runs take the copies along.
    bool allCopies() const;
    void setAllCopies(bool on);
    // The file menu's 「写真と動画をすべて表示」: the file list offers every photo and movie.
    bool allKinds() const;
    // The folder list's folder, and the photos the file list shows (bytes, as the file system
    // names them).
    const std::string& folder() const { return folder_; }
    const std::vector<FileEntry>& files() const { return files_; }
    // Waits until the thumbnail shows what the last selection asked for.
    bool waitForThumbnail(int timeoutMs = 10000);
    // Closes the window as its close box does (the settings are saved).
    void close();

    // Handlers, named by control and event.
    void File1_Click();
    void File1_DblClick();
    void File1_PathChange();
    void CmdExe_Click();
    void Form_Resize();
    void Drive1_Change();
    void Dir1_Change();
    void Dir1_Open(int index);
    void Dir1_KeyPress(int character);
    void ChkIkkatu_MouseUp();
    void ChkHoji_MouseUp();
    void ChkUme_MouseUp();
    void Image2_MouseMove();
    void Toolbar_ButtonClick(const std::string& key);
    void mnuEnd_Click() { close(); }
    void mnuPhotoBig_Click() { File1_DblClick(); }
    void mnuHelpHelp_Click();
    void mnuAbout_Click();
    void mnuShift_Click();
    void mnuFileTime_Click();
    void mnuUndo_Click();
    void mnuLogFolder_Click();

  private:
    bool itemChecked(int menuId) const;
    void checkItem(int menuId, bool on);
    static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK ControlProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                        DWORD_PTR self);
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
    // A key or character that reached a control first; true when the window took it.
    bool controlKey(HWND w, UINT msg, WPARAM wp);
    void command(int id, int code);
    void buildControls();
    void buildMenus();
    void place(const std::string& name, const Rect& twips);
    void Form_Unload();
    bool tell(const MessageRequest& m);

    // Browsing.
    void fillDrives();
    void setDrive(const std::string& path);
    bool setFolder(const std::string& folder);
    void fillFiles();
    bool openFolder(const std::string& folder);
    void keepReadableFolder();
    std::string readableFallbackFolder() const;
    void browseKey(const BrowseKey& k);
    int currentFile() const;
    std::vector<bool> selectedFiles() const;
    void selectFile(int index);

    // The panel and the run.
    void setExifInfo(const std::string& crlfText, const std::string& tip = {});
    void clearThumbnail();
    void drawFolderRow(const DRAWITEMSTRUCT& d);
    SetDatesOptions runOptions() const;
    int targetCount(bool folderMode) const;
    void runPhotos(const RunKind& kind, RunCommand command, bool folderMode);
    void updateProgress(int done, int total);
    bool checked(const char* box) const;
    void setChecked(const char* box, bool on);
    void enable(const char* name, bool on);

    HWND hwnd_ = nullptr;
    HWND toolbar_ = nullptr, status_ = nullptr, tooltip_ = nullptr;
    std::map<std::string, HWND> controls_;
    std::map<std::string, Rect> twips_;
    HFONT font_ = nullptr, bold_ = nullptr;
    HBRUSH dark_ = nullptr, yellow_ = nullptr;
    SingleCopy singleCopy_{kMainWindowClass};
    std::unique_ptr<CommandButtonCT> cmdControl;
    HIMAGELIST imageList1_ = nullptr;
    HICON folderClosed_ = nullptr, folderOpen_ = nullptr;
    std::unique_ptr<ThumbnailPane> thumbs_;
    std::string logFolder_;
    int layoutRuns_ = 0;
    bool inRun_ = false, panelPending_ = false;
    bool DateChanged_ = false;
    // Browsing state: the drives, the folder and its rows, the photos listed.
    std::vector<Volume> drives_;
    std::string drive_, folder_;
    std::vector<FolderRow> rows_;
    std::vector<FileEntry> files_;
    std::string typed_;
    DWORD typedAt_ = 0;
};

} // namespace tokimori
