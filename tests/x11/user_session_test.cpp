// The main dialog, the real file dialogs and message boxes: opening, reading and
// writing pixels, saving, and the tools menu.
#include "dib/dib.h"
#include "platform/codepage.h"
#include "tests/x11/x11_support.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace {

TEST_F(UserSession, OpensByTypingThePathAndShowsEveryReportLineWhole) {
    QStringList texts;
    RunModal(dlg, [&] {
        OpenByTyping(&texts, [](QFileDialog* d) {
            EXPECT_FALSE(d->findChild<QListWidget*>("undecodableNames")->isVisible())
                << "no names that are not UTF-8 here: no list";
            SavePng(OnScreen(d), "x11-open-dialog");
        });
        ASSERT_TRUE(dlg.m_bOpened);
        auto* tree = static_cast<QTreeWidget*>(WidgetOf(dlg.m_tree));
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(20, 8));
        QTest::keyClick(tree, Qt::Key_Asterisk); // expands the whole branch, as usual
        QApplication::processEvents();
        EXPECT_FALSE(tree->header()->isVisible()) << "lines only, no column header";
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

        // Typed without its extension, the name gets the filter's.
        QStringList filters;
        TypeIntoFileDialog(dir.Path("report"), nullptr,
                           [&](QFileDialog* d) { filters = d->nameFilters(); });
        Answer({{"是", nullptr}, {"确定", &savedReport}});
        Click(Button(IDC_SAVE_REPORT));
        EXPECT_EQ(filters, QStringList{"(文本文件)*.txt (*.txt *.TXT)"});

        // The clipboard: the whole block and a zero as GBK bytes, the text up to the zero.
        QApplication::clipboard()->clear();
        Answer({{"确定", &copied}});
        Click(Button(IDC_COPY_REPORT));
        const QMimeData* data = QApplication::clipboard()->mimeData();
        const std::string block(dlg.m_pReport, static_cast<size_t>(dlg.m_nReportSize));
        EXPECT_EQ(data->data("text/plain;charset=GBK").toStdString(), block + '\0');
        EXPECT_EQ(data->text().toStdString(),
                  platform::GbkToUtf8(block.substr(0, block.find('\0'))));

        OnNextModal([&](CDialog& usage) {
            SavePng(OnScreen(FrameOf(usage)), "x11-usage-dialog");
            EXPECT_EQ(TextOf(&usage), "Pixscope使用帮助");
            ExpectNoTextCut(usage);
            // Beside the help of old: the tools, the zoom and the keys.
            QString all;
            for (QLabel* label : FrameOf(usage)->findChildren<QLabel*>())
                all += label->text();
            for (const char* told : {"结构视图", "放大镜", "32倍", "Ctrl+Q", "Alt+F"})
                EXPECT_TRUE(all.contains(QString::fromUtf8(told))) << told;
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
    // The whole buffer in text mode: its 33 lines end CR CR LF, zeros after them.
    const std::vector<BYTE> text = ReadFileBytes(report);
    ASSERT_EQ(text.size(), 15480u + 33u);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 33);
    const std::string all(text.begin(), text.end());
    const std::size_t end = all.rfind("\r\r\n");
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(all.find_first_not_of('\0', end + 3), std::string::npos);
}

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
        Answer({{"否", &where}});
        Menu("像素位置")->trigger();
    });
    ASSERT_FALSE(rows.empty());
    // Another kind of header is only a note; the fields it then reads are wrong here.
    EXPECT_TRUE(rows[0].contains("提示  header-size")) << rows[0].toStdString();
    EXPECT_TRUE(rows[1].contains("错误")) << rows[1].toStdString();
    EXPECT_TRUE(where.startsWith("像素(0,0)\n文件偏移 0x")) << where.toStdString();
}

TEST_F(UserSession, OpensFilesWhoseNamesAreNotUtf8FromTheOpenDialog) {
    // Latin-1 names, as an archive made elsewhere unpacks them; only the .bmp ones are
    // offered under the filter, in order.
    const std::vector<BYTE> bytes = ReadFileBytes(picture);
    for (const char* name : {"a\xE9.bmp", "caf\xE9.bmp", "caf\xE9.txt"})
        dir.Write(name, bytes);
    QStringList offered;
    // Chooses a row of the next open dialog's list by a double-click, or by Enter.
    const auto choose = [&](int row, bool enter) {
        WhenShown<QFileDialog>([&, row, enter](QFileDialog* d) {
            if (!enter) { // the first time, the user goes to the folder by its path
                auto* name = d->findChild<QLineEdit*>("fileNameEdit");
                QApplication::clipboard()->setText(QString::fromStdString(dir.Dir()));
                QTest::mouseClick(name, Qt::LeftButton);
                QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClick(name, Qt::Key_V, Qt::ControlModifier);
                QTest::keyClick(name, Qt::Key_Return);
            }
            auto* list = d->findChild<QListWidget*>("undecodableNames");
            if (list == nullptr || !QTest::qWaitFor([&] { return list->count() > 1; })) {
                ADD_FAILURE() << "no list of names";
                return d->reject();
            }
            offered.clear();
            for (int i = 0; i < list->count(); ++i)
                offered << list->item(i)->text();
            SavePng(OnScreen(d), "x11-open-dialog-undecodable");
            const QPoint at = list->visualItemRect(list->item(row)).center();
            // A double-click: the first click's press and release, then the second's.
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
            if (enter)
                QTest::keyClick(list, Qt::Key_Return);
            else
                QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
            if (d->isVisible()) {
                ADD_FAILURE() << "nothing was chosen";
                d->reject();
            }
        });
        Menu("打开位图文件")->trigger();
        EXPECT_TRUE(dlg.m_bOpened);
        return std::string(dlg.m_pReport, static_cast<size_t>(dlg.m_nReportLen));
    };
    RunModal(dlg, [&] {
        // Named as pixscope-cli names it: the stray byte as a replacement character.
        EXPECT_NE(choose(1, false).find("/caf\x84\x31\xA4\x37.bmp"), std::string::npos);
        EXPECT_EQ(offered, (QStringList{"a\\xE9.bmp", "caf\\xE9.bmp"}));
        EXPECT_NE(choose(0, true).find("/a\x84\x31\xA4\x37.bmp"), std::string::npos);
    });
}

} // namespace
