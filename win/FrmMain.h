#pragma once
// The main window of the Windows face, on the Windows API itself: the same controls, names and
// rules as the Qt window, rendered from the presentation layer.

#include <map>
#include <string>

#include <windows.h>

namespace tokimori {

class FrmMain {
  public:
    FrmMain();
    ~FrmMain();
    FrmMain(const FrmMain&) = delete;
    FrmMain& operator=(const FrmMain&) = delete;

    // Makes the window (not yet shown) and runs start-up; false when another copy runs (the
    // message has been shown).
    bool Form_Load();
    HWND handle() const { return hwnd_; }
    // A control by its design name ("CmdExe", "File1", …); nullptr when there is none.
    HWND control(const std::string& name) const;

  private:
    static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);

    HWND hwnd_ = nullptr;
    std::map<std::string, HWND> controls_;
};

} // namespace tokimori
