#pragma once
// Texts of the application shell, exactly as the user sees them (UTF-8).

namespace zv::texts {

inline constexpr const char* kAppName = "Zentravolix";
inline constexpr const char* kFrameTitle = "Moravquell";
inline constexpr const char* kTitleSeparator = " - ";
inline constexpr const char* kErrorCaption = "Error";
inline constexpr const char* kRegistryKey = "Local AppWizard-Generated Applications";

// Status bar.
inline constexpr const char* kIdleMessage = "ﾚﾃﾞｨ";
inline constexpr const char* kIndicatorKana = "ｶﾅ";
inline constexpr const char* kIndicatorCaps = "CAP";
inline constexpr const char* kIndicatorNum = "NUM";
inline constexpr const char* kIndicatorScrl = "SCRL";

// Menu 130.
inline constexpr const char* kMenuFile = "ﾌｧｲﾙ(&F)";
inline constexpr const char* kMenuOpenList = "ﾘｽﾄﾌｧｲﾙ(.csv)を開く(&O)...";
inline constexpr const char* kMenuSaveList = "ﾘｽﾄを上書き保存(&S)";
inline constexpr const char* kMenuSaveSelected = "選択した行だけを上書き保存(&C)";
inline constexpr const char* kMenuSaveListAs = "名前を付けてﾘｽﾄを保存(&A)...";
inline constexpr const char* kMenuSaveSelectedAs = "選択した行だけを名前を付けて保存(&E)...";
inline constexpr const char* kMenuExit = "終了(&X)";
inline constexpr const char* kMenuEdit = "変換ﾘｽﾄ編集(&E)";
inline constexpr const char* kMenuSelectAll = "全て選択(&S)";
inline constexpr const char* kMenuSelectInvert = "選択を反転(&R)";
inline constexpr const char* kMenuItemAdd = "項目を追加(&A)...";
inline constexpr const char* kMenuItemEdit = "項目を編集(&E)...";
inline constexpr const char* kMenuItemDelete = "選択した項目を削除(&D)...";
inline constexpr const char* kMenuListCheck = "変換リストの検査(&K)...";
inline constexpr const char* kMenuListClear = "ﾘｽﾄをｸﾘｱする(&D)...";
inline constexpr const char* kMenuFileName = "ﾌｧｲﾙ名置換(&A)";
inline constexpr const char* kMenuConvertFileName = "ﾌｧｲﾙ名置換実行(&R)...";
inline constexpr const char* kMenuConvertFileNameSetting = "ﾌｧｲﾙ名置換設定(&S)...";
inline constexpr const char* kMenuText = "ﾃｷｽﾄ置換(&B)";
inline constexpr const char* kMenuConvertText = "ﾃｷｽﾄ置換実行(&R)...";
inline constexpr const char* kMenuConvertFolderText = "ﾌｫﾙﾀﾞを指定してﾃｷｽﾄ置換(&F)...";
inline constexpr const char* kMenuConvertFolderTextSetting = "ﾌｫﾙﾀﾞを指定してﾃｷｽﾄ置換の設定(&S)...";
inline constexpr const char* kMenuHelp = "ﾍﾙﾌﾟ(&H)";
inline constexpr const char* kMenuAbout = "Zentravolix のﾊﾞｰｼﾞｮﾝ情報(&A)...";
inline constexpr const char* kMenuHelpContents = "目次(&H)...";

// Status-bar prompts and tool tips.
inline constexpr const char* kPromptOpenList = "変換候補ファイル(CSV)を開きます";
inline constexpr const char* kTipOpenList = "変換候補(CSV)を開く";
inline constexpr const char* kPromptConvertFileName = "フォルダを指定してファイル名を一括変換します";
inline constexpr const char* kTipConvertFileName = "ﾌｧｲﾙ名置換";
inline constexpr const char* kPromptConvertText = "テキストファイルを開いて、置換します。";
inline constexpr const char* kTipConvertText = "ファイルを開いてテキスト置換";
inline constexpr const char* kPromptSaveList = "現在のファイルで上書き保存します";
inline constexpr const char* kTipSaveList = "変換候補を上書き保存(CSV)";
inline constexpr const char* kPromptConvertFolderText =
    "フォルダを指定して、含まれるテキストファイルの中身を一括置換します";
inline constexpr const char* kTipConvertFolderText = "ﾌｫﾙﾀﾞを指定してテキスト置換";
inline constexpr const char* kPromptAbout = "ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示";
inline constexpr const char* kTipAbout = "ﾊﾞｰｼﾞｮﾝ情報";
inline constexpr const char* kPromptExit = "ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示";
inline constexpr const char* kTipExit = "終了";

// File dialogs.
inline constexpr const char* kFilterCsv = "csv(*.csv)";
inline constexpr const char* kFilterAll = "全て(*.*)";
inline constexpr const char* kFileDlgOpenTitle = "開く";
inline constexpr const char* kFileDlgSaveTitle = "名前を付けて保存";
inline constexpr const char* kFileDlgLookIn = "場所(&I):";
inline constexpr const char* kFileDlgUp = "上へ(&U)";
inline constexpr const char* kFileDlgName = "ファイル名(&N):";
inline constexpr const char* kFileDlgType = "ファイルの種類(&T):";
inline constexpr const char* kFileDlgOpen = "開く(&O)";
inline constexpr const char* kFileDlgSave = "保存(&S)";
inline constexpr const char* kFileDlgCancel = "キャンセル";
inline constexpr const char* kFileDlgNotFound = "%1\nファイルが見つかりません。\nファイル名を確認してください。";
inline constexpr const char* kFileDlgNoFolder = "%1\nフォルダが見つかりません。\nフォルダ名を確認してください。";
inline constexpr const char* kFileDlgReplace = "%1 は既に存在します。\n上書きしますか?";

// About box.
inline constexpr const char* kAboutTitle = "Zentravolixのﾊﾞｰｼﾞｮﾝ情報";
inline constexpr const char* kAboutVersion = "Zentravolix Version 1.0.1";
inline constexpr const char* kAboutCopyright = "Copyright (C) 2006";
inline constexpr const char* kOk = "OK";

// Our own additions.
inline constexpr const char* kHelpTitle = "Zentravolix ﾍﾙﾌﾟ";
inline constexpr const char* kListConverted = "ﾘｽﾄﾌｧｲﾙを %1 として読み込み、変換しました";
inline constexpr const char* kOpenDocumentFailed = "%1 を開けません。";
inline constexpr const char* kListReadFailed = "%1 を読み込めませんでした。";
inline constexpr const char* kListSaveFailed = "%1 に保存できませんでした。";

// Desktop habits: a new list, moving rows, recent files, unsaved changes.
inline constexpr const char* kMenuNewList = "ﾘｽﾄを新規作成(&N)";
inline constexpr const char* kMenuMoveUp = "上へ移動(&U)";
inline constexpr const char* kMenuMoveDown = "下へ移動(&N)";
inline constexpr const char* kMenuRecentNone = "最近使ったﾌｧｲﾙ";
inline constexpr const char* kPromptNewList = "新しい変換ﾘｽﾄを作成します";
inline constexpr const char* kPromptMoveUp = "選択した項目を1行上へ移動します";
inline constexpr const char* kPromptListCheck = "働かない行や互いに影響し合う行がないか、変換リストを調べます";
inline constexpr const char* kPromptMoveDown = "選択した項目を1行下へ移動します";
inline constexpr const char* kPromptRecent = "このﾌｧｲﾙを開きます: %1";
inline constexpr const char* kRecentMissing =
    "%1\nファイルが見つかりません。最近使ったﾌｧｲﾙの一覧から削除しました。";
inline constexpr const char* kAskSaveChanges = "%1 への変更を保存しますか?";
inline constexpr const char* kUntitled = "無題";
inline constexpr const char* kAnswerSave = "保存する(&S)";
inline constexpr const char* kAnswerDiscard = "保存しない(&N)";
inline constexpr const char* kAnswerCancel = "キャンセル";
inline constexpr const char* kNoRowSelected = "保存する行が選択されていません。";

}  // namespace zv::texts
