#pragma once
// (Stand-in until the button lands.)
#include <windows.h>
namespace tokimori {
class CommandButtonCT {
  public:
    void Load(HWND b) { b_ = b; }
    void setPicture(HBITMAP) {}
    void setPicturePosition(int) {}

  private:
    HWND b_ = nullptr;
};
} // namespace tokimori
