#include "win/FrmMain.h"

#include <algorithm>
#include <filesystem>

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include "base/Paths.h"
#include "base/TextCodec.h"
#include "exif/CameraFields.h"
#include "filetime/LocalTime.h"
#include "run/ClockSync.h"
#include "run/DateKinds.h"
#include "run/OperationLog.h"
#include "view/About.h"
#include "view/Commands.h"
#include "view/InfoPanel.h"
#include "view/Layout.h"
#include "view/Names.h"
#include "view/PhotoTexts.h"
#include "view/Settings.h"
#include "view/StartUp.h"
#include "win/Artwork.h"
#include "win/CommandButtonCT.h"
#include "win/FrmAbout.h"
#include "win/FrmShift.h"
#include "win/FrmUndo.h"
#include "win/FrmViewer.h"
#include "win/Help.h"
#include "win/Messages.h"
#include "win/Settings.h"
#include "win/ThumbnailPane.h"
#include "win/Wide.h"

namespace tokimori {

namespace {

constexpr wchar_t kPanelClass[] = L"TokimoriPanel";

// Every named control, in the order they are made (containers first): its identifier is its
// place here plus 1000.
const char* const kNames[] = {
    "frm_MainBack",  "Frame2",          "FraSet",  "Drive1",          "Dir1",
    "File1",         "PicBack",         "Image2",  "lbl_Back_Image0", "lbl_File_Info",
    "txt_Exif_Info", "lbl_Back_Image1", "Label1",  "Line1",           "lbl_Back",
    "lbl_Settei",    "DTPDate",         "DTPTime", "ChkIkkatu",       "ChkHoji",
    "ChkUme",        "DTPumeDate",      "CmdExe"};

// Menu commands and tool-bar buttons.
enum Command : int {
    kMnuShift = 2001,
    kMnuFileTime,
    kMnuUndo,
    kMnuLogFolder,
    kMnuEnd,
    kMnuPhotoBig,
    kMnuHelpHelp,
    kMnuAbout,
    kMnuAllCopies,
    kMnuAllKinds,
    kToolUp = 2101,
    kToolPhotoBig,
    kToolHelp,
    kToolClose,
};

const char* ToolKey(int id) {
    switch (id) {
    case kToolUp:
        return "UP";
    case kToolPhotoBig:
        return "PhotoBig";
    case kToolHelp:
        return "Help";
    case kToolClose:
        return "Close";
    default:
        return "";
    }
}

// A frame that holds controls: it draws an etched border and hands its children's
// notifications to the main window.
LRESULT CALLBACK PanelProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_DRAWITEM:
        return SendMessageW(GetAncestor(w, GA_ROOT), msg, wp, lp);
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(w, &ps);
        RECT r;
        GetClientRect(w, &r);
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        if (GetWindowLongPtrW(w, GWLP_USERDATA)) DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT);
        EndPaint(w, &ps);
        return 0;
    }
    default:
        return DefWindowProcW(w, msg, wp, lp);
    }
}

std::string Shown(const std::string& path) {
    return DisplayName(path);
}

// The system's Japanese UI face at 9 points, as the design names it.
HFONT MakeFont(bool bold) {
    HDC dc = GetDC(nullptr);
    const int height = -MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72);
    ReleaseDC(nullptr, dc);
    return CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                       SHIFTJIS_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, L"ＭＳ Ｐゴシック");
}

SYSTEMTIME SystemTimeOf(int y, int m, int d, int h = 0, int mi = 0, int s = 0) {
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(y);
    t.wMonth = static_cast<WORD>(m);
    t.wDay = static_cast<WORD>(d);
    t.wHour = static_cast<WORD>(h);
    t.wMinute = static_cast<WORD>(mi);
    t.wSecond = static_cast<WORD>(s);
    return t;
}

SYSTEMTIME PickerTime(HWND picker) {
    SYSTEMTIME t{};
    SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&t));
    return t;
}

std::vector<Rect> Screens() {
    std::vector<Rect> out;
    EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR m, HDC, LPRECT, LPARAM data) -> BOOL {
            MONITORINFO info{};
            info.cbSize = sizeof info;
            if (GetMonitorInfoW(m, &info)) {
                const RECT& w = info.rcWork;
                reinterpret_cast<std::vector<Rect>*>(data)->push_back(
                    {w.left, w.top, w.right - w.left, w.bottom - w.top});
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&out));
    return out;
}

bool IsFile(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_regular_file(ToFsPath(path), ec);
}

} // namespace

int ControlId(const std::string& name) {
    for (size_t i = 0; i < std::size(kNames); ++i)
        if (name == kNames[i]) return 1000 + static_cast<int>(i);
    return 0;
}

FrmMain::FrmMain() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &FrmMain::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hIcon = ArtIcon(Art::Program, 32);
    wc.hIconSm = ArtIcon(Art::Program, 16);
    wc.lpszClassName = kMainWindowClass;
    RegisterClassExW(&wc);
    WNDCLASSEXW panel{};
    panel.cbSize = sizeof panel;
    panel.lpfnWndProc = PanelProc;
    panel.hInstance = GetModuleHandleW(nullptr);
    panel.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    panel.lpszClassName = kPanelClass;
    RegisterClassExW(&panel);
    font_ = MakeFont(false);
    bold_ = MakeFont(true);
    dark_ = CreateSolidBrush(GetSysColor(COLOR_BTNTEXT));
    yellow_ = CreateSolidBrush(RGB(0xFF, 0xFF, 0xC0)); // &H00C0FFFF&
}

FrmMain::~FrmMain() {
    thumbs_.reset(); // a decode under way gives up and is waited for
    if (hwnd_) DestroyWindow(hwnd_);
    if (imageList1_) ImageList_Destroy(imageList1_); // after the tool bar that shows it
    for (HICON icon : {folderClosed_, folderOpen_})
        if (icon) DestroyIcon(icon);
    for (HGDIOBJ o : {static_cast<HGDIOBJ>(font_), static_cast<HGDIOBJ>(bold_),
                      static_cast<HGDIOBJ>(dark_), static_cast<HGDIOBJ>(yellow_)})
        DeleteObject(o);
}

bool FrmMain::tell(const MessageRequest& m) {
    return Tell(hwnd_, m);
}

HWND FrmMain::control(const std::string& name) const {
    const auto it = controls_.find(name);
    return it == controls_.end() ? nullptr : it->second;
}

Rect FrmMain::twipsRect(const std::string& name) const {
    const auto it = twips_.find(name);
    return it == twips_.end() ? Rect{} : it->second;
}

std::string FrmMain::logFolder() const {
    return logFolder_.empty() ? LogFolder() : logFolder_;
}

// ---- controls ----

void FrmMain::place(const std::string& name, const Rect& r) {
    twips_[name] = r;
    const Rect px = TwipsToPixels(r);
    // A drop-down list's height is its list's: the box itself keeps the font's height.
    const int extra = name == "Drive1" ? 240 : 0;
    MoveWindow(control(name), px.left, px.top, px.width, px.height + extra, TRUE);
}

void FrmMain::buildControls() {
    struct Kind {
        const char* name;
        const wchar_t* cls;
        DWORD style;
        const char* text;
    };
    const DWORD child = WS_CHILD | WS_VISIBLE;
    const Kind kinds[] = {
        {"frm_MainBack", kPanelClass, 0, ""},
        {"Frame2", kPanelClass, 0, ""},
        {"FraSet", kPanelClass, 0, ""},
        {"Drive1", WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, ""},
        {"Dir1", WC_LISTBOXW,
         LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | WS_VSCROLL |
             WS_BORDER | WS_TABSTOP,
         ""},
        {"File1", WC_LISTBOXW,
         LBS_NOTIFY | LBS_EXTENDEDSEL | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP,
         ""},
        {"PicBack", WC_STATICW, SS_CENTER | SS_CENTERIMAGE, ""},
        {"Image2", WC_STATICW, SS_BITMAP | SS_NOTIFY, ""},
        {"lbl_Back_Image0", WC_STATICW, SS_OWNERDRAW, ""},
        {"lbl_File_Info", WC_STATICW, 0, " ファイル情報"},
        {"txt_Exif_Info", WC_EDITW,
         ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER | WS_TABSTOP, ""},
        {"lbl_Back_Image1", WC_STATICW, SS_OWNERDRAW, ""},
        {"Label1", WC_STATICW, 0, "埋込日付設定"},
        {"Line1", WC_STATICW, SS_ETCHEDHORZ, ""},
        {"lbl_Back", WC_STATICW, 0, ""},
        {"lbl_Settei", WC_STATICW, 0, "設定日時"},
        {"DTPDate", DATETIMEPICK_CLASSW, DTS_SHORTDATEFORMAT | WS_TABSTOP, ""},
        {"DTPTime", DATETIMEPICK_CLASSW, DTS_TIMEFORMAT | DTS_UPDOWN | WS_TABSTOP, ""},
        {"ChkIkkatu", WC_BUTTONW, BS_AUTOCHECKBOX | WS_TABSTOP, "フォルダ内一括処理"},
        {"ChkHoji", WC_BUTTONW, BS_AUTOCHECKBOX | WS_TABSTOP, "時分秒は保持する"},
        {"ChkUme", WC_BUTTONW, BS_AUTOCHECKBOX | WS_TABSTOP, "指定した埋込日付の写真全てを対象"},
        {"DTPumeDate", DATETIMEPICK_CLASSW, DTS_SHORTDATEFORMAT | WS_TABSTOP, ""},
        {"CmdExe", WC_BUTTONW, BS_PUSHBUTTON | BS_BITMAP | WS_TABSTOP, " 埋込日付設定実行"},
    };
    for (const Kind& k : kinds) {
        const ControlPlace* at = nullptr;
        for (const ControlPlace& c : MainControls())
            if (std::string(c.name) == k.name) at = &c;
        HWND parent = at && *at->container ? control(at->container) : hwnd_;
        HWND w = CreateWindowExW(0, k.cls, W(k.text).c_str(), child | k.style, 0, 0, 0, 0, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(k.name))),
                                 GetModuleHandleW(nullptr), nullptr);
        controls_[k.name] = w;
        SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        SetWindowSubclass(w, &FrmMain::ControlProc, 1, reinterpret_cast<DWORD_PTR>(this));
        if (at) place(k.name, at->rect);
    }
    // Frames draw their border; the background does not.
    for (const char* frame : {"Frame2", "FraSet"})
        SetWindowLongPtrW(control(frame), GWLP_USERDATA, 1);
    ShowWindow(control("Image2"), SW_HIDE);
    for (const char* picker : {"DTPDate", "DTPumeDate"})
        SendMessageW(control(picker), DTM_SETFORMATW, 0,
                     reinterpret_cast<LPARAM>(L"yyyy'/'MM'/'dd"));
    SendMessageW(control("DTPTime"), DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(L"HH':'mm':'ss"));
    const SYSTEMTIME first = SystemTimeOf(1601, 1, 1), last = SystemTimeOf(9999, 12, 31);
    const SYSTEMTIME range[2] = {first, last};
    for (const char* picker : {"DTPDate", "DTPumeDate"})
        SendMessageW(control(picker), DTM_SETRANGE, GDTR_MIN | GDTR_MAX,
                     reinterpret_cast<LPARAM>(range));
    enable("DTPumeDate", false);
    SendMessageW(control("CmdExe"), WM_SETFONT, reinterpret_cast<WPARAM>(bold_), FALSE);
    // The folder list's pictures: the system's own folder, closed and open.
    for (auto [id, icon] :
         {std::pair{SIID_FOLDER, &folderClosed_}, std::pair{SIID_FOLDEROPEN, &folderOpen_}}) {
        SHSTOCKICONINFO info{};
        info.cbSize = sizeof info;
        if (SUCCEEDED(SHGetStockIconInfo(id, SHGSI_ICON | SHGSI_SMALLICON, &info)))
            *icon = info.hIcon;
    }
    // Where the system has no stock pictures (older systems, Wine): a folder's picture as the
    // shell gives it for any folder.
    for (auto [flags, icon] :
         {std::pair{0u, &folderClosed_}, std::pair{0u + SHGFI_OPENICON, &folderOpen_}}) {
        SHFILEINFOW info{};
        if (!*icon &&
            SHGetFileInfoW(L"folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                           SHGFI_USEFILEATTRIBUTES | SHGFI_ICON | SHGFI_SMALLICON | flags))
            *icon = info.hIcon;
    }
    SendMessageW(control("Dir1"), LB_SETITEMHEIGHT, 0, 18);

    // The tool bar over the top of the client area, the status bar at its foot.
    toolbar_ = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr,
                               WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS |
                                   CCS_NORESIZE | CCS_NODIVIDER | CCS_NOPARENTALIGN,
                               0, 0, 0, 0, hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(toolbar_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    imageList1_ = MakeImageList1(32);
    SendMessageW(toolbar_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(imageList1_));
    TBBUTTON buttons[] = {
        {ToolbarImage(Art::Up), kToolUp, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {0, 0, 0, BTNS_SEP, {}, 0, 0},
        {ToolbarImage(Art::Preview), kToolPhotoBig, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {0, 0, 0, BTNS_SEP, {}, 0, 0},
        {ToolbarImage(Art::Help), kToolHelp, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {ToolbarImage(Art::Close), kToolClose, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0}};
    SendMessageW(toolbar_, TB_ADDBUTTONSW, std::size(buttons), reinterpret_cast<LPARAM>(buttons));
    status_ = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                              hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
    // The thumbnail's tooltip.
    tooltip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                               hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
    TTTOOLINFOW tip{};
    tip.cbSize = sizeof tip;
    tip.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tip.hwnd = hwnd_;
    tip.uId = reinterpret_cast<UINT_PTR>(control("Image2"));
    tip.lpszText = const_cast<wchar_t*>(L"ダブルクリックで写真表示");
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tip));
    // The information's: the XMP and IPTC shooting dates that say otherwise, when any do.
    tip.uId = reinterpret_cast<UINT_PTR>(control("txt_Exif_Info"));
    tip.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tip));
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 600); // lines at their line feeds
    thumbs_ = std::make_unique<ThumbnailPane>(control("Image2"), control("PicBack"), hwnd_);
}

void FrmMain::buildMenus() {
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, kMnuShift, L"日時をずらす(&S)...");
    AppendMenuW(file, MF_STRING, kMnuFileTime, L"ファイル日付を撮影日時に合わせる(&F)");
    AppendMenuW(file, MF_STRING, kMnuUndo, L"元に戻す(&U)...");
    AppendMenuW(file, MF_STRING, kMnuLogFolder, L"ログフォルダを開く(&L)");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file, MF_STRING, kMnuAllCopies, W(kAllCopiesItem.caption).c_str());
    AppendMenuW(file, MF_STRING, kMnuAllKinds, W(kAllKindsItem.caption).c_str());
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file, MF_STRING, kMnuEnd, L"終了(&X)");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"ファイル(&F)");
    AppendMenuW(bar, MF_STRING, kMnuPhotoBig, L"画像プレビュー(&P)");
    HMENU help = CreatePopupMenu();
    AppendMenuW(help, MF_STRING, kMnuHelpHelp, L"ヘルプ(&H)");
    AppendMenuW(help, MF_STRING, kMnuAbout, L"バージョン情報(&A)");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"ヘルプ(&H)");
    SetMenu(hwnd_, bar);
}

// ---- start-up and shut-down ----

bool FrmMain::Form_Load() {
    // One copy per user session; a second start says so and brings the running copy forward.
    if (!singleCopy_.acquire()) {
        Tell(nullptr, MessageRequest{"すでに起動しています。", kAppTitle, MessageIcon::Information,
                                     MessageButtons::Ok});
        singleCopy_.bringRunningCopyForward();
        return false;
    }
    hwnd_ =
        CreateWindowExW(0, kMainWindowClass, W(MainCaption()).c_str(), WS_OVERLAPPEDWINDOW, 0, 0,
                        TwipsToPixels(kDesignClientWidth), TwipsToPixels(kDesignClientHeight),
                        nullptr, nullptr, GetModuleHandleW(nullptr), this);
    if (!hwnd_) return false;
    buildMenus();
    buildControls();

    SYSTEMTIME now{};
    GetLocalTime(&now);
    now.wMilliseconds = 0;
    for (const char* picker : {"DTPDate", "DTPTime", "DTPumeDate"})
        SendMessageW(control(picker), DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&now));

    const std::string installRoot = GetDriveRoot(ProgramFolder());
    auto fail = [this](const RunError& e) {
        tell(MessageRequest{std::to_string(e.number), kAppTitle, MessageIcon::Exclamation,
                            MessageButtons::Ok});
        return true;
    };
    // Window bounds in twips, outer frame.
    auto number = [](const SettingKey& k) {
        return SettingNumber(GetReg(k.key, SettingText(k.defaultNumber)));
    };
    auto top = number(kWindowTop);
    if (!top) return fail(top.error());
    auto left = number(kWindowLeft);
    if (!left) return fail(left.error());
    RECT outer;
    GetWindowRect(hwnd_, &outer);
    Rect at{TwipsToPixels(left.value()), TwipsToPixels(top.value()), outer.right - outer.left,
            outer.bottom - outer.top};
    SetWindowPos(hwnd_, nullptr, at.left, at.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    auto width = number(kWindowWidth);
    if (!width) return fail(width.error());
    auto height = number(kWindowHeight);
    if (!height) return fail(height.error());
    at = OnAScreen({at.left, at.top, TwipsToPixels(width.value()), TwipsToPixels(height.value())},
                   Screens());
    SetWindowPos(hwnd_, nullptr, at.left, at.top, at.width, at.height, SWP_NOZORDER);

    auto start = ChooseStartFolder(GetReg(kFolderKey, ""), installRoot, readableFallbackFolder());
    if (!start) return fail(start.error());
    for (const MessageRequest& m : start->messages)
        tell(m);
    fillDrives();
    if (start->setDrive) setDrive(start->folder);
    checkItem(kMnuAllKinds,
              FlagSetting(kAllKindsKey, GetReg(kAllKindsKey.key, ""))); // before listing
    setFolder(start->folder);
    File1_PathChange();
    setAllCopies(FlagSetting(kAllCopiesKey, GetReg(kAllCopiesKey.key, "")));

    // The run button's face: its icon left of its caption, the pair centred.
    SendMessageW(control("CmdExe"), BM_SETIMAGE, IMAGE_ICON,
                 reinterpret_cast<LPARAM>(ArtIcon(Art::Run, 32)));
    cmdControl = std::make_unique<CommandButtonCT>();
    cmdControl->Load(control("CmdExe"));
    cmdControl->setPicturePosition(1);
    return true;
}

void FrmMain::close() {
    if (hwnd_) SendMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void FrmMain::Form_Unload() {
    if (!singleCopy_.held() || !hwnd_) return;
    // The bounds of the normal window, also when it is maximised or minimised.
    WINDOWPLACEMENT p{};
    p.length = sizeof p;
    GetWindowPlacement(hwnd_, &p);
    RECT r = p.rcNormalPosition;
    if (!IsIconic(hwnd_) && !IsZoomed(hwnd_)) GetWindowRect(hwnd_, &r);
    // The settings hold text: a folder whose name is no UTF-8 is kept as its nearest parent
    // that is.
    std::string folder = folder_;
    while (!IsUtf8(folder) && GetParentPath(folder) != folder)
        folder = GetParentPath(folder);
    // The window is closing: a store that refuses a value has nowhere left to be reported.
    (void)SetReg(kWindowTop.key, std::to_string(PixelsToTwips(r.top)));
    (void)SetReg(kWindowLeft.key, std::to_string(PixelsToTwips(r.left)));
    (void)SetReg(kWindowWidth.key, std::to_string(PixelsToTwips(r.right - r.left)));
    (void)SetReg(kWindowHeight.key, std::to_string(PixelsToTwips(r.bottom - r.top)));
    (void)SetReg(kFolderKey, IsUtf8(folder) ? folder : std::string());
    (void)SetReg(kAllCopiesKey.key, FlagText(allCopies()));
    (void)SetReg(kAllKindsKey.key, FlagText(allKinds()));
    CloseAllHelp();
}

// ---- messages ----

LRESULT CALLBACK FrmMain::Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<FrmMain*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        SetWindowLongPtrW(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = w;
    }
    auto* self = reinterpret_cast<FrmMain*>(GetWindowLongPtrW(w, GWLP_USERDATA));
    return self ? self->handle(msg, wp, lp) : DefWindowProcW(w, msg, wp, lp);
}

LRESULT CALLBACK FrmMain::ControlProc(HWND w, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                      DWORD_PTR data) {
    auto* self = reinterpret_cast<FrmMain*>(data);
    if ((msg == WM_KEYDOWN || msg == WM_CHAR) && self->controlKey(w, msg, wp)) return 0;
    const LRESULT done = DefSubclassProc(w, msg, wp, lp);
    if (msg == WM_LBUTTONUP) {
        // After the click toggled it: the coupling of the options runs on the mouse only.
        if (w == self->control("ChkIkkatu")) self->ChkIkkatu_MouseUp();
        if (w == self->control("ChkHoji")) self->ChkHoji_MouseUp();
        if (w == self->control("ChkUme")) self->ChkUme_MouseUp();
    }
    if (msg == WM_MOUSEMOVE && w == self->control("Image2")) self->Image2_MouseMove();
    if (msg == WM_KILLFOCUS && w == self->control("Drive1")) {
        self->fillDrives();
    }
    return done;
}

bool FrmMain::controlKey(HWND w, UINT msg, WPARAM wp) {
    const bool ctrl = GetKeyState(VK_CONTROL) < 0, shift = GetKeyState(VK_SHIFT) < 0,
               alt = GetKeyState(VK_MENU) < 0;
    const int key = static_cast<int>(wp);
    if (w == control("File1")) {
        const BrowseKey k = msg == WM_KEYDOWN ? KeyDown(BrowseList::File, key, ctrl, shift, alt)
                                              : KeyPress(BrowseList::File, key);
        browseKey(k);
        return k.consumed;
    }
    if (w == control("Dir1")) {
        if (msg == WM_CHAR && key > 32 && !(key == 8 || key == 13)) {
            // Typing letters moves to the next folder whose name starts with them.
            const DWORD now = GetTickCount();
            if (now - typedAt_ > 1000) typed_.clear();
            typedAt_ = now;
            typed_ += N(std::wstring(1, static_cast<wchar_t>(key)));
            std::vector<std::string> shown;
            for (const FolderRow& r : rows_)
                shown.push_back(r.shown);
            const int cur = static_cast<int>(SendMessageW(w, LB_GETCURSEL, 0, 0));
            const int row = TypeToJump(shown, cur, typed_);
            if (row >= 0) SendMessageW(w, LB_SETCURSEL, row, 0);
            return true;
        }
        const BrowseKey k = msg == WM_KEYDOWN ? KeyDown(BrowseList::Folder, key, ctrl, shift, alt)
                                              : KeyPress(BrowseList::Folder, key);
        browseKey(k);
        return k.consumed;
    }
    if (w == control("Drive1") && msg == WM_KEYDOWN) {
        browseKey(KeyDown(BrowseList::Drive, key, ctrl, shift, alt));
        return false;
    }
    return false;
}

LRESULT FrmMain::handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_COMMAND:
        command(LOWORD(wp), HIWORD(wp));
        return 0;
    case WM_NOTIFY:
        return 0;
    case WM_SIZE:
        if (wp != SIZE_MINIMIZED) Form_Resize();
        return 0;
    case WM_GETMINMAXINFO: {
        // Drags keep the smallest outer size, as far as the screen has room.
        auto* m = reinterpret_cast<MINMAXINFO*>(lp);
        m->ptMinTrackSize = {TwipsToPixels(kMinOuterWidth), TwipsToPixels(kMinOuterHeight)};
        return 0;
    }
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wp);
        HWND c = reinterpret_cast<HWND>(lp);
        if (c == control("txt_Exif_Info")) { // read-only, yet white as the text it holds
            SetBkColor(dc, GetSysColor(COLOR_WINDOW));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        }
        if (c == control("PicBack")) {
            // A note in place of a photo that cannot be shown, light on the dark frame.
            SetTextColor(dc, GetSysColor(COLOR_BTNFACE));
            SetBkColor(dc, GetSysColor(COLOR_BTNTEXT));
            return reinterpret_cast<LRESULT>(dark_);
        }
        if (c == control("lbl_Back") || c == control("lbl_Settei")) {
            SetBkColor(dc, RGB(0xFF, 0xFF, 0xC0));
            return reinterpret_cast<LRESULT>(yellow_);
        }
        if (c == control("lbl_File_Info") || c == control("Label1")) {
            // White on the title bar under it.
            SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
            SetBkMode(dc, TRANSPARENT);
            return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        }
        return DefWindowProcW(hwnd_, msg, wp, lp);
    }
    case WM_DRAWITEM: {
        auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
        if (d->hwndItem == control("Dir1")) {
            drawFolderRow(*d);
            return TRUE;
        }
        PaintGradientBar(d->hDC, d->rcItem);
        return TRUE;
    }
    case WM_CLOSE:
        Form_Unload();
        DestroyWindow(hwnd_);
        return 0;
    case WM_ENDSESSION:
        if (wp) Form_Unload();
        return 0;
    case WM_DESTROY:
        hwnd_ = nullptr;
        PostQuitMessage(0);
        return 0;
    default:
        if (msg == kThumbnailDecoded) {
            thumbs_->decoded();
            return 0;
        }
        return DefWindowProcW(hwnd_, msg, wp, lp);
    }
}

void FrmMain::command(int id, int code) {
    if (id == ControlId("Drive1") && code == CBN_SELCHANGE) return Drive1_Change();
    if (id == ControlId("Dir1") && code == LBN_DBLCLK)
        return Dir1_Open(static_cast<int>(SendMessageW(control("Dir1"), LB_GETCURSEL, 0, 0)));
    if (id == ControlId("File1") && code == LBN_SELCHANGE) return File1_Click();
    if (id == ControlId("File1") && code == LBN_DBLCLK) return File1_DblClick();
    if (id == ControlId("Image2") && code == STN_DBLCLK) return File1_DblClick();
    if (id == ControlId("CmdExe") && code == BN_CLICKED) return CmdExe_Click();
    switch (id) {
    case kMnuShift:
        return mnuShift_Click();
    case kMnuFileTime:
        return mnuFileTime_Click();
    case kMnuUndo:
        return mnuUndo_Click();
    case kMnuLogFolder:
        return mnuLogFolder_Click();
    case kMnuEnd:
        return mnuEnd_Click();
    case kMnuPhotoBig:
        return mnuPhotoBig_Click();
    case kMnuHelpHelp:
        return mnuHelpHelp_Click();
    case kMnuAbout:
        return mnuAbout_Click();
    case kMnuAllCopies:
        return setAllCopies(!allCopies());
    case kMnuAllKinds:
        checkItem(kMnuAllKinds, !allKinds());
        return fillFiles();
    default:
        if (*ToolKey(id)) Toolbar_ButtonClick(ToolKey(id));
    }
}

void FrmMain::Toolbar_ButtonClick(const std::string& key) {
    switch (ToolbarCommandOf(key)) {
    case ToolbarCommand::Up:
        return Dir1_KeyPress(8);
    case ToolbarCommand::Viewer:
        return File1_DblClick();
    case ToolbarCommand::Help:
        return mnuHelpHelp_Click();
    case ToolbarCommand::Close:
        return mnuEnd_Click();
    case ToolbarCommand::None:
        return;
    }
}

void FrmMain::mnuHelpHelp_Click() {
    OpenHelp(hwnd_);
}

void FrmMain::mnuAbout_Click() {
    ShowAbout(hwnd_);
}

// ---- layout ----

void FrmMain::Form_Resize() {
    if (!hwnd_ || IsIconic(hwnd_) || controls_.empty()) return;
    RECT c;
    GetClientRect(hwnd_, &c);
    MoveWindow(toolbar_, 0, 0, c.right, TwipsToPixels(600), TRUE);
    SendMessageW(status_, WM_SIZE, 0, 0);
    RECT sb;
    GetWindowRect(status_, &sb);
    const int parts[] = {std::max(1, static_cast<int>(c.right) - 120), -1};
    SendMessageW(status_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
    if (!IsZoomed(hwnd_)) {
        // Height first, then width; each correction's size change lays out again.
        const int run = ++layoutRuns_;
        RECT w;
        GetWindowRect(hwnd_, &w);
        const int outerW = PixelsToTwips(w.right - w.left),
                  outerH = PixelsToTwips(w.bottom - w.top);
        if (const auto fix = MinimumSizeCorrection(outerW, outerH)) {
            SetWindowPos(hwnd_, nullptr, 0, 0, TwipsToPixels(fix->width),
                         TwipsToPixels(fix->height), SWP_NOMOVE | SWP_NOZORDER);
            if (layoutRuns_ != run) return;
        }
    }
    ShowWindow(control("Image2"), SW_HIDE);
    for (const ControlPlace& p : LayOutMain(PixelsToTwips(c.right), PixelsToTwips(c.bottom)))
        if (std::string(p.name) != "Image2") place(p.name, p.rect);
    SetWindowPos(toolbar_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    File1_Click();
}

// ---- browsing ----

void FrmMain::fillDrives() {
    HWND box = control("Drive1");
    drives_ = SystemVolumes();
    SendMessageW(box, CB_RESETCONTENT, 0, 0);
    for (const Volume& v : drives_)
        SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(v.label).c_str()));
    if (drive_.empty() && !drives_.empty()) drive_ = drives_.front().root;
    for (size_t i = 0; i < drives_.size(); ++i)
        if (drives_[i].root == drive_) SendMessageW(box, CB_SETCURSEL, i, 0);
}

void FrmMain::setDrive(const std::string& path) {
    const std::string best = DriveOf(drives_, path);
    if (best == drive_) return fillDrives();
    drive_ = best;
    fillDrives();
    Drive1_Change();
}

void FrmMain::Drive1_Change() {
    const int at = static_cast<int>(SendMessageW(control("Drive1"), CB_GETCURSEL, 0, 0));
    if (at >= 0 && static_cast<size_t>(at) < drives_.size()) drive_ = drives_[at].root;
    // A drive opens at the folder the list last showed on it, as a bare drive does.
    if (!folder_.empty() && DriveOf(drives_, folder_) == drive_) return;
    if (setFolder(drive_)) return;
    // A drive that is gone or holds no medium gets the drive list's own message; a drive that is
    // there but cannot be read is named.
    auto presence = CheckFolderPresence(drive_);
    if (presence && presence.value() == FolderPresence::Present)
        tell(FolderUnreadableMessage(drive_));
    else
        tell(MessageRequest{"エラー", kAppTitle, MessageIcon::None, MessageButtons::Ok});
    if (!folder_.empty()) setDrive(folder_);
}

bool FrmMain::setFolder(const std::string& folder) {
    if (!CheckFolderReadable(folder)) return false;
    auto rows = FolderRows(folder);
    if (!rows) return false;
    const bool changed = folder != folder_;
    folder_ = folder;
    rows_ = std::move(rows.value());
    HWND list = control("Dir1");
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    int current = 0;
    for (size_t i = 0; i < rows_.size(); ++i) {
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(rows_[i].shown).c_str()));
        if (rows_[i].current) current = static_cast<int>(i);
    }
    SendMessageW(list, LB_SETCURSEL, current, 0);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    if (changed) Dir1_Change();
    return true;
}

// A row of the folder list: the folder's picture, open or closed, indented by its depth, and its
// name; the current folder's name in bold.
void FrmMain::drawFolderRow(const DRAWITEMSTRUCT& d) {
    if (d.itemID == static_cast<UINT>(-1) || d.itemID >= rows_.size()) return;
    const FolderRow& row = rows_[d.itemID];
    const bool selected = d.itemState & ODS_SELECTED;
    HDC dc = d.hDC;
    FillRect(dc, &d.rcItem, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    const int h = d.rcItem.bottom - d.rcItem.top;
    int x = d.rcItem.left + 2 + row.indent * 8;
    if (HICON icon = row.open ? folderOpen_ : folderClosed_) {
        DrawIconEx(dc, x, d.rcItem.top + (h - 16) / 2, icon, 16, 16, 0, nullptr, DI_NORMAL);
        x += 20;
    }
    RECT text = d.rcItem;
    text.left = x;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    HGDIOBJ was = SelectObject(dc, row.current ? bold_ : font_);
    DrawTextW(dc, W(row.shown).c_str(), -1, &text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, was);
    if (d.itemState & ODS_FOCUS) DrawFocusRect(dc, &d.rcItem);
}

void FrmMain::Dir1_Change() {
    fillFiles();
    SendMessageW(status_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(W(Shown(folder_)).c_str()));
    // The drive list shows the volume of the folder shown, however the folder was reached.
    setDrive(folder_);
    File1_PathChange();
}

void FrmMain::fillFiles() {
    auto entries = FileEntries(folder_, allKinds() ? Listing::Everything : Listing::Jpeg);
    files_ = entries ? std::move(entries.value()) : std::vector<FileEntry>{};
    HWND list = control("File1");
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const FileEntry& e : files_)
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(e.shown).c_str()));
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

bool FrmMain::openFolder(const std::string& folder) {
    if (folder.empty() || setFolder(folder)) return true;
    tell(FolderUnreadableMessage(folder));
    return false;
}

void FrmMain::keepReadableFolder() {
    if (folder_.empty() || CheckFolderReadable(folder_)) return;
    tell(FolderUnreadableMessage(folder_));
    for (std::string up = folder_;;) {
        const std::string parent = GetParentPath(up);
        if (setFolder(parent)) return;
        if (parent == up) break;
        up = parent;
    }
    setFolder(readableFallbackFolder());
}

std::string FrmMain::readableFallbackFolder() const {
    wchar_t profile[MAX_PATH] = L"";
    GetEnvironmentVariableW(L"USERPROFILE", profile, MAX_PATH);
    const std::string home = N(profile);
    return !home.empty() && CheckFolderReadable(home) ? home : GetDriveRoot(ProgramFolder());
}

void FrmMain::browseKey(const BrowseKey& k) {
    if (k.processEvents) {
        MSG m;
        while (PeekMessageW(&m, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
            DispatchMessageW(&m);
    }
    if (k.refreshDrives) fillDrives();
    if (k.refreshFiles) keepReadableFolder();
    if (k.refreshFolders) setFolder(folder_);
    if (k.refreshFiles) fillFiles();
    if (k.selectFirst && !files_.empty()) selectFile(0);
    if (k.selectAll)
        for (int i = 0; i < static_cast<int>(files_.size()); ++i)
            selectFile(i);
    if (k.up) openFolder(GetParentPath(folder_));
    if (k.open) Dir1_Open(static_cast<int>(SendMessageW(control("Dir1"), LB_GETCURSEL, 0, 0)));
}

void FrmMain::Dir1_KeyPress(int character) {
    browseKey(KeyPress(BrowseList::Folder, character));
}

void FrmMain::Dir1_Open(int index) {
    if (index >= 0 && static_cast<size_t>(index) < rows_.size()) openFolder(rows_[index].path);
}

int FrmMain::currentFile() const {
    const int caret = static_cast<int>(SendMessageW(control("File1"), LB_GETCARETINDEX, 0, 0));
    if (caret < 0 || static_cast<size_t>(caret) >= files_.size()) return -1;
    // The caret stands on entry 0 of any list: it is current once something was selected.
    const int selected = static_cast<int>(SendMessageW(control("File1"), LB_GETSELCOUNT, 0, 0));
    return selected > 0 ? caret : -1;
}

std::vector<bool> FrmMain::selectedFiles() const {
    std::vector<bool> out(files_.size(), false);
    for (size_t i = 0; i < files_.size(); ++i)
        out[i] = SendMessageW(control("File1"), LB_GETSEL, i, 0) > 0;
    return out;
}

void FrmMain::selectFile(int index) {
    HWND list = control("File1");
    SendMessageW(list, LB_SETSEL, TRUE, index);
    SendMessageW(list, LB_SETCARETINDEX, index, FALSE);
    File1_Click(); // a selection by the program runs the click handler as the user's does
}

void FrmMain::File1_PathChange() {
    if (files_.empty()) {
        setExifInfo("");
        clearThumbnail();
    } else {
        selectFile(0);
    }
}

// ---- information panel and thumbnail ----

void FrmMain::setExifInfo(const std::string& crlfText, const std::string& tip) {
    SetWindowTextW(control("txt_Exif_Info"), W(crlfText).c_str());
    const std::wstring text = W(tip);
    TTTOOLINFOW t{};
    t.cbSize = sizeof t;
    t.hwnd = hwnd_;
    t.uId = reinterpret_cast<UINT_PTR>(control("txt_Exif_Info"));
    t.lpszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&t));
}

std::string FrmMain::exifInfoTip() const {
    wchar_t text[1024] = L"";
    TTTOOLINFOW t{};
    t.cbSize = sizeof t;
    t.hwnd = hwnd_;
    t.uId = reinterpret_cast<UINT_PTR>(control("txt_Exif_Info"));
    t.lpszText = text;
    SendMessageW(tooltip_, TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&t));
    return N(text);
}

bool FrmMain::itemChecked(int id) const {
    return GetMenuState(GetSubMenu(GetMenu(hwnd_), 0), id, MF_BYCOMMAND) & MF_CHECKED;
}

void FrmMain::checkItem(int id, bool on) {
    CheckMenuItem(GetSubMenu(GetMenu(hwnd_), 0), id,
                  MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

bool FrmMain::allCopies() const {
    return itemChecked(kMnuAllCopies);
}

void FrmMain::setAllCopies(bool on) {
    checkItem(kMnuAllCopies, on);
}

bool FrmMain::allKinds() const {
    return itemChecked(kMnuAllKinds);
}

std::string FrmMain::exifInfoText() const {
    return TextOf(control("txt_Exif_Info"));
}

void FrmMain::clearThumbnail() {
    thumbs_->clear();
}

bool FrmMain::waitForThumbnail(int timeoutMs) {
    return thumbs_->wait(timeoutMs);
}

void FrmMain::File1_Click() {
    if (inRun_) { // the run redraws the panel once, when it ends
        panelPending_ = true;
        return;
    }
    const int current = currentFile();
    const std::string name = current >= 0 ? files_[current].name : std::string();
    const std::string path = JoinPath(folder_, name);
    const std::vector<bool> selected = selectedFiles();
    const bool others =
        std::count(selected.begin(), selected.end(), true) > (current >= 0 && selected[current]);
    switch (PanelActionFor(!name.empty(), !name.empty() && IsFile(path), others)) {
    case PanelAction::Refresh:
        tell(MessageRequest{kFolderChanged, kAppTitle, MessageIcon::Information,
                            MessageButtons::Ok});
        fillFiles();
        return;
    case PanelAction::Empty:
        setExifInfo("");
        return;
    case PanelAction::ClearThumbnail:
        setExifInfo("");
        clearThumbnail();
        return;
    case PanelAction::Show:
        break;
    }
    setExifInfo("");
    std::vector<PhotoDate> dates;
    auto read = ReadExifInfo(JoinPath(folder_, ""), name, &dates);
    if (!read) {
        // A photo that cannot be read is said in the thumbnail's place, not in a message box.
        clearThumbnail();
        thumbs_->note(PhotoReadFailure(read.error()));
        return;
    }
    const LocalDateTime modified = LocalFromUnix(read->modifiedUnix);
    const std::string panel = PanelTextFor(read.value(), modified);
    setExifInfo(panel, CopiesDisagreeText(dates));
    thumbs_->fit(path, &read.value()); // one that cannot be shown keeps its text
}

void FrmMain::File1_DblClick() {
    waitForThumbnail(); // whether the thumbnail holds a picture is known once it is decoded
    const int current = currentFile();
    if (!thumbs_->showsPicture() || current < 0) return;
    ShowViewer(hwnd_, JoinPath(folder_, files_[current].name));
}

void FrmMain::Image2_MouseMove() {
    TTTOOLINFOW tip{};
    tip.cbSize = sizeof tip;
    tip.hwnd = hwnd_;
    tip.uId = reinterpret_cast<UINT_PTR>(control("Image2"));
    tip.lpszText = const_cast<wchar_t*>(exifInfoText().empty() ? L"" : L"ダブルクリックで写真表示");
    SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tip));
}

// ---- options ----

bool FrmMain::checked(const char* box) const {
    return SendMessageW(control(box), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void FrmMain::setChecked(const char* box, bool on) {
    SendMessageW(control(box), BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

void FrmMain::enable(const char* name, bool on) {
    EnableWindow(control(name), on);
}

void FrmMain::ChkIkkatu_MouseUp() {
    if (!checked("ChkIkkatu")) return;
    setChecked("ChkHoji", true);
    enable("DTPTime", false);
}

void FrmMain::ChkHoji_MouseUp() {
    enable("DTPTime", !checked("ChkHoji"));
}

void FrmMain::ChkUme_MouseUp() {
    if (checked("ChkUme")) {
        setChecked("ChkIkkatu", true);
        setChecked("ChkHoji", true);
        enable("DTPTime", false);
        enable("DTPumeDate", true);
    } else {
        enable("DTPumeDate", false);
    }
}

// ---- commands of the file menu ----

void FrmMain::mnuShift_Click() {
    const int current = currentFile();
    ShiftPhoto photo;
    if (current >= 0) {
        // The current photo as it is now: the preview is its shooting date moved, and it can be
        // the reference of its camera's clock.
        photo.name = files_[current].shown;
        auto read = ReadCameraFields(JoinPath(folder_, files_[current].name));
        photo.read = read.ok();
        if (read) photo.fields = read.value();
    }
    const CameraIdentity camera = CameraOf(photo.fields);
    const auto choice =
        AskShift(hwnd_, photo, targetCount(false), targetCount(true), checked("ChkIkkatu"),
                 [&](const ShiftChoice& c) {
                     const int count = targetCount(c.folderMode);
                     // With nothing to ask about, it is told once it has closed.
                     return count == 0 || tell(ShiftQuestion(c.folderMode, count, c.seconds,
                                                             c.byReference ? &camera : nullptr));
                 });
    if (!choice) return;
    if (targetCount(choice->folderMode) == 0) {
        tell(NothingToDoMessage());
        return;
    }
    const ShiftOptions shift{choice->seconds, {}, allCopies()};
    runPhotos(*MakeShift(shift, choice->byReference ? &camera : nullptr), RunCommand::Shift,
              choice->folderMode);
}

void FrmMain::mnuFileTime_Click() {
    const bool folderMode = checked("ChkIkkatu");
    const int count = targetCount(folderMode);
    if (count == 0) {
        tell(NothingToDoMessage());
        return;
    }
    if (!tell(FileTimeQuestion(folderMode, count))) return;
    runPhotos(*MakeFileTimeFromDate(), RunCommand::FileTime, folderMode);
}

void FrmMain::mnuUndo_Click() {
    // A photo of the list may have been put back: the panel shows it as it is now.
    ShowUndo(hwnd_, logFolder(), [this] { File1_Click(); });
}

void FrmMain::mnuLogFolder_Click() {
    const std::string folder = logFolder();
    std::error_code ec;
    std::filesystem::create_directories(ToFsPath(folder), ec);
    if (!std::filesystem::is_directory(ToFsPath(folder), ec)) {
        tell(MessageRequest{"ログフォルダを作成できません。\r\n" + folder, kAppTitle,
                            MessageIcon::Exclamation, MessageButtons::Ok});
        return;
    }
    const auto shown = reinterpret_cast<INT_PTR>(
        ShellExecuteW(hwnd_, L"open", W(folder).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    if (shown <= 32)
        tell(MessageRequest{"ログフォルダを開けません。\r\n" + folder, kAppTitle,
                            MessageIcon::Exclamation, MessageButtons::Ok});
}

// ---- the run ----

SetDatesOptions FrmMain::runOptions() const {
    const SYSTEMTIME d = PickerTime(control("DTPDate")), t = PickerTime(control("DTPTime")),
                     m = PickerTime(control("DTPumeDate"));
    SetDatesOptions o;
    o.date = {d.wYear, d.wMonth, d.wDay, 0, 0, 0};
    o.timeOfDay = {0, 0, 0, t.wHour, t.wMinute, t.wSecond};
    o.keepTime = checked("ChkHoji");
    o.matchDate = checked("ChkUme");
    o.matchDay = {m.wYear, m.wMonth, m.wDay, 0, 0, 0};
    o.allCopies = allCopies();
    return o;
}

void FrmMain::updateProgress(int done, int total) {
    SendMessageW(status_, SB_SETTEXTW, 1,
                 reinterpret_cast<LPARAM>(W(ProgressText(done, total)).c_str()));
    UpdateWindow(status_);
}

void FrmMain::CmdExe_Click() {
    if (const auto question = SetDatesQuestion(checked("ChkIkkatu"), checked("ChkHoji")))
        if (!tell(*question)) return;
    runPhotos(*MakeSetDates(runOptions()), RunCommand::SetDates, checked("ChkIkkatu"));
}

int FrmMain::targetCount(bool folderMode) const {
    if (folderMode) return static_cast<int>(files_.size());
    const std::vector<bool> selected = selectedFiles();
    return static_cast<int>(std::count(selected.begin(), selected.end(), true));
}

void FrmMain::runPhotos(const RunKind& kind, RunCommand command, bool folderMode) {
    const int total = static_cast<int>(files_.size());
    RunRequest request;
    std::vector<int> entryOf;
    const std::vector<bool> selected = selectedFiles();
    for (int i = 0; i < total; ++i) {
        const std::string path = JoinPath(folder_, files_[i].name);
        request.listed.push_back(path);
        if (folderMode || selected[static_cast<size_t>(i)]) {
            request.targets.push_back(path);
            entryOf.push_back(i);
        }
    }
    request.logFolder = logFolder();
    request.where = folder_;
    RunPolicy policy;
    policy.stopAtFirstError = true;
    policy.checkListedFilesExist = true;
    RunReport report(command, folderMode, checked("ChkUme"));

    bool panelDue = false;
    std::string noDatePath;
    int shownUpTo = -1;
    HWND list = control("File1");
    auto showSelection = [&](int upTo) {
        if (!folderMode || upTo <= shownUpTo) return;
        SendMessageW(list, LB_SELITEMRANGEEX, shownUpTo + 1, upTo);
        SendMessageW(list, LB_SETCARETINDEX, upTo, FALSE);
        shownUpTo = upTo;
    };
    auto showPanel = [&] {
        inRun_ = false;
        if (!panelDue) return;
        panelDue = false;
        if (report.panel() == RunReport::Panel::Redraw) {
            File1_Click();
        } else if (report.panel() == RunReport::Panel::NoDate) {
            setExifInfo(kNoDateInfo);
            clearThumbnail();
            thumbs_->fit(noDatePath);
        }
    };
    DWORD lastPaint = 0;
    RunHooks hooks;
    hooks.progress = [&](size_t target, size_t) {
        const int entry = entryOf[target];
        // Repainted at most ten times a second, without taking input: the run stays modal.
        if (GetTickCount() - lastPaint < 100) return;
        lastPaint = GetTickCount();
        updateProgress(entry + 1, total);
        showSelection(entry);
        UpdateWindow(list);
    };
    hooks.photoDone = [&](const PhotoOutcome& o) {
        const int entry = entryOf[o.index];
        DateChanged_ = o.plan.dates.DateChanged;
        const RunReport::Now now = report.photo(o, files_[entry].shown);
        panelDue = report.panel() != RunReport::Panel::Untouched;
        if (report.panel() == RunReport::Panel::NoDate) noDatePath = o.path;
        if (now.messages.empty()) return;
        // Before a message of the run appears, the list, the count and the panel show the photo
        // it speaks of.
        showSelection(entry);
        updateProgress(entry + 1, total);
        showPanel();
        if (now.refreshList) fillFiles();
        for (const MessageRequest& m : now.messages)
            tell(m);
        if (now.endsRun)
            updateProgress(0, 0);
        else
            inRun_ = true;
    };

    inRun_ = true;
    panelPending_ = false;
    const RunSummary summary = RunPhotos(kind, request, policy, hooks);
    inRun_ = false;
    panelPending_ = false;

    const RunReport::End end = report.finish(summary, request.logFolder);
    if (summary.stalePath.empty() && !report.endedByPhoto()) {
        if (folderMode) showSelection(total - 1);
        updateProgress(0, 0);
        showPanel();
    }
    if (end.refreshFirst) fillFiles();
    for (const MessageRequest& m : end.messages)
        tell(m);
    if (end.refreshAfter) {
        fillFiles();
        if (!files_.empty()) selectFile(0);
    }
    if (summary.stalePath.empty() && !report.endedByPhoto() && !summary.stoppedBy)
        DateChanged_ = false;
}

} // namespace tokimori
