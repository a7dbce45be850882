#include "platform/window/undecodable_names.h"

#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>

namespace platform::window {

namespace {

bool DecodesAsUtf8(const std::string& bytes) {
    const QByteArray raw(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return QString::fromUtf8(raw).toUtf8() == raw;
}

// Regular files of folder whose names Qt cannot decode and that match a pattern.
std::vector<std::string> Undecodable(const std::string& folder,
                                     const std::vector<std::string>& patterns) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (dir == nullptr)
        return names;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (DecodesAsUtf8(name))
            continue;
        struct stat st {};
        if (::stat((folder + "/" + name).c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        const bool matches =
            patterns.empty() || std::any_of(patterns.begin(), patterns.end(), [&](const auto& p) {
                // The program's patterns ignore case, as on the system it was made for.
                return ::fnmatch(p.c_str(), name.c_str(), FNM_PERIOD | FNM_CASEFOLD) == 0;
            });
        if (matches)
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

class NameList : public QListWidget {
public:
    using QListWidget::QListWidget;
    std::function<void(QListWidgetItem*)> choose;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
            currentItem() != nullptr) {
            choose(currentItem());
            return;
        }
        QListWidget::keyPressEvent(event);
    }
};

} // namespace

std::string EscapedName(const std::string& name) {
    std::string out;
    size_t i = 0;
    while (i < name.size()) {
        // The longest valid UTF-8 sequence here, else one stray byte.
        size_t taken = 0;
        for (size_t n = std::min<size_t>(4, name.size() - i); n >= 1 && taken == 0; --n)
            if (DecodesAsUtf8(name.substr(i, n)))
                taken = n;
        if (taken == 0) {
            char buf[5];
            std::snprintf(buf, sizeof buf, "\\x%02X", static_cast<unsigned char>(name[i]));
            out += buf;
            ++i;
        } else {
            out += name.substr(i, taken);
            i += taken;
        }
    }
    return out;
}

void AddUndecodableNames(QFileDialog& dialog, const std::vector<std::vector<std::string>>& patterns,
                         std::optional<std::string>* chosen) {
    auto* grid = qobject_cast<QGridLayout*>(dialog.layout());
    if (grid == nullptr)
        return;
    auto* label = new QLabel(
        QString::fromUtf8("文件名不是 UTF-8 编码、上面无法列出的文件（双击打开）："), &dialog);
    auto* list = new NameList(&dialog);
    list->setObjectName("undecodableNames");
    list->setMaximumHeight(list->fontMetrics().height() * 5);
    const int row = grid->rowCount();
    grid->addWidget(label, row, 0, 1, grid->columnCount());
    grid->addWidget(list, row + 1, 0, 1, grid->columnCount());

    auto folder = std::make_shared<std::string>();
    auto refresh = [&dialog, label, list, patterns, folder] {
        *folder = QFile::encodeName(dialog.directory().absolutePath()).toStdString();
        // The selected filter, or the first one, which the dialog starts with.
        const qsizetype filter =
            std::max<qsizetype>(0, dialog.nameFilters().indexOf(dialog.selectedNameFilter()));
        const std::vector<std::string> wanted = static_cast<size_t>(filter) < patterns.size()
                                                    ? patterns[static_cast<size_t>(filter)]
                                                    : std::vector<std::string>();
        list->clear();
        for (const std::string& name : Undecodable(*folder, wanted)) {
            auto* item = new QListWidgetItem(QString::fromStdString(EscapedName(name)), list);
            item->setData(Qt::UserRole, QByteArray::fromStdString(name));
        }
        label->setVisible(list->count() > 0);
        list->setVisible(list->count() > 0);
    };
    list->choose = [&dialog, folder, chosen](QListWidgetItem* item) {
        *chosen = *folder + "/" + item->data(Qt::UserRole).toByteArray().toStdString();
        // Accepting the file dialog itself would look for the typed name instead.
        static_cast<QDialog&>(dialog).done(QDialog::Accepted);
    };
    QObject::connect(list, &QListWidget::itemDoubleClicked, list,
                     [list](QListWidgetItem* item) { list->choose(item); });
    // The model's root follows the dialog's folder however the user gets there; the
    // dialog's own signal misses a folder reached by typing its path.
    if (auto* model = dialog.findChild<QFileSystemModel*>())
        QObject::connect(model, &QFileSystemModel::rootPathChanged, list, refresh);
    else
        QObject::connect(&dialog, &QFileDialog::directoryEntered, list, refresh);
    QObject::connect(&dialog, &QFileDialog::filterSelected, list, refresh);
    refresh();
}

} // namespace platform::window
