// The structure view as a user meets it: opened from the "工具" menu on a file the open
// command refuses, a field, a pixel and an offset chosen with real clicks and keys.
#include "inspect/pixel_location.h"
#include "tests/x11/x11_support.h"
#include "views/hex_view.h"
#include "views/structure_picture.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <cstring>
#include <tuple>

namespace {

using views::HexView;

QWidget* StructureWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "structureView" && w->isVisible())
            return w;
    return nullptr;
}

// Whether the screen shows the byte at offset with the chosen bytes' background.
bool ShownChosen(const QImage& screen, QWidget* window, HexView* hex, std::uint64_t offset) {
    const QRect r = hex->RectOf(offset);
    const QPoint at = hex->viewport()->mapTo(window, QPoint(r.left() - 2, r.center().y()));
    return screen.pixelColor(at * screen.devicePixelRatio()) == QColor(255, 214, 102);
}

class StructureView : public UserSession {};

// An OS/2 bitmap array of 24-bit pictures of the given sizes: a record, a file header and a
// 12-byte header each, offsets counted from the start of the file.
std::vector<BYTE> BitmapArray(const std::vector<std::pair<int, int>>& sizes) {
    std::vector<BYTE> out;
    const auto put = [&](std::size_t at, std::uint32_t v, int n) {
        std::memcpy(&out[at], &v, static_cast<std::size_t>(n));
    };
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const auto [w, h] = sizes[i];
        const std::size_t at = out.size(),
                          pixels = static_cast<std::size_t>((w * 3 + 3) / 4 * 4 * h);
        out.resize(at + 40 + pixels, 0x80);
        out[at] = 'B', out[at + 1] = 'A';
        put(at + 2, 40, 4);
        put(at + 6, i + 1 < sizes.size() ? static_cast<std::uint32_t>(out.size()) : 0, 4);
        put(at + 10, 0, 4);
        out[at + 14] = 'B', out[at + 15] = 'M';
        put(at + 16, static_cast<std::uint32_t>(40 + pixels - 14), 4);
        put(at + 20, 0, 4);
        put(at + 24, static_cast<std::uint32_t>(at + 40), 4);
        put(at + 28, 12, 4);
        put(at + 32, static_cast<std::uint32_t>(w), 2);
        put(at + 34, static_cast<std::uint32_t>(h), 2);
        put(at + 36, 1, 2);
        put(at + 38, 24, 2);
    }
    return out;
}

// A run-length stream of thousands of codes: its row opens to groups of a thousand, and a
// byte chosen in the hex view leads the tree to its code.
TEST_F(StructureView, ARunLengthStreamOpensCodeByCodeInGroups) {
    std::vector<BYTE> stream;
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 1500; ++x)
            stream.insert(stream.end(), {1, static_cast<BYTE>(x)});
        stream.insert(stream.end(), {0, 0});
    }
    stream.insert(stream.end(), {0, 1});
    const auto size = static_cast<DWORD>(stream.size());
    const std::string path = dir.Write("codes.bmp", BmpFields{}
                                                        .Size(1500, 2)
                                                        .Bits(8)
                                                        .Table(std::vector<RGBQUAD>(256))
                                                        .Compression(BI_RLE8)
                                                        .Pixels(std::move(stream))
                                                        .SizeImage(size)
                                                        .Build());
    const std::uint64_t last = 14 + 40 + 1024 + size - 1;
    RunModal(dlg, [&] {
        TypeIntoFileDialog(path);
        Menu("结构视图")->trigger();
        QWidget* window = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] { return (window = StructureWindow()) != nullptr; }));
        auto* tree = window->findChild<QTreeWidget*>("fields");
        auto* hex = window->findChild<HexView*>("hex");
        const auto region = tree->findItems("游程编码的像素数据", Qt::MatchExactly);
        ASSERT_EQ(region.size(), 1);
        EXPECT_EQ(region[0]->childCount(), 0);
        tree->scrollToItem(region[0]);
        QTest::qWait(50); // the tree lays out its rows after the scroll
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          QPoint(60, tree->visualItemRect(region[0]).center().y()));
        ASSERT_EQ(tree->currentItem(), region[0]);
        QTest::keyClick(tree, Qt::Key_Right);
        EXPECT_TRUE(region[0]->isExpanded());
        ASSERT_EQ(region[0]->childCount(), 4);
        EXPECT_EQ(region[0]->child(0)->text(0), "单元 0–999");
        EXPECT_EQ(region[0]->child(3)->text(0), "单元 3000–3002");
        SavePng(OnScreen(window), "x11-structure-units-groups");

        QTest::mouseClick(hex->viewport(), Qt::LeftButton, {}, hex->RectOf(last).center());
        ASSERT_NE(tree->currentItem(), nullptr);
        EXPECT_EQ(tree->currentItem()->text(0), "位图结束");
        EXPECT_EQ(tree->currentItem()->parent()->text(0), "单元 3000–3002");
        // The code of pixel 1200 of the bottom row, by Ctrl+G.
        WhenShown<QInputDialog>([&](QInputDialog* d) {
            auto* edit = d->findChild<QLineEdit*>();
            Type(edit, QString::number(14 + 40 + 1024 + 2 * 1200));
            QTest::keyClick(edit, Qt::Key_Return);
        });
        QTest::keyClick(hex, Qt::Key_G, Qt::ControlModifier);
        EXPECT_EQ(tree->currentItem()->text(0), "游程");
        EXPECT_EQ(tree->currentItem()->text(3), "1 × 176"); // x 1200: its index, 1200 mod 256
        EXPECT_TRUE(tree->currentItem()->text(4).startsWith("从 (1200, 1) 起 1 个像素"))
            << tree->currentItem()->text(4).toStdString();
        SavePng(OnScreen(window), "x11-structure-units-code");
        window->close();
    });
}

// A bitmap array's images are listed above the tree; choosing one with the keyboard shows
// that image's fields and picture in the window's place.
TEST_F(StructureView, ABitmapArrayListsItsImagesAndShowsTheOneChosen) {
    const std::string path = dir.Write("array.bmp", BitmapArray({{4, 2}, {3, 5}}));
    RunModal(dlg, [&] {
        TypeIntoFileDialog(path);
        Menu("结构视图")->trigger();
        QWidget* window = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] { return (window = StructureWindow()) != nullptr; }));
        auto* images = window->findChild<QComboBox*>("images");
        ASSERT_NE(images, nullptr);
        ASSERT_EQ(images->count(), 2);
        EXPECT_EQ(images->currentIndex(), 0);
        EXPECT_EQ(images->itemText(1), "图像 1：BM，3 × 5，24 位，在 0x4E");
        EXPECT_TRUE(window->windowTitle().endsWith("（图像 0）"));
        const QRect place = window->geometry();
        SavePng(OnScreen(window), "x11-structure-array");

        const QPointer<QWidget> first = window;
        images->setFocus();
        QTest::keyClick(images, Qt::Key_Down);
        QWidget* next = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] {
            next = StructureWindow();
            return next != nullptr && next->windowTitle().endsWith("（图像 1）");
        }));
        EXPECT_TRUE(QTest::qWaitFor([&] { return first.isNull() || !first->isVisible(); }));
        EXPECT_EQ(next->geometry().size(), place.size());
        EXPECT_EQ(next->findChild<QComboBox*>("images")->currentIndex(), 1);
        auto* tree = next->findChild<QTreeWidget*>("fields");
        const auto width = tree->findItems("bcWidth", Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(width.size(), 1);
        EXPECT_EQ(width[0]->text(1), "0x60");
        EXPECT_EQ(width[0]->text(3), "3");
        SavePng(OnScreen(next), "x11-structure-array-image-1");
        next->close();
    });
}

TEST_F(StructureView, AV5FileFromTheToolsMenuTiesItsFieldsBytesAndPixels) {
    const std::string v5 = std::string(PIXSCOPE_PRODUCERS) + "/im-default.bmp";
    const std::vector<BYTE> bytes = ReadFileBytes(v5);
    RunModal(dlg, [&] {
        TypeIntoFileDialog(v5);
        Menu("结构视图")->trigger();
        QWidget* window = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] { return (window = StructureWindow()) != nullptr; }));
        auto* tree = window->findChild<QTreeWidget*>("fields");
        auto* hex = window->findChild<HexView*>("hex");
        auto* picture = window->findChild<views::StructurePicture*>("picture");
        ASSERT_TRUE(tree && hex && picture);
        EXPECT_TRUE(window->windowTitle().endsWith("im-default.bmp"));
        ExpectColumnsFit(tree);
        SavePng(OnScreen(window), "x11-structure-opened");

        // A field: its bytes are chosen and shown.
        const auto found = tree->findItems("bV5RedMask", Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(found.size(), 1);
        tree->scrollToItem(found[0]);
        QTest::qWait(50); // the tree lays out its rows after the scroll
        // On its name: the row runs on past the pane.
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          QPoint(60, tree->visualItemRect(found[0]).center().y()));
        EXPECT_TRUE(QTest::qWaitFor([&] { return hex->Chosen().offset == 0x36; }));
        EXPECT_EQ(hex->Chosen().size, 4u);
        QImage screen = OnScreen(window);
        SavePng(screen, "x11-structure-field");
        for (std::uint64_t at : {0x36, 0x39})
            EXPECT_TRUE(ShownChosen(screen, window, hex, at)) << at;
        EXPECT_FALSE(ShownChosen(screen, window, hex, 0x3A));

        // A byte of the pixels: the pixel it belongs to (x 1 of the bottom row) and the
        // bytes that hold it, in the tree the stored row that holds them; a finding: its
        // offset, in its field.
        QTest::mouseClick(hex->viewport(), Qt::LeftButton, {}, hex->RectOf(0x8D).center());
        EXPECT_EQ(tree->currentItem()->text(0), "行 y=6");
        EXPECT_EQ(tree->currentItem()->parent()->text(0), "像素数据");
        EXPECT_EQ(std::pair(hex->Chosen().offset, hex->Chosen().size),
                  std::pair(std::uint64_t{0x8D}, std::uint64_t{3}));
        auto* status = window->findChild<QLabel*>("status");
        EXPECT_TRUE(status->text().contains("像素 (1, 6)")) << status->text().toStdString();
        auto* findings = window->findChild<QListWidget*>("findings");
        QTest::mouseClick(findings->viewport(), Qt::LeftButton, {},
                          findings->visualItemRect(findings->item(0)).center());
        EXPECT_EQ(hex->Caret(), 0x0Eu);
        EXPECT_EQ(tree->currentItem()->text(0), "bV5Size");

        // A pixel: the bytes that hold it, as the locator names them; its field is the
        // pixel array's.
        const std::int64_t x = 6, y = 3;
        std::string error;
        const auto where = inspect::LocatePixel(bytes, x, y, error);
        ASSERT_TRUE(where && where->offset) << error;
        PointerTo(picture->Canvas(), picture->PointOf(x, y));
        const std::vector<BYTE>& b = where->bytes; // 24 bits: blue, green, red
        EXPECT_EQ(picture->title(), QString("图像（指针:(%1,%2) BGRS:%3,%4,%5,0）")
                                        .arg(x)
                                        .arg(y)
                                        .arg(b[0])
                                        .arg(b[1])
                                        .arg(b[2]));
        QTest::mouseClick(picture->Canvas(), Qt::LeftButton, {}, picture->PointOf(x, y));
        EXPECT_EQ(std::pair(hex->Chosen().offset, hex->Chosen().size),
                  std::pair(*where->offset, std::uint64_t{where->bytes.size()}));
        EXPECT_EQ(tree->currentItem()->text(0), "行 y=" + QString::number(y));
        // Under it, how the colour comes out of those bytes.
        const QString raw =
            QString("原值 0x%1").arg(b[2] << 16 | b[1] << 8 | b[0], 6, 16, QChar('0'));
        EXPECT_TRUE(status->text().contains(raw.toUpper().replace("0X", "0x")))
            << status->text().toStdString();
        screen = OnScreen(window);
        SavePng(screen, "x11-structure-pixel");
        EXPECT_TRUE(ShownChosen(screen, window, hex, *where->offset));

        // Ctrl+G to the last byte, typed in hex; then a row up and the bytes copied.
        const std::uint64_t last = bytes.size() - 1;
        WhenShown<QInputDialog>([&](QInputDialog* d) {
            EXPECT_TRUE(HasChinese(d->labelText()));
            SavePng(OnScreen(d), "x11-structure-goto-dialog");
            auto* edit = d->findChild<QLineEdit*>();
            Type(edit, QString("0x%1").arg(last, 0, 16));
            QTest::keyClick(edit, Qt::Key_Return);
        });
        QTest::keyClick(hex, Qt::Key_G, Qt::ControlModifier);
        EXPECT_EQ(hex->Caret(), last);
        SavePng(OnScreen(window), "x11-structure-last-byte");
        QTest::keyClick(hex, Qt::Key_Up);
        EXPECT_EQ(hex->Caret(), last - 16);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        QTest::keyClick(hex, Qt::Key_C, Qt::ControlModifier);
        const structure::ByteRange chosen{hex->Chosen().offset, hex->Chosen().size};
        ASSERT_GT(chosen.size, 0u);
        QString expected;
        for (std::uint64_t k = 0; k < chosen.size; ++k)
            expected += QString("%1 ").arg(bytes[chosen.offset + k], 2, 16, QChar('0')).toUpper();
        EXPECT_EQ(QApplication::clipboard()->text().simplified(), expected.simplified());
        window->close();
    });
}

} // namespace

namespace {

// pixscope --structure FILE: the view alone, on a file the open command refuses, with its
// picture; the program ends when it is closed.
TEST(StructureViewAlone, OpensTheFileNamedOnTheCommandLine) {
    theApp.m_structureFile = std::string(PIXSCOPE_PRODUCERS) + "/gm-alpha.bmp";
    QTimer::singleShot(0, [] {
        QWidget* window = nullptr;
        ASSERT_TRUE(QTest::qWaitFor([&] { return (window = StructureWindow()) != nullptr; }));
        auto* tree = window->findChild<QTreeWidget*>("fields");
        EXPECT_EQ(tree->topLevelItem(1)->text(0), "BITMAPV4HEADER");
        const QImage screen = OnScreen(window);
        SavePng(screen, "x11-structure-alone");
        // Pixels as drawn are as Pillow and ImageMagick read them.
        auto* picture = window->findChild<views::StructurePicture*>("picture");
        for (const auto& [x, y, rgb] : {std::tuple(0, 0, 0x000500u), std::tuple(0, 6, 0x00DDAEu),
                                        std::tuple(6, 3, 0x727181u)}) {
            const QPoint at = picture->Canvas()->mapTo(window, picture->PointOf(x, y));
            EXPECT_EQ(screen.pixelColor(at).rgb() & 0xFFFFFF, rgb) << x << "," << y;
        }
        window->close();
    });
    theApp.InitInstance();
    EXPECT_EQ(theApp.ExitInstance(), 0);
    theApp.m_structureFile.clear();
}

} // namespace
