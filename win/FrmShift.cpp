#include "win/FrmShift.h"

#include <algorithm>

#include <commctrl.h>

#include "filetime/LocalTime.h"
#include "run/DateKinds.h"
#include "view/Commands.h"
#include "win/Modal.h"
#include "win/Wide.h"

namespace tokimori {

namespace {

class FrmShift final : public Dialog {
  public:
    FrmShift(const ShiftPhoto& photo, int selected, int folder, bool folderMode,
             const std::function<bool(const ShiftChoice&)>& confirm)
        : photo_(photo), selected_(selected), folder_(folder), folderMode_(folderMode),
          confirm_(confirm) {}

  protected:
    void build() override {
        using T = ShiftTexts;
        add(WC_BUTTONW, T::kWay, BS_GROUPBOX, 0, 8, 6, 424, 46);
        add(WC_BUTTONW, T::kPlus, BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, kOptPlus, 20, 24, 140,
            20);
        add(WC_BUTTONW, T::kMinus, BS_AUTORADIOBUTTON, kOptMinus, 170, 24, 140, 20);
        CheckRadioButton(handle(), kOptPlus, kOptMinus, kOptPlus);
        add(WC_BUTTONW, T::kAmount, BS_GROUPBOX, 0, 8, 58, 424, 50);
        for (int i = 0; i < 4; ++i) {
            const int x = 20 + i * 102;
            HWND box = add(WC_EDITW, "0", ES_NUMBER | ES_RIGHT | WS_BORDER | WS_TABSTOP | WS_GROUP,
                           kTxtDays + i, x, 78, i == 0 ? 62 : 44, 22);
            HWND spin = add(UPDOWN_CLASSW, "", UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS, 0,
                            0, 0, 0, 0);
            SendMessageW(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(box), 0);
            SendMessageW(spin, UDM_SETRANGE32, 0, T::kMost[i]);
            SendMessageW(spin, UDM_SETPOS32, 0, 0);
            add(WC_STATICW, T::kUnits[i], 0, 0, x + (i == 0 ? 66 : 48), 81, 34, 20);
        }
        // 基準写真から: the current photo's true time, entered, gives the offset.
        add(WC_BUTTONW, "", BS_GROUPBOX, 0, 8, 114, 424, 122);
        add(WC_BUTTONW, T::kReference, BS_AUTOCHECKBOX | WS_GROUP | WS_TABSTOP, kChkReference, 16,
            112, 130, 20);
        add(WC_STATICW, "", SS_NOPREFIX, kLblRefPhoto, 20, 132, 400, 52); // three lines
        add(WC_STATICW, T::kTrueTime, 0, 0, 20, 191, 80, 20);
        HWND date = add(DATETIMEPICK_CLASSW, "", DTS_SHORTDATEFORMAT | WS_TABSTOP, kDtpTrueDate,
                        104, 188, 110, 22);
        HWND time = add(DATETIMEPICK_CLASSW, "", DTS_TIMEFORMAT | DTS_UPDOWN | WS_TABSTOP,
                        kDtpTrueTime, 220, 188, 90, 22);
        SendMessageW(date, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(L"yyyy'/'MM'/'dd"));
        SendMessageW(time, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(L"HH':'mm':'ss"));
        // It starts at the shooting date, so the offset starts at none.
        if (const auto shot = ParseDateText(photo_.fields.dateTimeOriginal)) {
            SYSTEMTIME t{};
            t.wYear = WORD(shot->year), t.wMonth = WORD(shot->month), t.wDay = WORD(shot->day);
            t.wHour = WORD(shot->hour), t.wMinute = WORD(shot->minute);
            t.wSecond = WORD(shot->second);
            for (HWND picker : {date, time})
                SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&t));
        }
        add(WC_STATICW, "", SS_NOPREFIX, kLblRefOffset, 20, 214, 400, 18);
        // A photo that cannot be the reference says why, and cannot be chosen.
        EnableWindow(GetDlgItem(handle(), kChkReference), reference().usable);
        add(WC_BUTTONW, T::kTargets, BS_GROUPBOX, 0, 8, 242, 424, 66);
        add(WC_BUTTONW, SelectedTargetsText(selected_), BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP,
            kOptSelected, 20, 260, 380, 20);
        add(WC_BUTTONW, FolderTargetsText(folder_), BS_AUTORADIOBUTTON, kOptFolder, 20, 282, 380,
            20);
        CheckRadioButton(handle(), kOptSelected, kOptFolder,
                         folderMode_ ? kOptFolder : kOptSelected);
        add(WC_BUTTONW, T::kPreview, BS_GROUPBOX, 0, 8, 314, 424, 62);
        add(WC_STATICW, "", SS_NOPREFIX, kLblPreview, 20, 332, 400, 38);
        add(WC_BUTTONW, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, IDOK, 262, 386, 80, 26);
        add(WC_BUTTONW, "キャンセル", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, 352, 386, 80, 26);
        update();
        SetFocus(GetDlgItem(handle(), kTxtHours));
    }

    void command(int id, int code) override {
        if (id == IDCANCEL) return end(IDCANCEL);
        if (id == IDOK) {
            const ShiftChoice choice{seconds(), folderMode(), byReference()};
            if (choice.seconds == 0 || (confirm_ && !confirm_(choice))) return;
            return end(IDOK);
        }
        if (code == EN_CHANGE || code == BN_CLICKED) update();
    }

    LRESULT message(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lp)->code == DTN_DATETIMECHANGE) {
            update();
            return 0;
        }
        return Dialog::message(msg, wp, lp);
    }

  private:
    bool byReference() const { return IsDlgButtonChecked(handle(), kChkReference) == BST_CHECKED; }
    std::string trueTime() const {
        SYSTEMTIME d{}, t{};
        SendMessageW(GetDlgItem(handle(), kDtpTrueDate), DTM_GETSYSTEMTIME, 0,
                     reinterpret_cast<LPARAM>(&d));
        SendMessageW(GetDlgItem(handle(), kDtpTrueTime), DTM_GETSYSTEMTIME, 0,
                     reinterpret_cast<LPARAM>(&t));
        return FormatDateText({d.wYear, d.wMonth, d.wDay, t.wHour, t.wMinute, t.wSecond});
    }
    ReferenceTexts reference() const {
        return ReferenceTextsOf(photo_.name, photo_.read, photo_.fields, trueTime());
    }
    int64_t seconds() const {
        if (byReference()) return reference().seconds.value_or(0);
        static const int64_t kUnit[4] = {86400, 3600, 60, 1};
        int64_t amount = 0;
        for (int i = 0; i < 4; ++i) {
            BOOL ok = FALSE;
            const UINT v = GetDlgItemInt(handle(), kTxtDays + i, &ok, FALSE);
            amount += (ok ? std::min<int64_t>(v, ShiftTexts::kMost[i]) : 0) * kUnit[i];
        }
        return IsDlgButtonChecked(handle(), kOptMinus) == BST_CHECKED ? -amount : amount;
    }
    bool folderMode() const { return IsDlgButtonChecked(handle(), kOptFolder) == BST_CHECKED; }
    void update() {
        const ReferenceTexts r = reference();
        SetDlgItemTextW(handle(), kLblRefPhoto, W(r.photo).c_str());
        SetDlgItemTextW(handle(), kLblRefOffset, W(r.offset).c_str());
        const bool by = byReference();
        for (int id : {int(kOptPlus), int(kOptMinus), int(kTxtDays), int(kTxtHours),
                       int(kTxtMinutes), int(kTxtSeconds)})
            EnableWindow(GetDlgItem(handle(), id), !by);
        for (int id : {int(kDtpTrueDate), int(kDtpTrueTime)})
            EnableWindow(GetDlgItem(handle(), id), by);
        const int64_t seconds = this->seconds();
        EnableWindow(GetDlgItem(handle(), IDOK), seconds != 0);
        SetDlgItemTextW(
            handle(), kLblPreview,
            W(ShiftPreview(photo_.name, photo_.read, photo_.fields.dateTimeOriginal, seconds))
                .c_str());
    }

    ShiftPhoto photo_;
    int selected_, folder_;
    bool folderMode_;
    std::function<bool(const ShiftChoice&)> confirm_;
};

} // namespace

std::optional<ShiftChoice> AskShift(HWND owner, const ShiftPhoto& photo, int selectedCount,
                                    int folderCount, bool folderMode,
                                    const std::function<bool(const ShiftChoice& choice)>& confirm) {
    ShiftChoice choice;
    // The choice is read when OK is pressed, before the dialog's window goes.
    const std::function<bool(const ShiftChoice&)> keep = [&](const ShiftChoice& c) {
        choice = c;
        return !confirm || confirm(c);
    };
    FrmShift asking(photo, selectedCount, folderCount, folderMode, keep);
    if (asking.run(owner, ShiftTexts::kCaption, 440, 420) != IDOK) return std::nullopt;
    return choice;
}

} // namespace tokimori
