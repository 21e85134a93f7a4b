// What the windows show, computed without a toolkit: the layout, the placement, the information
// text, names, browsing keys, settings and the messages of a run. Tables of cases; the windows'
// own tests check that they render it.

#include <gtest/gtest.h>

#include <filesystem>

#include "TestFiles.h"
#include "base/Paths.h"
#include "exif/ExifReader.h"
#include "view/About.h"
#include "view/Browsing.h"
#include "view/ButtonFace.h"
#include "view/Fit.h"
#include "view/InfoPanel.h"
#include "view/Layout.h"
#include "view/Names.h"
#include "view/PhotoTexts.h"
#include "view/Placement.h"
#include "view/RunReport.h"
#include "view/Settings.h"

namespace tokimori {
namespace {

using namespace test;

TEST(Layout, TheControlsAtTheMinimumTheDefaultAndALargeClientArea) {
    struct Case {
        int SW, SH;
        // Frame2 width/height, FraSet left, File1 left/height, txt_Exif_Info left/height,
        // Drive1 width, PicBack height, frm_MainBack width/height
        int frame2W, frame2H, fraSetLeft, file1Left, file1H, txtLeft, txtH, driveW, picH, backW,
            backH;
    };
    for (const Case& c :
         {Case{12615, 6150, 8885, 5130, 8945, 2990, 4930, 5915, 4660, 2900, 1740, 12715, 6250},
          Case{13680, 6825, 9950, 5805, 10010, 4055, 5605, 6980, 5335, 3965, 2415, 13780, 6925},
          Case{28680, 15000, 24950, 13980, 25010, 19055, 13780, 21980, 13510, 18965, 10590, 28780,
               15100}}) {
        const auto at = LayOutMain(c.SW, c.SH);
        auto place = [&](const char* n) { return PlaceOf(at, n); };
        EXPECT_EQ(place("Frame2"), (Rect{45, 180, c.frame2W, c.frame2H})) << c.SW;
        EXPECT_EQ(place("FraSet"), (Rect{c.fraSetLeft, 180, 3705, c.frame2H})) << c.SW;
        EXPECT_EQ(place("File1"), (Rect{c.file1Left, 135, 2895, c.file1H})) << c.SW;
        EXPECT_EQ(place("txt_Exif_Info"), (Rect{c.txtLeft, 405, 2895, c.txtH})) << c.SW;
        EXPECT_EQ(place("lbl_File_Info"), (Rect{c.txtLeft, 180, 1545, 240})) << c.SW;
        EXPECT_EQ(place("lbl_Back_Image0"), (Rect{c.txtLeft, 135, 2895, 270})) << c.SW;
        EXPECT_EQ(place("Drive1"), (Rect{45, 135, c.driveW, 300})) << c.SW;
        EXPECT_EQ(place("Dir1"), (Rect{45, 450, c.driveW, 2820})) << c.SW;
        EXPECT_EQ(place("PicBack"), (Rect{45, 3330, c.driveW, c.picH})) << c.SW;
        EXPECT_EQ(place("frm_MainBack"), (Rect{-45, 450, c.backW, c.backH})) << c.SW;
        // The settings panel's controls never move.
        EXPECT_EQ(place("CmdExe"), (Rect{180, 2880, 3330, 540}));
        EXPECT_EQ(place("DTPumeDate"), (Rect{585, 2385, 1455, 330}));
    }
    // Height before width, one at a time; within a pixel counts as the minimum.
    EXPECT_EQ(MinimumSizeCorrection(9000, 5000), (OuterSize{9000, 7560}));
    EXPECT_EQ(MinimumSizeCorrection(9000, 7560), (OuterSize{12735, 7560}));
    EXPECT_EQ(MinimumSizeCorrection(12730, 7553), std::nullopt);
    EXPECT_EQ(MinimumSizeCorrection(20000, 9000), std::nullopt);
}

TEST(Placement, StoredBoundsOffEveryScreenComeBackAndTheNormalBoundsAreKept) {
    const std::vector<Rect> screens{{0, 0, 1920, 1080}, {1920, 0, 1280, 1024}};
    // On a screen, or on the second: kept. Off to the right, above, far away: the nearest.
    EXPECT_EQ(OnAScreen({7, 7, 849, 504}, screens), (Rect{7, 7, 849, 504}));
    EXPECT_EQ(OnAScreen({2000, 100, 849, 504}, screens), (Rect{2000, 100, 849, 504}));
    EXPECT_EQ(OnAScreen({5000, 100, 849, 504}, screens), (Rect{2351, 100, 849, 504}));
    EXPECT_EQ(OnAScreen({100, -400, 849, 504}, screens), (Rect{100, 0, 849, 504}));
    EXPECT_EQ(OnAScreen({-3000, 2000, 849, 504}, screens), (Rect{0, 576, 849, 504}));

    WindowPlacement p;
    p.start({7, 7, 849, 504});
    const Margins frame{1, 25, 1, 1};
    // The first frame: the minimum becomes a client size and the window goes where it started.
    const auto first = p.frameReported(frame, WindowState::Normal, {0, 0, 849, 504}, 10, 849, 504);
    EXPECT_EQ(first.minimumWidth, 847);
    EXPECT_EQ(first.minimumHeight, 478);
    EXPECT_EQ(first.placeClient, (Rect{8, 32, 847, 478}));
    // Placed one frame beside it: once more; then placed right: settled.
    EXPECT_TRUE(
        p.frameReported(frame, WindowState::Normal, {9, 57, 847, 478}, 20, 849, 504).placeClient);
    EXPECT_TRUE(
        p.frameReported(frame, WindowState::Normal, {8, 32, 847, 478}, 30, 849, 504).settled);
    // Closed maximised: the normal bounds it had, not the maximised ones.
    p.noteNormal({8, 32, 900, 600});
    p.noteNormal({0, 0, 1920, 1050}); // reported before the state changed
    p.maximised({0, 0, 1920, 1050});
    EXPECT_EQ(p.normalOuter(WindowState::Maximised, {0, 0, 1920, 1050}, {}, {}),
              (Rect{7, 7, 902, 626}));
    EXPECT_EQ(p.normalOuter(WindowState::Normal, {8, 32, 900, 600}, {}, frame),
              (Rect{7, 7, 902, 626}));
}

TEST(InfoPanel, TheFourteenLinesOfRealPhotos) {
    const LocalDateTime modified{2006, 11, 30, 7, 5, 9};
    auto text = [&](const char* name) {
        auto read = ReadExifInfo(PhotosDir().string() + "/", name);
        EXPECT_TRUE(read.ok()) << name;
        return read.ok() ? InfoPanelText(read.value(), modified) : std::string();
    };
    EXPECT_EQ(text("Canon_40D.jpg"),
              "サイズ(横×縦)\r\n100×68\r\n\r\n埋込日付(撮影日時)\r\n2008:05:30 15:56:01\r\n\r\n"
              "ファイル日付\r\n2006/11/30 07:05:09\r\n\r\nメーカー名\r\nCanon\r\n\r\nモデル名\r\n"
              "Canon EOS 40D");
    // No pixel size in Exif data: the frame's size.
    EXPECT_NE(text("xmp_no_exif.jpg").find("\r\n322×466\r\n"), std::string::npos);
    EXPECT_EQ(PanelActionFor(true, false, false), PanelAction::Refresh);
    EXPECT_EQ(PanelActionFor(false, false, false), PanelAction::Empty);
    EXPECT_EQ(PanelActionFor(true, true, true), PanelAction::ClearThumbnail);
    EXPECT_EQ(PanelActionFor(true, true, false), PanelAction::Show);
}

TEST(Names, ShownDecodedWhateverTheirBytes) {
    EXPECT_EQ(DisplayName("旅行.jpg"), "旅行.jpg");
    EXPECT_EQ(DisplayName("sjis_\x93\xfa\x95t.jpg"), "sjis_日付.jpg");
    EXPECT_EQ(DisplayName("bad_\xff\xfe.jpg"), "bad_%FF%FE.jpg");
    EXPECT_EQ(PhotoText("Caf\xe9"), "Café");
}

TEST(Browsing, FolderRowsAndFilesWithTheirBytesAndTheKeys) {
    TempDir dir;
#ifdef _WIN32 // (Windows names are UTF-16: shown as they are)
    const std::string sjis = "sjis_name", shown = sjis;
#else
    const std::string sjis = "sjis_\x93\xfa\x95t", shown = "sjis_日付";
#endif
    const std::string folder = dir.path().string();
    auto at = [&](const std::string& name) { return ToFsPath(JoinPath(folder, name)); };
    std::filesystem::create_directory(at(sjis));
    std::filesystem::create_directory(at("b"));
    for (const std::string& file : {sjis + ".jpg", std::string("a.JPEG"), std::string("notes.txt")})
        WriteAll(at(file), Bytes{1});
    auto rows = FolderRows(folder);
    ASSERT_TRUE(rows.ok());
    const size_t here = rows->size() - 3; // the folder itself, then its two subfolders
    EXPECT_TRUE(rows.value()[here].current && rows.value()[here].open);
    EXPECT_EQ(rows.value()[0].indent, 0);
    EXPECT_EQ(rows.value()[here + 1].shown, "b");
    EXPECT_EQ(rows.value()[here + 2].shown, shown);
    EXPECT_EQ(rows.value()[here + 2].path, JoinPath(folder, sjis));
    EXPECT_EQ(rows.value()[here + 2].indent, rows.value()[here].indent + 1);
    auto files = FileEntries(folder);
    ASSERT_TRUE(files.ok());
    ASSERT_EQ(files->size(), 2u);
    EXPECT_EQ(files.value()[1].name, sjis + ".jpg");
    EXPECT_EQ(files.value()[1].shown, shown + ".jpg");
    EXPECT_FALSE(FileEntries(JoinPath(folder, "gone")).ok());

    const std::vector<std::string> names{"Alps", "beach", "Bern", "city"};
    EXPECT_EQ(TypeToJump(names, 0, "b"), 1);
    EXPECT_EQ(TypeToJump(names, 1, "b"), 2);  // the next with the letter
    EXPECT_EQ(TypeToJump(names, 2, "bb"), 1); // the same letter again moves on
    EXPECT_EQ(TypeToJump(names, 1, "be"), 1); // a longer search may stay
    EXPECT_EQ(TypeToJump(names, 0, "x"), -1);

    EXPECT_TRUE(KeyDown(BrowseList::File, 65, true, false, false).selectAll);
    EXPECT_FALSE(KeyDown(BrowseList::File, 65, true, true, false).selectAll);
    const BrowseKey f5 = KeyDown(BrowseList::File, 116, false, false, false);
    EXPECT_TRUE(f5.refreshDrives && f5.refreshFolders && f5.refreshFiles && f5.selectFirst);
    EXPECT_FALSE(KeyDown(BrowseList::Folder, 116, false, false, false).refreshDrives);
    EXPECT_TRUE(KeyPress(BrowseList::File, 8).up);
    EXPECT_TRUE(KeyPress(BrowseList::Folder, 13).open);
    EXPECT_FALSE(KeyPress(BrowseList::File, 13).open);
}

TEST(Fitting, ThePictureFillsOneWayAndIsCentredTheOther) {
    const FitRect frame{3, 222, 193, 161};                                 // 2895 × 2415 twips
    EXPECT_EQ(FitPicture(frame, 400, 300), (FitRect{3, 230, 193, 145}));   // wider: centred down
    EXPECT_EQ(FitPicture(frame, 300, 400), (FitRect{39, 222, 121, 161}));  // taller: across
    EXPECT_EQ(FitPicture(frame, 1930, 1610), (FitRect{3, 222, 193, 161})); // equal: across
    EXPECT_EQ(FitPicture(frame, 20, 10).width, 193);                       // enlarged
    EXPECT_EQ(FitPicture(frame, 0, 10), FitRect{});
}

TEST(Fitting, AnEmbeddedThumbnailLosesItsBarsOrIsAnotherPicture) {
    struct Row {
        int w, h, naturalW, naturalH;
        std::optional<Rect> cut;
    };
    for (const Row& r : {
             Row{160, 120, 6000, 4000, Rect{0, 6, 160, 107}}, // 3:2 padded to 4:3: bars cut
             Row{120, 160, 4000, 6000, Rect{6, 0, 107, 160}}, // the same, turned
             Row{160, 120, 4000, 3000, Rect{0, 0, 160, 120}}, // its photo's shape
             Row{160, 120, 3000, 4000, std::nullopt},         // a portrait's: not this one
             Row{1280, 960, 4000, 3000, std::nullopt},        // too large for a thumbnail
             Row{160, 120, 0, 3000, std::nullopt},            // a photo of no size
         })
        EXPECT_EQ(ExifThumbnailCut(r.w, r.h, r.naturalW, r.naturalH), r.cut) << r.w << "x" << r.h;
}

TEST(PhotoTexts, TheNoteAndTheMessageOfAPhotoThatCannotBeShown) {
    EXPECT_EQ(UnreadablePhotoNote(PhotoReadFailure(MakeError(err::FileNotFound))),
              "写真を表示できません\n(ファイルが見つかりません)");
    EXPECT_EQ(
        UnreadablePhotoText("C:\\写真\\a.jpg", PhotoReadFailure(MakeError(err::PermissionDenied))),
        "写真を表示できません。\r\nC:\\写真\\a.jpg\r\n(読み取りが許可されていません)");
}

TEST(ButtonFace, PictureAndCaptionByPosition) {
    // The run button's face (218 × 31), a 32 × 32 picture, a caption of 100 × 17.
    struct Row {
        int position, picX, textX;
    };
    for (const Row r : {Row{1, 42, 75}, Row{2, 0, 59}, Row{3, 0, 75}, Row{4, 143, 42},
                        Row{5, 186, 59}, Row{6, 186, 43}, Row{0, 0, 0}, Row{7, 0, 0}}) {
        const FaceLayout f = LayOutFace(
            218, 31, 32, 32, "caption",
            [](const std::string&) {
                return TextSize{100, 17};
            },
            r.position);
        EXPECT_EQ(f.picX, r.picX) << r.position;
        EXPECT_EQ(f.textX, r.textX) << r.position;
        EXPECT_EQ(f.picY, 0); // (31 − 32) / 2 truncates to 0
        EXPECT_EQ(f.textY, 7);
    }
    EXPECT_EQ(LayOutFace(218, 31, 0, 0, 301, 17, 2).textX, -41); // wider than the face
    EXPECT_EQ(FaceWidth(222), 218);
    EXPECT_EQ(FaceHeight(36), 31);
}

TEST(ButtonFace, ColoursTranslatedByTheirOptions) {
    // A system whose colour of index i is i in each channel, but the button face (15).
    const auto system = [](uint32_t index) {
        return index == 15 ? OleColor{0x00C8D0D4} : OleColor{0x00010101} * index;
    };
    struct Row {
        OleColor color;
        int options;
        OleColor out;
    };
    for (const Row r : {Row{0x8000000F, 1, 0x00C8D0D4}, Row{0x8000000F, 3, 0x02C8D0D4},
                        Row{0x80000005, 1, 0x00050505}, Row{0x8000000F, 2, 0x8000000F},
                        Row{0x8000000F, 0, 0x8000000F}, Row{0x00123456, 1, 0x00123456},
                        Row{0x00123456, 2, 0x02123456}, Row{0x00123456, 3, 0x02123456}})
        EXPECT_EQ(TranslateColor(r.color, r.options, system), r.out)
            << std::hex << r.color << " options " << r.options;
}

TEST(About, TheHelpFileBesideTheProgram) {
    EXPECT_EQ(HelpFilePath("C:\\Program Files\\Tokimori"),
              "C:\\Program Files\\Tokimori\\Tokimori.chm");
    EXPECT_EQ(HelpFilePath("D:\\"), "D:\\\\Tokimori.chm"); // a drive root: two in a row
}

TEST(Settings, StoredNumbersAndWhatIsNoNumber) {
    EXPECT_EQ(SettingNumber("1215").value(), 1215.0f);
    EXPECT_EQ(SettingNumber(" 7.5 ").value(), 7.5f);
    EXPECT_EQ(SettingNumber("-1e9").value(), -1.0e9f);
    for (const char* t : {"", "12a", "abc", "nan", "inf", "-inf", "0x10"})
        EXPECT_EQ(SettingNumber(t).error().number, 13) << t;
    for (const char* t : {"1e30", "-1e30", "3e9", "1e308"})
        EXPECT_EQ(SettingNumber(t).error().number, 6) << t;
    EXPECT_EQ(SettingText(1215), "1215");
    EXPECT_EQ(SettingText(-2400.5), "-2400.5");
}

// One outcome of each kind, as a run reports them.
PhotoOutcome Outcome(PhotoOutcome::Result r, bool dateChanged = true) {
    PhotoOutcome o;
    o.result = r;
    o.path = "/photos/p.jpg";
    o.plan.dates.DateChanged = dateChanged;
    return o;
}

std::vector<std::string> Texts(const std::vector<MessageRequest>& m) {
    std::vector<std::string> out;
    for (const MessageRequest& r : m)
        out.push_back(r.title + "|" + r.text);
    return out;
}

TEST(RunReport, TheMessagesOfEveryKindOfOutcome) {
    using R = PhotoOutcome::Result;
    const std::string done = "処理完了|対象のファイル、 ";
    struct Case {
        const char* what;
        RunCommand command;
        bool folderMode;
        std::vector<PhotoOutcome> outcomes;
        RunSummary summary;
        std::vector<std::string> during, end; // title|text, each text's beginning
    };
    PhotoOutcome timesFailed = Outcome(R::Changed);
    timesFailed.timesError = MakeError(err::PermissionDenied);
    PhotoOutcome partly = Outcome(R::Changed);
    partly.plan.dates.skipped = {{0x9004, 0, SkipReason::NotAscii}};
    PhotoOutcome failed = Outcome(R::Failed);
    failed.error = MakeError(err::DeviceIo, "disk");
    PhotoOutcome meanwhile = Outcome(R::Refused);
    meanwhile.refusal = Refusal::ChangedMeanwhile;
    PhotoOutcome noDate = Outcome(R::Refused);
    noDate.refusal = Refusal::NoValidDate;
    RunSummary stopped;
    stopped.stoppedBy = MakeError(err::DiskFull);
    stopped.journalFailed = true;
    RunSummary stale;
    stale.stalePath = "/photos/gone.jpg";
    const Case cases[] = {
        {"one photo, no option", RunCommand::SetDates, false, {Outcome(R::Changed)}, {}, {}, {}},
        {"one photo, folder mode, DateTime not rewritten",
         RunCommand::SetDates,
         true,
         {Outcome(R::Changed, false)},
         {},
         {},
         {done + "1件"}},
        {"two",
         RunCommand::SetDates,
         true,
         {Outcome(R::Changed), Outcome(R::Changed)},
         {},
         {},
         {done + "2件"}},
        {"none",
         RunCommand::SetDates,
         false,
         {Outcome(R::Unchanged)},
         {},
         {},
         {"処理完了|変換対象のファイルが存在しませんでした。"}},
        {"no Exif data and unsafe texts, each told at once",
         RunCommand::SetDates,
         true,
         {Outcome(R::NoExif), Outcome(R::Skipped), meanwhile},
         {},
         {"Tokimori|ファイルの日付情報が取得できません\r\np.jpgの更新に失敗しました",
          "Tokimori|ファイルの日付情報が取得できません\r\np."
          "jpgの更新に失敗しました\r\n（日付の位置",
          "Tokimori|ファイルの日付情報が取得できません\r\np.jpgの更新に失敗しました\r\n（実行中に"},
         {"処理完了|変換対象"}},
        {"times not set, texts partly skipped: named at the end",
         RunCommand::SetDates,
         false,
         {timesFailed, partly},
         {},
         {},
         {"Tokimori|次の写真のファイル日付を設定できませんでした。\r\np.jpg",
          "Tokimori|"
          "次の写真の日付のうち、位置が安全に書き換えられないものは変更しませんでした。\r\n"
          "p.jpg：DateTimeDigitized（文字列として記録されていません）",
          done + "2件"}},
        {"failed, with a photo changed before",
         RunCommand::SetDates,
         true,
         {Outcome(R::Changed), failed},
         {},
         {"Tokimori|Error\r\n実行時エラー:57:"},
         {}},
        {"stopped by the journal",
         RunCommand::SetDates,
         true,
         {Outcome(R::Changed)},
         stopped,
         {},
         {"Tokimori|Error\r\n実行時エラー:61:"}},
        {"a listed file gone",
         RunCommand::SetDates,
         true,
         {},
         stale,
         {},
         {"Tokimori|フォルダ内のファイル情報が更新された為"}},
        {"file time: photos without a date named at the end",
         RunCommand::FileTime,
         true,
         {Outcome(R::Changed), noDate},
         {},
         {},
         {"Tokimori|次の写真には正しい撮影日時", done + "1件"}},
    };
    for (const Case& c : cases) {
        RunReport report(c.command, c.folderMode, false);
        std::vector<std::string> during;
        for (const PhotoOutcome& o : c.outcomes)
            for (const std::string& t : Texts(report.photo(o, "p.jpg").messages))
                during.push_back(t);
        const std::vector<std::string> end = Texts(report.finish(c.summary, "/logs").messages);
        auto check = [&](const std::vector<std::string>& got,
                         const std::vector<std::string>& want) {
            ASSERT_EQ(got.size(), want.size()) << c.what << ": " << (got.empty() ? "" : got[0]);
            for (size_t i = 0; i < got.size(); ++i)
                EXPECT_EQ(got[i].substr(0, want[i].size()), want[i]) << c.what;
        };
        check(during, c.during);
        check(end, c.end);
    }
    // The error report names the photo and how many were changed before it.
    RunReport report(RunCommand::SetDates, true, false);
    report.photo(Outcome(R::Changed), "a.jpg");
    const auto now = report.photo(failed, "p.jpg");
    EXPECT_TRUE(now.endsRun);
    EXPECT_NE(now.messages[0].text.find("/photos/p.jpg"), std::string::npos);
    EXPECT_NE(now.messages[0].text.find("既に 1 件"), std::string::npos);
    EXPECT_EQ(now.messages[0].icon, MessageIcon::Critical);
    EXPECT_EQ(SetDatesQuestion(true, false)->buttons, MessageButtons::OkCancel);
    EXPECT_FALSE(SetDatesQuestion(true, true));
}

} // namespace
} // namespace tokimori
