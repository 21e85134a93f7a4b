#include "win/FrmShift.h"

#include <algorithm>

#include <commctrl.h>

#include "view/Commands.h"
#include "win/Modal.h"
#include "win/Wide.h"

namespace tokimori {

namespace {

class FrmShift final : public Dialog {
  public:
    FrmShift(const ShiftPhoto& photo, int selected, int folder, bool folderMode,
             const std::function<bool(int64_t, bool)>& confirm)
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
        add(WC_BUTTONW, T::kTargets, BS_GROUPBOX, 0, 8, 114, 424, 66);
        add(WC_BUTTONW, SelectedTargetsText(selected_), BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP,
            kOptSelected, 20, 132, 380, 20);
        add(WC_BUTTONW, FolderTargetsText(folder_), BS_AUTORADIOBUTTON, kOptFolder, 20, 154, 380,
            20);
        CheckRadioButton(handle(), kOptSelected, kOptFolder,
                         folderMode_ ? kOptFolder : kOptSelected);
        add(WC_BUTTONW, T::kPreview, BS_GROUPBOX, 0, 8, 186, 424, 62);
        add(WC_STATICW, "", SS_NOPREFIX, kLblPreview, 20, 204, 400, 38);
        add(WC_BUTTONW, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, IDOK, 262, 258, 80, 26);
        add(WC_BUTTONW, "キャンセル", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL, 352, 258, 80, 26);
        update();
        SetFocus(GetDlgItem(handle(), kTxtHours));
    }

    void command(int id, int code) override {
        if (id == IDCANCEL) return end(IDCANCEL);
        if (id == IDOK) {
            const int64_t by = seconds();
            if (by == 0 || (confirm_ && !confirm_(by, folderMode()))) return;
            return end(IDOK);
        }
        if (code == EN_CHANGE || code == BN_CLICKED) update();
    }

  private:
    int64_t seconds() const {
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
        const int64_t by = seconds();
        EnableWindow(GetDlgItem(handle(), IDOK), by != 0);
        SetDlgItemTextW(handle(), kLblPreview,
                        W(ShiftPreview(photo_.name, photo_.read, photo_.embeddedDate, by)).c_str());
    }

    ShiftPhoto photo_;
    int selected_, folder_;
    bool folderMode_;
    std::function<bool(int64_t, bool)> confirm_;
};

} // namespace

std::optional<ShiftChoice>
AskShift(HWND owner, const ShiftPhoto& photo, int selectedCount, int folderCount, bool folderMode,
         const std::function<bool(int64_t seconds, bool folderMode)>& confirm) {
    ShiftChoice choice;
    // The choice is read when OK is pressed, before the dialog's window goes.
    const std::function<bool(int64_t, bool)> keep = [&](int64_t s, bool f) {
        choice = {s, f};
        return !confirm || confirm(s, f);
    };
    FrmShift asking(photo, selectedCount, folderCount, folderMode, keep);
    if (asking.run(owner, ShiftTexts::kCaption, 440, 292) != IDOK) return std::nullopt;
    return choice;
}

} // namespace tokimori
