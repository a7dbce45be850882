// The main dialog under test, with helpers to run its commands as the user would.
#pragma once

#include "app/viewer_app.h"
#include "app/viewer_dlg.h"
#include "tests/bmp_builder.h"
#include "tests/gui/gui_support.h"
#include "tests/test_support.h"

inline constexpr COLORREF kFace = RGB(236, 233, 216);

class ViewerTest : public GuiTest {
protected:
    void SetUp() override;
    void TearDown() override;
    // Runs the dialog with script inside its loop.
    void Run(const std::function<void()>& script) { RunModal(dlg, script); }
    void Command(UINT id) { dlg.SendMessage(WM_COMMAND, id); }
    // The open command, with path chosen in the file dialog (nothing: cancelled).
    void Open(const std::optional<std::string>& path);
    void Field(int id, const char* text) { SetText(dlg.GetDlgItem(id), text); }
    std::string FieldText(int id) { return TextOf(dlg.GetDlgItem(id)); }
    std::string Caption() { return TextOf(&dlg.m_grpPixel); }
    // The children of a tree node (null: the top level).
    std::vector<HTREEITEM> Children(HTREEITEM node);

    TempDir dir;
    CViewerDlg dlg;
};
