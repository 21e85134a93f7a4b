#pragma once
// The version-information dialog: the program's icon, title, version and description, closed by
// its OK button (Enter and Esc press it). Modal over its owner and centred on it.

#include <map>
#include <string>

#include <windows.h>

namespace tokimori {

class FrmAbout {
  public:
    // Makes the dialog with its texts, not yet shown.
    explicit FrmAbout(HWND owner);
    ~FrmAbout();
    FrmAbout(const FrmAbout&) = delete;
    FrmAbout& operator=(const FrmAbout&) = delete;

    // Shows the dialog modally; returns once it is closed.
    void show();
    HWND handle() const { return hwnd_; }
    // A control by its design name ("picIcon", "lblTitle", "lblVersion", "lblDescription",
    // "cmdOK"); nullptr when there is none.
    HWND control(const std::string& name) const;

  private:
    static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT handle(UINT msg, WPARAM wp, LPARAM lp);
    void Form_Load();
    void cmdOK_Click();
    void paint();

    HWND owner_;
    HWND hwnd_ = nullptr;
    HICON icon_ = nullptr;
    HFONT font_ = nullptr;      // the dialog's text
    HFONT titleFont_ = nullptr; // lblTitle's, larger and bold
    std::map<std::string, HWND> controls_;
};

} // namespace tokimori
