// Identifiers of the program's resources and of its dialogs' controls.
#pragma once

inline constexpr unsigned IDD_ABOUTBOX = 100;
inline constexpr unsigned IDS_ABOUTBOX = 101;
inline constexpr unsigned IDD_PIXSCOPE_DIALOG = 102;
inline constexpr unsigned IDR_MAINFRAME = 128;
inline constexpr unsigned IDR_MENU = 130;
inline constexpr unsigned IDD_USAGE = 131;
inline constexpr unsigned IDD_CHECK_BITMAP = 132;
inline constexpr unsigned IDM_ABOUTBOX = 0x0010;

inline constexpr int IDC_EDIT_X = 1001;
inline constexpr int IDC_EDIT_Y = 1002;
inline constexpr int IDC_READ_PIXEL = 1003;
inline constexpr int IDC_EDIT_R = 1004;
inline constexpr int IDC_COPY_REPORT = 1005;
inline constexpr int IDC_MODIFY_PIXEL = 1006;
inline constexpr int IDC_SAVE_REPORT = 1007;
inline constexpr int IDC_TREE = 1008;
inline constexpr int IDC_GROUP_PREVIEW = 1009;
inline constexpr int IDC_EDIT_B = 1010;
inline constexpr int IDC_PICTURE = 1011;
inline constexpr int IDC_EDIT_G = 1012;
inline constexpr int IDC_EDIT_S = 1013;
inline constexpr int IDC_COLOR = 1014;
inline constexpr int IDC_CHOOSE_COLOR = 1015;
inline constexpr int IDC_GROUP_PIXEL = 1017;
inline constexpr int IDC_CHECK_FILE = 1018;
inline constexpr int IDC_CHECK_SUMMARY = 1019;
inline constexpr int IDC_CHECK_FINDINGS = 1020;
inline constexpr int IDC_STATIC = -1;

inline constexpr unsigned ID_FILE_OPEN_BITMAP = 32771;
inline constexpr unsigned ID_FILE_EXIT = 32772;
inline constexpr unsigned ID_HELP_USAGE = 32773;
inline constexpr unsigned ID_FILE_SAVE_BITMAP = 32775;
inline constexpr unsigned ID_OPTIONS_CLEAR_CACHE = 32776;
inline constexpr unsigned ID_OPTIONS_CALCULATOR = 32777;
inline constexpr unsigned ID_TOOLS_CHECK_BITMAP = 32778;
inline constexpr unsigned ID_TOOLS_PIXEL_LOCATION = 32779;
inline constexpr unsigned ID_TOOLS_STRUCTURE_VIEW = 32781;
inline constexpr unsigned ID_TOOLS_COMPARE_BITMAPS = 32782;
// Posted at start when files were named on the command line.
inline constexpr unsigned ID_FILE_OPEN_ARGUMENTS = 32780;
// 文件 → 最近打开的文件: one command for each of its eight places.
inline constexpr unsigned ID_FILE_RECENT_FIRST = 32790;
inline constexpr unsigned ID_FILE_RECENT_LAST = 32797;
