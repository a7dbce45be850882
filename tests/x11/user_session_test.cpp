// A user's session on a real X server: the main dialog on screen, the real Qt file
// dialogs and message boxes, keys typed and buttons clicked. Nothing is scripted
// below the window; what is checked is what the user sees or gets.
#include "app/viewer_app.h"
#include "app/viewer_dlg.h"
#include "dib/dib.h"
#include "tests/bmp_builder.h"
#include "tests/gui/gui_support.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QClipboard>
#include <QColorDialog>
#include <QCompleter>
#include <QFileDialog>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <filesystem>

namespace {

bool HasChinese(const QString& text) {
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x4E00; });
}

// What the screen shows of a top-level window, once it is up and painted.
QImage OnScreen(QWidget* window) {
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
    QTest::qWait(200);
    return window->screen()->grabWindow(window->winId()).toImage();
}

QString Plain(QString text) {
    return text.remove('&');
}

void Type(QWidget* edit, const QString& text) {
    QTest::mouseClick(edit, Qt::LeftButton);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, text);
}

void Click(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton);
}

struct Reply {
    const char* button; // the start of its text
    QString* said;      // where the box's text goes, or null
};

// Answers the next message boxes in turn, each by clicking a button.
void Answer(std::vector<Reply> replies) {
    if (replies.empty())
        return;
    WhenShown<QMessageBox>([replies](QMessageBox* box) {
        const Reply r = replies.front();
        if (r.said != nullptr)
            *r.said = box->text();
        // The next box can only come once this one is gone.
        Answer(std::vector<Reply>(replies.begin() + 1, replies.end()));
        for (QAbstractButton* b : box->buttons())
            if (Plain(b->text()).startsWith(QString::fromUtf8(r.button)))
                return Click(b);
        ADD_FAILURE() << "no button " << r.button << " in " << box->text().toStdString();
        box->reject();
    });
}

// Types path into the next file dialog and presses Enter; its texts go to *texts.
void TypeIntoFileDialog(const std::string& path, QStringList* texts = nullptr,
                        const std::function<void(QFileDialog*)>& shown = {}) {
    WhenShown<QFileDialog>([=](QFileDialog* d) {
        if (texts != nullptr) {
            *texts << d->labelText(QFileDialog::LookIn) << d->labelText(QFileDialog::FileName)
                   << d->labelText(QFileDialog::FileType) << d->windowTitle();
            for (QAbstractButton* b : d->findChildren<QAbstractButton*>())
                if (b->isVisible() && !b->text().isEmpty())
                    *texts << b->text();
        }
        if (shown)
            shown(d);
        // The path is pasted, as users do with long paths: typed key by key, the
        // dialog's completion would rewrite it under the typing.
        auto* name = d->findChild<QLineEdit*>("fileNameEdit");
        QApplication::clipboard()->setText(QString::fromStdString(path));
        QTest::mouseClick(name, Qt::LeftButton);
        QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(name, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(name, Qt::Key_Return);
    });
}

class UserSession : public ::testing::Test {
protected:
    void SetUp() override {
        theApp.m_pMainWnd = &dlg;
        const std::string corpus = std::string(PIXSCOPE_CORPUS) + "/bmpsuite/g/rgb24.bmp";
        picture = std::filesystem::canonical(
            std::filesystem::exists(corpus) ? corpus
                                            : std::string(PIXSCOPE_SAMPLES) + "/sample-24bit.bmp");
    }
    void TearDown() override { theApp.m_pMainWnd = nullptr; }

    QWidget* Frame() { return FrameOf(dlg); }
    QLineEdit* Edit(int id) { return static_cast<QLineEdit*>(WidgetOf(*dlg.GetDlgItem(id))); }
    QAbstractButton* Button(int id) {
        return static_cast<QAbstractButton*>(WidgetOf(*dlg.GetDlgItem(id)));
    }
    QAction* Menu(const char* utf8) {
        for (QAction* a : Frame()->findChildren<QAction*>())
            if (Plain(a->text()).startsWith(QString::fromUtf8(utf8)))
                return a;
        ADD_FAILURE() << "no menu item " << utf8;
        return nullptr;
    }
    // The open command, its file typed into the real open dialog.
    void OpenByTyping(QStringList* texts = nullptr,
                      const std::function<void(QFileDialog*)>& shown = {}) {
        TypeIntoFileDialog(picture, texts, shown);
        Menu("打开位图文件")->trigger();
    }
    std::string Bgrs() {
        return (Edit(IDC_EDIT_B)->text() + "," + Edit(IDC_EDIT_G)->text() + "," +
                Edit(IDC_EDIT_R)->text() + "," + Edit(IDC_EDIT_S)->text())
            .toStdString();
    }

    CViewerDlg dlg;
    std::string picture;
    TempDir dir;
};

TEST_F(UserSession, OpensByTypingThePathAndShowsEveryReportLineWhole) {
    QStringList texts;
    RunModal(dlg, [&] {
        OpenByTyping(&texts, [](QFileDialog* d) { SavePng(OnScreen(d), "x11-open-dialog"); });
        ASSERT_TRUE(dlg.m_bOpened);
        auto* tree = static_cast<QTreeWidget*>(WidgetOf(dlg.m_tree));
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(20, 8));
        QTest::keyClick(tree, Qt::Key_Asterisk); // expands the whole branch, as usual
        QApplication::processEvents();
        const QFontMetrics metrics(tree->font());
        int items = 0;
        for (QTreeWidgetItemIterator it(tree); *it != nullptr; ++it, ++items) {
            EXPECT_TRUE((*it)->childCount() == 0 || (*it)->isExpanded());
            int depth = 0;
            for (QTreeWidgetItem* p = (*it)->parent(); p != nullptr; p = p->parent())
                ++depth;
            EXPECT_GE(tree->header()->sectionSize(0),
                      tree->indentation() * (depth + 1) + metrics.horizontalAdvance((*it)->text(0)))
                << (*it)->text(0).toStdString();
        }
        EXPECT_EQ(items, 33);
        QScrollBar* bar = tree->horizontalScrollBar();
        ASSERT_GT(bar->maximum(), 0);
        QTest::keyClick(tree, Qt::Key_End);
        for (int i = 0; i < 100 && bar->value() < bar->maximum(); ++i)
            QTest::keyClick(tree, Qt::Key_Right);
        EXPECT_EQ(bar->value(), bar->maximum()) << "the keyboard reaches the lines' ends";
        QApplication::processEvents();
        SavePng(OnScreen(Frame()), "x11-main-dialog-report-scrolled");
    });
    ASSERT_GE(texts.size(), 5);
    for (const QString& t : texts)
        EXPECT_TRUE(HasChinese(t)) << t.toStdString();
}

TEST_F(UserSession, ReadsModifiesAndRefusesThroughTheFields) {
    QString refusal;
    RunModal(dlg, [&] {
        OpenByTyping();
        ASSERT_TRUE(dlg.m_bOpened);
        Type(Edit(IDC_EDIT_X), "5");
        Type(Edit(IDC_EDIT_Y), "7");
        Click(Button(IDC_READ_PIXEL));
        const RGBQUAD p = dlg.m_pDib->GetPixel(5, 7);
        EXPECT_EQ(Bgrs(), std::to_string(p.rgbBlue) + "," + std::to_string(p.rgbGreen) + "," +
                              std::to_string(p.rgbRed) + ",0");

        Type(Edit(IDC_EDIT_B), "1");
        Type(Edit(IDC_EDIT_G), "2");
        Type(Edit(IDC_EDIT_R), "3");
        Click(Button(IDC_MODIFY_PIXEL));
        Type(Edit(IDC_EDIT_B), "9");
        Click(Button(IDC_READ_PIXEL));
        EXPECT_EQ(Bgrs(), "1,2,3,0");

        // The colour dialog speaks Chinese too; cancelled, it changes nothing.
        QStringList colourTexts;
        WhenShown<QColorDialog>([&](QColorDialog* d) {
            for (QAbstractButton* b : d->findChildren<QAbstractButton*>())
                if (b->isVisible() && !b->text().isEmpty())
                    colourTexts << b->text();
            for (QLabel* l : d->findChildren<QLabel*>())
                if (l->isVisible() && !l->text().isEmpty() && !l->text().startsWith("#"))
                    colourTexts << l->text();
            QTest::keyClick(d, Qt::Key_Escape);
        });
        Click(Button(IDC_CHOOSE_COLOR));
        ASSERT_GE(colourTexts.size(), 4);
        for (const QString& t : colourTexts) {
            // Texts with words in them; the dialog also has blank and symbol labels.
            if (std::any_of(t.begin(), t.end(), [](QChar c) { return c.isLetter(); })) {
                EXPECT_TRUE(HasChinese(t)) << t.toStdString();
            }
        }
        EXPECT_EQ(Bgrs(), "1,2,3,0");

        Type(Edit(IDC_EDIT_B), "3000000000");
        Answer({{"确定", &refusal}});
        Click(Button(IDC_MODIFY_PIXEL));
        EXPECT_EQ(Frame()->focusWidget(), Edit(IDC_EDIT_B));
        EXPECT_EQ(Edit(IDC_EDIT_B)->selectedText(), "3000000000");
        const RGBQUAD kept = dlg.m_pDib->GetPixel(5, 7);
        EXPECT_EQ(kept.rgbBlue, 1) << "nothing written";
    });
    EXPECT_EQ(refusal.toStdString(), "“请填入一个在0和255之间的整数。”");
}

TEST_F(UserSession, SavesTheBitmapAndTheReportAndCopiesTheReport) {
    const std::string bitmap = dir.Path("saved.bmp"), report = dir.Path("report.txt");
    QString createQuestion, savedBitmap, savedReport, copied;
    RunModal(dlg, [&] {
        OpenByTyping();
        ASSERT_TRUE(dlg.m_bOpened);
        TypeIntoFileDialog(bitmap);
        Answer({{"是", &createQuestion}, {"确定", &savedBitmap}}); // asked: it is new
        Menu("保存修改的位图")->trigger();

        TypeIntoFileDialog(report);
        Answer({{"是", nullptr}, {"确定", &savedReport}});
        Click(Button(IDC_SAVE_REPORT));

        QApplication::clipboard()->clear();
        Answer({{"确定", &copied}});
        Click(Button(IDC_COPY_REPORT));
        EXPECT_TRUE(QApplication::clipboard()->text().contains("文件基本信息FILEATTRIBUTE"));

        OnNextModal([&](CDialog& usage) {
            SavePng(OnScreen(FrameOf(usage)), "x11-usage-dialog");
            for (QLabel* label : WidgetOf(usage)->findChildren<QLabel*>()) {
                if (!label->text().isEmpty()) {
                    EXPECT_LE(label->heightForWidth(label->contentsRect().width()),
                              label->contentsRect().height())
                        << label->text().toStdString();
                }
            }
        });
        Menu("使用说明")->trigger();
    });
    EXPECT_TRUE(createQuestion.contains("saved.bmp")) << createQuestion.toStdString();
    EXPECT_EQ(savedBitmap.toStdString(), "保存完毕!");
    EXPECT_EQ(savedReport.toStdString(), "保存完毕!");
    EXPECT_TRUE(copied.startsWith("位图信息已经复制到剪贴板")) << copied.toStdString();
    const std::vector<BYTE> saved = ReadFileBytes(bitmap);
    ASSERT_GT(saved.size(), 54u);
    EXPECT_EQ(saved[28], 16) << "saved at 16 bits";
    const std::vector<BYTE> text = ReadFileBytes(report);
    EXPECT_EQ(text.size(), 15480u + 33u) << "the whole buffer, lines ending CR CR LF";
}

} // namespace

TEST_F(UserSession, ChecksARefusedFileAndTellsWhereAPixelLives) {
    BmpFields fields;
    fields.headerSize = 12; // a header the loader refuses
    const std::string refused = dir.Write("os2.bmp", BuildBmp(fields));
    QStringList rows;
    QString where;
    RunModal(dlg, [&] {
        TypeIntoFileDialog(refused);
        OnNextModal([&](CDialog& check) {
            auto* list = static_cast<QTreeWidget*>(WidgetOf(*check.GetDlgItem(IDC_CHECK_FINDINGS)));
            for (QTreeWidgetItemIterator it(list); *it != nullptr; ++it) {
                rows << (*it)->text(0);
                EXPECT_GE(list->header()->sectionSize(0),
                          QFontMetrics(list->font()).horizontalAdvance((*it)->text(0)));
            }
            SavePng(OnScreen(FrameOf(check)), "x11-check-dialog");
            PressKey(check, Qt::Key_Return);
        });
        Menu("检查位图文件")->trigger();

        OpenByTyping();
        Answer({{"确定", &where}});
        Menu("像素位置")->trigger();
    });
    ASSERT_FALSE(rows.empty());
    EXPECT_TRUE(rows[0].contains("错误  header-size")) << rows[0].toStdString();
    EXPECT_TRUE(where.startsWith("像素(0,0)\n文件偏移 0x")) << where.toStdString();
}
