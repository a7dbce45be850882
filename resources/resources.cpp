// The dialog templates, menu, string table and icon, registered as the program's
// resource module when it starts.
#include "resources/resource.h"

#include "platform/resources.h"
#include "resources/icon_art.h"

#include <vector>

namespace {

using platform::ControlClass;
using platform::DialogItemTemplate;
using platform::DialogTemplate;
using platform::MenuItemTemplate;
using platform::MenuTemplate;

constexpr DWORD kDialog =
    DS_MODALFRAME | DS_SETFONT | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kGroup = kChild | BS_GROUPBOX;
constexpr DWORD kButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kEdit = kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kLabel = kChild | SS_LEFT;
constexpr auto B = ControlClass::Button;
constexpr auto E = ControlClass::Edit;
constexpr auto S = ControlClass::Static;

const DialogItemTemplate kMainItems[] = {
    {IDC_GROUP_PREVIEW, B, kGroup, "位图缩略图(左上角坐标:(0,0))", 4, 7, 237, 157},
    {IDC_STATIC, B, kGroup, "位图信息", 250, 7, 209, 157},
    {IDC_EDIT_X, E, kEdit, "", 25, 182, 30, 13},
    {IDC_STATIC, S, kLabel, "X:", 12, 185, 8, 10},
    {IDC_STATIC, S, kLabel, "Y:", 12, 200, 8, 10},
    {IDC_EDIT_Y, E, kEdit, "", 25, 197, 30, 13},
    {IDC_READ_PIXEL, B, kButton, "读取点(X,Y)像素值", 250, 176, 85, 18},
    {IDC_COPY_REPORT, B, kButton, "复制当前位图信息到剪贴板", 342, 176, 110, 18},
    {IDC_MODIFY_PIXEL, B, kButton, "修改点(X,Y)像素值", 250, 199, 85, 18},
    {IDC_SAVE_REPORT, B, kButton, "保存当前位图信息到文件", 342, 199, 110, 18},
    {IDC_TREE, ControlClass::TreeView,
     kChild | WS_BORDER | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT, "", 254, 17,
     198, 144},
    {IDC_PICTURE, S, kChild | SS_BLACKFRAME | SS_NOTIFY, "", 5, 17, 230, 144},
    {IDC_STATIC, B, kGroup, "像素坐标", 4, 172, 62, 45},
    {IDC_GROUP_PIXEL, B, kGroup, "像素值:BGRS", 71, 172, 170, 45},
    {IDC_STATIC, S, kLabel, "R:", 78, 197, 9, 10},
    {IDC_EDIT_R, E, kEdit, "", 88, 197, 30, 13},
    {IDC_EDIT_B, E, kEdit, "", 88, 182, 30, 13},
    {IDC_STATIC, S, kLabel, "B:", 78, 185, 9, 10},
    {IDC_STATIC, S, kLabel, "G:", 128, 185, 9, 10},
    {IDC_EDIT_G, E, kEdit, "", 138, 182, 30, 13},
    {IDC_EDIT_S, E, kEdit, "", 138, 197, 30, 13},
    {IDC_STATIC, S, kLabel, "S:", 128, 197, 9, 10},
    {IDC_STATIC, S, kLabel, "Color:", 176, 185, 24, 10},
    {IDC_COLOR, E, kEdit, "", 204, 182, 30, 13},
    {IDC_CHOOSE_COLOR, B, kButton, "选择修改颜色", 175, 197, 59, 13},
};

const DialogItemTemplate kAboutItems[] = {
    {IDC_STATIC, S, kChild | SS_ICON, "", 11, 17, 20, 20, IDR_MAINFRAME},
    {IDC_STATIC, S, kLabel | SS_NOPREFIX, "Pixscope 1.0 版", 40, 10, 119, 8},
    {IDC_STATIC, S, kLabel, "查看 BMP 位图的结构，检查和修改像素。", 40, 25, 180, 8},
    {IDOK, B, kChild | WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON, "确定", 178, 7, 50, 14},
};

const DialogItemTemplate kUsageItems[] = {
    {IDC_STATIC, S, kLabel, "使用说明:", 1, 69, 38, 9},
    {IDC_STATIC, S, kLabel, "联系作者:", 2, 174, 38, 9},
    {IDC_STATIC, S, kLabel, "功能概述:", 2, 2, 38, 9},
    {IDC_STATIC, S, kLabel, "问题和建议请写在 Pixscope 项目的问题列表里。", 36, 186, 135, 18},
    {IDC_STATIC, S, kLabel,
     "Pixscope 用来查看位图文件的文件信息、文件头和信息头，并可修改像素值，便于在图像处理和"
     "编程中核对参数。支持二值、16色、256色、24位和32位位图。",
     36, 15, 199, 51},
    {IDC_STATIC, S, kLabel, "通过菜单\"文件\"->\"打开位图文件\"可以选择并导入位图。", 36, 79, 199,
     10},
    {IDC_STATIC, S, kLabel,
     "程序左边会显示打开的图像，右边会显示位图图像的相关信息。可以将信息复制到剪贴板和保存到文件"
     "中，也可以设置像素的坐标（以图像左上角为原点）获得像素值以及修改像素的值。",
     36, 91, 199, 33},
    {IDC_STATIC, S, kLabel, "通过菜单\"文件\"->\"保存修改的位图\"可以选择并保存修改了的位图。", 36,
     127, 199, 17},
    {IDOK, B, kButton, "确定", 181, 192, 57, 12},
    {IDC_STATIC, S, kLabel,
     "通过菜单\"选项\"->\"清空缓存\"可以支持清空信息缓存，程序可以查看更多图片，通过\"计算器\""
     "菜单可以调用系统计算器，方便进行二进制等转换。",
     36, 146, 199, 25},
    // Beside the help above: the tools, the preview's pointer and zoom, and the keys.
    {IDC_STATIC, S, kLabel, "工具和按键:", 246, 2, 50, 9},
    {IDC_STATIC, S, kLabel,
     "通过菜单\"工具\"->\"检查位图文件\"可以逐项核对文件的字节，\"像素位置\"说明一个像素存放在"
     "文件的哪里，\"结构视图\"把每个字段、字节和像素对应起来；打开命令读不了的文件也能用结构视图"
     "查看。",
     250, 15, 199, 44},
    {IDC_STATIC, S, kLabel,
     "缩略图上方显示指针所在像素的坐标和值，放大镜显示它周围的像素，单击读取该像素。Ctrl+滚轮或"
     "+、-键放大缩小（最大32倍，8倍起显示像素网格），0适合窗口，1原始大小；放大后拖动、滚轮或"
     "方向键移动图像。",
     250, 62, 199, 52},
    {IDC_STATIC, S, kLabel,
     "按键：Ctrl+O打开位图，Ctrl+S保存修改的位图，Ctrl+Q退出，Alt+F、Alt+O、Alt+H、Alt+T打开各个"
     "菜单，F1显示帮助。\"文件\"->\"最近打开的文件\"列出最近打开的八个文件。",
     250, 117, 199, 44},
};

// The checker's findings for one file, a row each.
const DialogItemTemplate kCheckItems[] = {
    {IDC_CHECK_FILE, S, kLabel | SS_NOPREFIX, "", 7, 7, 376, 10},
    {IDC_CHECK_SUMMARY, S, kLabel | SS_NOPREFIX, "", 7, 20, 376, 10},
    {IDC_CHECK_FINDINGS, ControlClass::TreeView, kChild | WS_BORDER | WS_TABSTOP, "", 7, 33, 376,
     150},
    {IDOK, B, kButton | BS_DEFPUSHBUTTON, "确定", 163, 189, 57, 14},
};

const DialogTemplate kDialogs[] = {
    {IDD_ABOUTBOX, kDialog, 0, "关于 Pixscope", 235, 55, "宋体", 9, 0, kAboutItems},
    {IDD_PIXSCOPE_DIALOG, kDialog, WS_EX_APPWINDOW, "Pixscope", 466, 227, "宋体", 9, IDR_MENU,
     kMainItems},
    {IDD_USAGE, kDialog, 0, "Pixscope使用帮助", 454, 211, "System", 9, 0, kUsageItems},
    {IDD_CHECK_BITMAP, kDialog, 0, "检查位图文件", 390, 210, "宋体", 9, 0, kCheckItems},
};

const MenuItemTemplate kFileMenu[] = {
    {"打开位图文件", ID_FILE_OPEN_BITMAP, {}, "Ctrl+O"},
    {"保存修改的位图", ID_FILE_SAVE_BITMAP, {}, "Ctrl+S"},
    {"退出", ID_FILE_EXIT, {}, "Ctrl+Q"},
};
const MenuItemTemplate kOptionsMenu[] = {
    {"清空缓存", ID_OPTIONS_CLEAR_CACHE, {}},
    {"打开计算器", ID_OPTIONS_CALCULATOR, {}},
};
const MenuItemTemplate kHelpMenu[] = {
    {"使用说明", ID_HELP_USAGE, {}},
};
const MenuItemTemplate kToolsMenu[] = {
    {"检查位图文件", ID_TOOLS_CHECK_BITMAP, {}},
    {"像素位置", ID_TOOLS_PIXEL_LOCATION, {}},
    {"结构视图", ID_TOOLS_STRUCTURE_VIEW, {}},
    {"比较两个位图", ID_TOOLS_COMPARE_BITMAPS, {}},
};
const MenuItemTemplate kMenuBar[] = {
    {"文件", 0, kFileMenu, "Alt+F"},
    {"选项", 0, kOptionsMenu, "Alt+O"},
    {"帮助", 0, kHelpMenu, "Alt+H"},
    {"工具", 0, kToolsMenu, "Alt+T"},
};
const MenuTemplate kMenus[] = {{IDR_MENU, kMenuBar}};

const platform::StringResource kStrings[] = {{IDS_ABOUTBOX, "关于 Pixscope(&A)..."}};

const std::vector<std::uint32_t> kIconPixels = DrawAppIcon(32);
const platform::IconResource kIcons[] = {{IDR_MAINFRAME, 32, kIconPixels}};

const platform::ResourceModule kModule{kDialogs, kMenus, kStrings, kIcons};

// Linked as object code, so this runs in every program that holds the resources.
[[maybe_unused]] const bool kRegistered = (platform::SetResourceModule(&kModule), true);

} // namespace
