#pragma once
// The Windows face's own dialogs: a window class whose messages go to an object, made modal
// over its owner (the owner disabled, messages handled until the dialog is done).

#include <functional>
#include <string>

#include <windows.h>

namespace tokimori {

class Dialog {
  public:
    virtual ~Dialog();
    // Makes the window (client size in pixels), centred on owner, and shows it modally until
    // end() is called; its result.
    int run(HWND owner, const std::string& caption, int width, int height);
    HWND handle() const { return hwnd_; }
    void end(int result);
    // Tests: called with each dialog once it shows (it answers it through window messages).
    static inline std::function<void(HWND dialog)> whenShown;
    // A child control with a text, at a place of the client area (pixels).
    HWND add(const wchar_t* cls, const std::string& text, DWORD style, int id, int x, int y, int w,
             int h);

  protected:
    // Makes the controls (the window exists).
    virtual void build() = 0;
    // A control's notification; the key of a dialog (Enter, Esc) arrives as IDOK, IDCANCEL.
    virtual void command(int id, int code) = 0;
    virtual LRESULT message(UINT msg, WPARAM wp, LPARAM lp);
    HFONT font() const;

  private:
    static LRESULT CALLBACK Proc(HWND w, UINT msg, WPARAM wp, LPARAM lp);
    HWND hwnd_ = nullptr;
    bool done_ = false;
    int result_ = 0;
    HFONT font_ = nullptr;
};

} // namespace tokimori
