#include "graph/ui/views/plot_export.h"

#include "frame/atomic_file.h"

#include <QPixmap>
#include <QSaveFile>
#include <QWidget>

#include <exception>

namespace graph::ui {

namespace plot_export {

namespace {
const QString kErrorTitle = QStringLiteral("Export");
}

QString writePng(const QPixmap& picture, const QString& path) {
    if (picture.isNull()) return QStringLiteral("there is no picture to save");
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    if (!picture.save(&file, "PNG")) {
        file.cancelWriting();
        return QStringLiteral("the PNG encoder failed");
    }
    if (!file.commit()) return file.errorString();
    return {};
}

bool saveWidgetImage(QWidget* parent, QWidget* source, const UserPrompts& prompts) {
    const QString path = prompts.chooseSaveFile(parent, kSaveTitle, kPngFilter, QStringLiteral("png"));
    if (path.isEmpty()) return false;
    const QString problem = writePng(source->grab(), path);
    if (!problem.isEmpty()) {
        prompts.showError(parent, kErrorTitle,
                          QStringLiteral("Could not write \"%1\": %2").arg(path, problem));
        return false;
    }
    return true;
}

bool saveCsv(QWidget* parent, const UserPrompts& prompts, const std::function<void(std::ostream&)>& write) {
    const QString path = prompts.chooseSaveFile(parent, kSaveTitle, kCsvFilter, QStringLiteral("csv"));
    if (path.isEmpty()) return false;
    try {
        tl::writeFileAtomically(path.toStdString(), write);
    } catch (const std::exception& e) {
        prompts.showError(
            parent, kErrorTitle,
            QStringLiteral("Could not write \"%1\": %2").arg(path, QString::fromStdString(e.what())));
        return false;
    }
    return true;
}

QString number(double value) {
    return QString::number(value, 'g', 6);
}

}  // namespace plot_export

}  // namespace graph::ui
