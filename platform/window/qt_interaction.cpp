#include "platform/window/qt_interaction.h"
#include "platform/window/undecodable_names.h"

#include "platform/codepage.h"
#include "platform/window/cdialog.h"
#include "platform/window/cwinapp.h"
#include "platform/window/window_host.h"

#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMessageBox>
#include <QMimeData>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>

namespace platform::window {
namespace {

constexpr UINT MB_TYPEMASK = 0xF;

QWidget* ActiveFrame() {
    CDialog* modal = CDialog::ActiveModalDialog();
    return modal != nullptr ? FrameOf(modal->m_hWnd) : nullptr;
}

QMessageBox::Icon IconFor(UINT type) {
    switch (type & 0xF0) {
    case MB_ICONHAND:
        return QMessageBox::Critical;
    case MB_ICONQUESTION:
        return QMessageBox::Question;
    case MB_ICONEXCLAMATION:
        return QMessageBox::Warning;
    case MB_ICONINFORMATION:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

QString FilterString(const InteractionSeam::FileFilter& filter) {
    QStringList patterns;
    for (const std::string& p : filter.patterns) {
        const QString pattern = QString::fromStdString(p);
        patterns << pattern;
        // Names on Linux are case-sensitive; the program's patterns are not.
        if (pattern.toUpper() != pattern)
            patterns << pattern.toUpper();
    }
    return QString::fromStdString(filter.name) + " (" + patterns.join(' ') + ")";
}

} // namespace

int QtInteraction::MessageBox(const CString& text, const CString& caption, UINT type) {
    QMessageBox box(IconFor(type), ToQString(caption), ToQString(text), QMessageBox::NoButton,
                    ActiveFrame());
    struct Choice {
        const char* label;
        QMessageBox::ButtonRole role;
        int id;
    };
    std::vector<Choice> choices;
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        choices = {{"确定", QMessageBox::AcceptRole, IDOK},
                   {"取消", QMessageBox::RejectRole, IDCANCEL}};
        break;
    case MB_YESNOCANCEL:
        choices = {{"是(&Y)", QMessageBox::YesRole, IDYES},
                   {"否(&N)", QMessageBox::NoRole, IDNO},
                   {"取消", QMessageBox::RejectRole, IDCANCEL}};
        break;
    case MB_YESNO:
        choices = {{"是(&Y)", QMessageBox::YesRole, IDYES}, {"否(&N)", QMessageBox::NoRole, IDNO}};
        break;
    default:
        choices = {{"确定", QMessageBox::AcceptRole, IDOK}};
        break;
    }
    std::vector<std::pair<QAbstractButton*, int>> buttons;
    for (const Choice& c : choices)
        buttons.emplace_back(box.addButton(QString::fromUtf8(c.label), c.role), c.id);
    // A window manager elides a caption wider than its box ("p…e"): the box is made wide
    // enough for it, with room for the title bar's own buttons.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int title =
            QFontMetrics(box.font()).horizontalAdvance(box.windowTitle()) * 3 / 2 + 160;
        grid->addItem(new QSpacerItem(title, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    box.setDefaultButton(static_cast<QPushButton*>(buttons.front().first));
    box.setEscapeButton(buttons.back().first);
    box.exec();
    for (const auto& [button, id] : buttons)
        if (box.clickedButton() == button)
            return id;
    return buttons.back().second;
}

std::optional<std::string> QtInteraction::ChooseFile(const FileRequest& request) {
    constexpr DWORD OFN_OVERWRITEPROMPT = 0x2;
    constexpr DWORD OFN_FILEMUSTEXIST = 0x1000;
    constexpr DWORD OFN_CREATEPROMPT = 0x2000;
    QFileDialog dialog(ActiveFrame());
    // Qt's own dialog everywhere, so that filters and prompts behave the same on every
    // desktop.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(request.open && (request.flags & OFN_FILEMUSTEXIST) != 0
                           ? QFileDialog::ExistingFile
                           : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, (request.flags & OFN_OVERWRITEPROMPT) == 0);
    QStringList filters;
    for (const FileFilter& f : request.filters)
        filters << FilterString(f);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    if (!request.defaultExt.empty())
        dialog.setDefaultSuffix(QString::fromStdString(request.defaultExt));
    // A wildcard name only repeats the filter; the name field starts empty then.
    // A dialog starts where the user last was, in this run or the one before; the very
    // first where pictures are kept, not in whatever folder the program was started from.
    if (m_lastFolder.empty())
        CWinApp::GetProfileBinary("Settings", "LastFolder", m_lastFolder);
    QString start = QString::fromStdString(m_lastFolder);
    if (start.isEmpty() || !QFileInfo(start).isDir()) {
        const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
        start = !pictures.isEmpty() && QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
    }
    dialog.setDirectory(start);
    const QString initial = QString::fromStdString(request.initialName);
    if (!initial.isEmpty() && !initial.contains('*') && !initial.contains('?'))
        dialog.selectFile(initial);
    std::optional<std::string> undecodable;
    if (request.open) {
        std::vector<std::vector<std::string>> patterns;
        for (const FileFilter& f : request.filters)
            patterns.push_back(f.patterns);
        AddUndecodableNames(dialog, patterns, &undecodable);
    }
    for (;;) {
        const int answer = dialog.exec();
        if (answer == QDialog::Accepted && undecodable) {
            KeepFolder(dialog.directory().absolutePath().toStdString());
            return undecodable;
        }
        if (answer != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        QString chosen = dialog.selectedFiles().front();
        // A typed name without an extension gets the default one.
        if (!request.defaultExt.empty() && !QFileInfo(chosen).fileName().contains('.'))
            chosen += "." + QString::fromStdString(request.defaultExt);
        if (!request.open && (request.flags & OFN_CREATEPROMPT) != 0 &&
            !QFileInfo::exists(chosen)) {
            const CString question = CString::FromUtf8(QFileInfo(chosen).fileName().toStdString() +
                                                       " 不存在。\n要创建该文件吗？");
            if (MessageBox(question, CString::FromUtf8(dialog.windowTitle().toStdString()),
                           MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
                continue;
        }
        KeepFolder(QFileInfo(chosen).absolutePath().toStdString());
        return chosen.toStdString();
    }
}

void QtInteraction::KeepFolder(const std::string& folder) {
    m_lastFolder = folder;
    CWinApp::WriteProfileBinary("Settings", "LastFolder", folder);
}

std::optional<COLORREF> QtInteraction::ChooseColor(COLORREF initial) {
    const QColor color = QColorDialog::getColor(
        QColor(GetRValue(initial), GetGValue(initial), GetBValue(initial)), ActiveFrame());
    if (!color.isValid())
        return std::nullopt;
    return RGB(static_cast<BYTE>(color.red()), static_cast<BYTE>(color.green()),
               static_cast<BYTE>(color.blue()));
}

void QtInteraction::SetClipboardText(const std::string& bytes) {
    auto* data = new QMimeData;
    const std::string text(bytes.c_str()); // up to the first zero byte
    data->setText(QString::fromStdString(platform::GbkToUtf8(text)));
    data->setData("text/plain;charset=GBK",
                  QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
    QApplication::clipboard()->setMimeData(data);
}

QtInteraction::QtInteraction() = default;
QtInteraction::~QtInteraction() = default;

// Long work shows a modal progress dialog once it has taken half a second; setting its
// value lets the windows repaint meanwhile.
void QtInteraction::BeginProgress(const std::string& title, bool cancellable) {
    m_progress = std::make_unique<QProgressDialog>(QString::fromStdString(title),
                                                   cancellable ? QStringLiteral("取消") : QString(),
                                                   0, 1000, ActiveFrame());
    m_progress->setWindowTitle(QString::fromStdString(ApplicationTitle().ToUtf8()));
    m_progress->setWindowModality(Qt::ApplicationModal);
    m_progress->setMinimumDuration(500);
    m_progress->setAutoReset(false);
    m_progress->setAutoClose(false);
    m_progress->setValue(0);
}

bool QtInteraction::Progress(double fraction) {
    if (!m_progress)
        return true;
    m_progress->setValue(static_cast<int>(fraction * 1000));
    QCoreApplication::processEvents();
    return !m_progress->wasCanceled();
}

void QtInteraction::EndProgress() {
    m_progress.reset();
}

bool QtInteraction::Launch(const std::string& program) {
    return QProcess::startDetached(QString::fromStdString(program), {});
}

} // namespace platform::window
