// Driving real dialogs from tests: a script runs inside the dialog's own modal loop.
#pragma once

#include "platform/window/cdialog.h"
#include "tests/test_support.h"

#include <QApplication>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <set>
#include <string>

// Runs dlg modally; script runs once the dialog is up, and the dialog is cancelled
// afterwards if the script left it open. Returns DoModal's result.
INT_PTR RunModal(CDialog& dlg, const std::function<void()>& script);
// Runs fn on the next dialog that opens modally over the current one, then cancels it
// if fn left it open.
void OnNextModal(const std::function<void(CDialog&)>& fn);

QWidget* WidgetOf(const CWnd& wnd);
QWidget* FrameOf(const CWnd& wnd);
// What the window shows now, painted afresh.
QImage Grab(const CWnd& wnd);
// A key pressed where the focus is, as the user presses it.
void PressKey(CDialog& dlg, int key);
void SetText(CWnd* control, const char* utf8);
std::string TextOf(const CWnd* control);
// Saves a rendering under the build folder's gui-renders/ and returns its path.
std::string SavePng(const QImage& image, const std::string& name);

// Every static text of a painted dialog fits its rectangle: QLabel's own wrapped
// layout needs no more height than the template gives.
void ExpectNoTextCut(const CWnd& dialog);

// RGB of a pixel of a grabbed image, as a COLORREF.
COLORREF PixelAt(const QImage& image, int x, int y);

// The kinds of Qt dialog that pending WhenShown handlers wait for.
std::multiset<const QMetaObject*>& AwaitedDialogs();
// From now on a message box, file or colour dialog that no handler waits for fails the
// test and is closed, so that it cannot hold the test in its modal loop.
void RejectUnexpectedDialogs();

// Runs fn on the next modal Qt dialog of type T once it is up.
template <class T> void WhenShown(std::function<void(T*)> fn) {
    AwaitedDialogs().insert(&T::staticMetaObject);
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [fn, poll] {
        if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget())) {
            AwaitedDialogs().erase(AwaitedDialogs().find(&T::staticMetaObject));
            fn(w);
            *poll = nullptr;
            return;
        }
        QTimer::singleShot(10, *poll);
    };
    QTimer::singleShot(0, *poll);
}

// Points what the program keeps between runs at a fresh folder of its own, so that no
// test reads or writes the user's; called before the application object is made.
void UseFreshConfigFolder();
// Forgets what earlier tests of this run kept (recent files, the last folder).
void ForgetKeptSettings();

class GuiTest : public WithRecordedMessages {
protected:
    void SetUp() override {
        WithRecordedMessages::SetUp();
        ForgetKeptSettings();
    }
};
