#pragma once
// Command ids of menu 130 and the tool bar; kept as the numbers the menu
// table uses so that routing and tests name commands the same way.

enum CommandId : int {
  ID_OPEN_LIST = 32771,
  ID_LIST_CLEAR = 32772,
  ID_CONVERT_FILENAME = 32773,
  ID_CONVERT_TEXT = 32774,
  ID_CONVERT_FILENAME_SETTING = 32775,
  ID_CONVERT_FOLDERTEXT_SETTING = 32776,
  ID_HELP_CONTENTS = 32777,
  ID_SELECT_ALL = 32778,
  ID_SELECT_INVERT = 32779,
  ID_ITEM_ADD = 32780,
  ID_ITEM_DELETE = 32781,
  ID_ITEM_EDIT = 32782,
  ID_SAVE_LIST = 32783,
  ID_SAVE_LIST_AS = 32784,
  ID_SAVE_SELECTED_AS = 32785,
  ID_CONVERT_FOLDERTEXT = 32793,
  ID_SAVE_SELECTED = 32794,
  // Our own additions; the new list and the recent files take the numbers
  // the framework gives those commands.
  ID_MOVE_UP = 32795,
  ID_MOVE_DOWN = 32796,
  ID_LIST_CHECK = 32797,
  ID_NEW_LIST = 57600,
  ID_FILE_MRU_FILE1 = 57616,  // ..+3: the four recent files
  ID_APP_ABOUT = 57664,
  ID_APP_EXIT = 57665,
};
