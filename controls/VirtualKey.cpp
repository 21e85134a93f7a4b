#include "controls/VirtualKey.h"

namespace tokimori {

namespace {

struct KeyCode {
    int qt;
    short vk;
};

// Keys whose code is not their character.
constexpr KeyCode kKeys[] = {
    {Qt::Key_Backspace, 8},     {Qt::Key_Tab, 9},          {Qt::Key_Backtab, 9},
    {Qt::Key_Clear, 12},        {Qt::Key_Return, 13},      {Qt::Key_Enter, 13},
    {Qt::Key_Shift, 16},        {Qt::Key_Control, 17},     {Qt::Key_Alt, 18},
    {Qt::Key_Pause, 19},        {Qt::Key_CapsLock, 20},    {Qt::Key_Kana_Shift, 21},
    {Qt::Key_Kanji, 25},        {Qt::Key_Escape, 27},      {Qt::Key_Henkan, 28},
    {Qt::Key_Muhenkan, 29},     {Qt::Key_Space, 32},       {Qt::Key_PageUp, 33},
    {Qt::Key_PageDown, 34},     {Qt::Key_End, 35},         {Qt::Key_Home, 36},
    {Qt::Key_Left, 37},         {Qt::Key_Up, 38},          {Qt::Key_Right, 39},
    {Qt::Key_Down, 40},         {Qt::Key_Select, 41},      {Qt::Key_Printer, 42},
    {Qt::Key_Execute, 43},      {Qt::Key_Print, 44},       {Qt::Key_Insert, 45},
    {Qt::Key_Delete, 46},       {Qt::Key_Help, 47},        {Qt::Key_Meta, 91},
    {Qt::Key_Super_L, 91},      {Qt::Key_Super_R, 92},     {Qt::Key_Menu, 93},
    {Qt::Key_Sleep, 95},        {Qt::Key_NumLock, 144},    {Qt::Key_ScrollLock, 145},
    {Qt::Key_Semicolon, 186},   {Qt::Key_Colon, 186},      {Qt::Key_Plus, 187},
    {Qt::Key_Equal, 187},       {Qt::Key_Comma, 188},      {Qt::Key_Less, 188},
    {Qt::Key_Minus, 189},       {Qt::Key_Underscore, 189}, {Qt::Key_Period, 190},
    {Qt::Key_Greater, 190},     {Qt::Key_Slash, 191},      {Qt::Key_Question, 191},
    {Qt::Key_QuoteLeft, 192},   {Qt::Key_AsciiTilde, 192}, {Qt::Key_At, 192},
    {Qt::Key_BracketLeft, 219}, {Qt::Key_BraceLeft, 219},  {Qt::Key_Backslash, 220},
    {Qt::Key_Bar, 220},         {Qt::Key_yen, 220},        {Qt::Key_BracketRight, 221},
    {Qt::Key_BraceRight, 221},  {Qt::Key_Apostrophe, 222}, {Qt::Key_QuoteDbl, 222},
    {Qt::Key_AsciiCircum, 222},
};

// Shifted digits on a US layout share their digit's key.
constexpr KeyCode kShiftedDigits[] = {
    {Qt::Key_ParenRight, '0'}, {Qt::Key_Exclam, '1'},    {Qt::Key_NumberSign, '3'},
    {Qt::Key_Dollar, '4'},     {Qt::Key_Percent, '5'},   {Qt::Key_Ampersand, '7'},
    {Qt::Key_Asterisk, '8'},   {Qt::Key_ParenLeft, '9'},
};

} // namespace

short VirtualKeyCode(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::KeypadModifier) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9) return short(96 + (key - Qt::Key_0));
        switch (key) {
        case Qt::Key_Asterisk:
            return 106;
        case Qt::Key_Plus:
            return 107;
        case Qt::Key_Minus:
            return 109;
        case Qt::Key_Period:
        case Qt::Key_Comma:
            return 110;
        case Qt::Key_Slash:
            return 111;
        default:
            break; // Enter, arrows and the rest as on the main block
        }
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return short(key); // 65..90, as 'A'..'Z'
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return short(key); // 48..57
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return short(112 + (key - Qt::Key_F1));
    for (const KeyCode& k : kKeys)
        if (k.qt == key) return k.vk;
    for (const KeyCode& k : kShiftedDigits)
        if (k.qt == key) return k.vk;
    return 0;
}

} // namespace tokimori
