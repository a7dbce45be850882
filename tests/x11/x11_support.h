// A user's session on a real X server: the main dialog on screen, the real Qt dialogs,
// real key and mouse events. Nothing is scripted below the window.
#pragma once

#include "app/viewer_app.h"
#include "app/viewer_dlg.h"
#include "tests/bmp_builder.h"
#include "tests/gui/gui_support.h"

#include <QAbstractButton>
#include <QAction>
#include <QFileDialog>
#include <QImage>
#include <QLineEdit>
#include <QString>
#include <QTreeWidget>

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

bool HasChinese(const QString& text);
// What the screen shows of a top-level window, once it is up and painted.
QImage OnScreen(QWidget* window);
void Type(QWidget* edit, const QString& text);
void Click(QAbstractButton* button);
// Moves the X server's pointer onto the widget's pixel and waits until the widget has
// had the motion event the server sends for it.
void PointerTo(QWidget* widget, QPoint at);

// Real X input through the XTEST extension (xdotool): "keydown ctrl click 4 keyup ctrl",
// "mousedown 1", ... The events have reached the widgets once it returns.
void XInput(const std::string& xdotoolArguments);

// A structure view's tree: every column on the pane, as wide as its widest text but 含义,
// which takes the rest and, where it is cut, has its whole text as its tooltip.
void ExpectColumnsFit(QTreeWidget* tree);

struct Reply {
    const char* button; // the start of its text
    QString* said;      // where the box's text goes, or null
};
// Answers the next message boxes in turn, each by clicking a button.
void Answer(std::vector<Reply> replies);
// Types path into the next file dialog and presses Enter; its texts go to *texts.
void TypeIntoFileDialog(const std::string& path, QStringList* texts = nullptr,
                        const std::function<void(QFileDialog*)>& shown = {});

class UserSession : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QWidget* Frame() { return FrameOf(dlg); }
    QLineEdit* Edit(int id) { return static_cast<QLineEdit*>(WidgetOf(*dlg.GetDlgItem(id))); }
    QAbstractButton* Button(int id) {
        return static_cast<QAbstractButton*>(WidgetOf(*dlg.GetDlgItem(id)));
    }
    QAction* Menu(const char* utf8);
    // The open command, its file typed into the real open dialog.
    void OpenByTyping(QStringList* texts = nullptr,
                      const std::function<void(QFileDialog*)>& shown = {});
    std::string Bgrs();

    CViewerDlg dlg;
    std::string picture;
    TempDir dir;
};
