#include "win/FrmUndo.h"

#include <commctrl.h>

#include "run/Journal.h"
#include "run/Undo.h"
#include "view/Commands.h"
#include "view/Names.h"
#include "win/Messages.h"
#include "win/Modal.h"
#include "win/Wide.h"

namespace tokimori {

namespace {

class FrmUndo final : public Dialog {
  public:
    FrmUndo(std::string folder, std::function<void()> afterUndo)
        : folder_(std::move(folder)), afterUndo_(std::move(afterUndo)) {}

  protected:
    void build() override {
        using T = UndoTexts;
        add(WC_STATICW, T::kRuns, 0, kLblRuns, 10, 8, 660, 34);
        HWND list = add(WC_LISTVIEWW, "",
                        LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_BORDER | WS_TABSTOP,
                        kLstRuns, 10, 44, 660, 250);
        ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
        const int widths[4] = {140, 150, 60, 300};
        for (int c = 0; c < 4; ++c) {
            const std::wstring text = W(T::kColumns[c]);
            LVCOLUMNW col{};
            col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
            col.fmt = c == 2 ? LVCFMT_RIGHT : LVCFMT_LEFT;
            col.cx = widths[c];
            col.pszText = const_cast<wchar_t*>(text.c_str());
            ListView_InsertColumn(list, c, &col);
        }
        add(WC_STATICW, T::kEmpty, SS_CENTER, kLblEmpty, 10, 150, 660, 24);
        add(WC_BUTTONW, T::kUndo, BS_DEFPUSHBUTTON | WS_TABSTOP, kCmdUndo, 500, 304, 84, 26);
        add(WC_BUTTONW, T::kClose, BS_PUSHBUTTON | WS_TABSTOP, kCmdClose, 590, 304, 80, 26);
        refresh();
    }

    void command(int id, int) override {
        if (id == kCmdClose || id == IDCANCEL) return end(IDCANCEL);
        if (id == kCmdUndo || id == IDOK) undo();
    }

    LRESULT message(UINT msg, WPARAM wp, LPARAM lp) override {
        if (msg == WM_NOTIFY) {
            const auto* n = reinterpret_cast<const NMHDR*>(lp);
            if (n->idFrom == kLstRuns && n->code == NM_DBLCLK) undo();
            if (n->idFrom == kLstRuns && n->code == LVN_ITEMCHANGED)
                EnableWindow(GetDlgItem(handle(), kCmdUndo), selected() >= 0);
            return 0;
        }
        return Dialog::message(msg, wp, lp);
    }

  private:
    HWND list() const { return GetDlgItem(handle(), kLstRuns); }
    int selected() const { return ListView_GetNextItem(list(), -1, LVNI_SELECTED); }

    void refresh() {
        runs_ = ListJournals(folder_);
        ListView_DeleteAllItems(list());
        for (size_t i = 0; i < runs_.size(); ++i) {
            const UndoRow row = UndoRowOf(runs_[i]);
            const std::string texts[4] = {row.when, row.kind, row.count, row.folder};
            for (int c = 0; c < 4; ++c) {
                const std::wstring t = W(texts[c]);
                LVITEMW item{};
                item.mask = LVIF_TEXT;
                item.iItem = static_cast<int>(i);
                item.iSubItem = c;
                item.pszText = const_cast<wchar_t*>(t.c_str());
                if (c == 0)
                    ListView_InsertItem(list(), &item);
                else
                    ListView_SetItem(list(), &item);
            }
        }
        const bool any = !runs_.empty();
        ShowWindow(list(), any ? SW_SHOW : SW_HIDE);
        ShowWindow(GetDlgItem(handle(), kLblRuns), any ? SW_SHOW : SW_HIDE);
        ShowWindow(GetDlgItem(handle(), kLblEmpty), any ? SW_HIDE : SW_SHOW);
        if (any) ListView_SetItemState(list(), 0, LVIS_SELECTED | LVIS_FOCUSED, 0x000F);
        EnableWindow(GetDlgItem(handle(), kCmdUndo), any);
    }

    void undo() {
        const int row = selected();
        if (row < 0 || static_cast<size_t>(row) >= runs_.size()) return;
        const JournalInfo run = runs_[static_cast<size_t>(row)];
        if (!Tell(handle(), UndoQuestion(run))) return;
        std::vector<UndoOutcome> notBack;
        HCURSOR was = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        const UndoSummary summary = UndoJournals({run.path}, false, [&](const UndoOutcome& o) {
            if (!o.ok()) notBack.push_back(o);
        });
        SetCursor(was);
        if (afterUndo_) afterUndo_();
        Tell(handle(), UndoSummaryMessage(summary, notBack));
        refresh();
        ListView_SetItemState(list(), row, LVIS_SELECTED | LVIS_FOCUSED, 0x000F);
    }

    std::string folder_;
    std::function<void()> afterUndo_;
    std::vector<JournalInfo> runs_;
};

} // namespace

void ShowUndo(HWND owner, const std::string& logFolder, const std::function<void()>& afterUndo) {
    FrmUndo dialog(logFolder, afterUndo);
    dialog.run(owner, UndoTexts::kCaption, 680, 340);
}

} // namespace tokimori
