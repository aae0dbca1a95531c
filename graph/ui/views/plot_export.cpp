#include "graph/ui/views/plot_export.h"

#include "frame/atomic_file.h"

#include <QBuffer>
#include <QFileInfo>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QWidget>

#include <algorithm>
#include <cmath>

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

namespace {

QString commitBytes(const QByteArray& bytes, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return file.errorString();
    }
    if (!file.commit()) return file.errorString();
    return {};
}

bool usable(const FigureSize& size) {
    return size.pixels.width() > 0 && size.pixels.height() > 0 && size.dpi > 0 &&
           size.pixels.width() <= 20000 && size.pixels.height() <= 20000;
}

}  // namespace

FigurePainter sceneFigure(QGraphicsScene* scene, QRectF source) {
    return [scene, source](QPainter& painter, const QRectF& target) {
        const QRectF from = source.isEmpty() ? scene->itemsBoundingRect() : source;
        painter.fillRect(target, Qt::white);
        // A small white border, so no label touches the paper's edge.
        const double border = std::min(target.width(), target.height()) * 0.03;
        scene->render(&painter, target.adjusted(border, border, -border, -border), from, Qt::KeepAspectRatio);
    };
}

QString writeFigurePng(const FigurePainter& figure, const FigureSize& size, const QString& path) {
    if (!usable(size)) return QStringLiteral("the picture size is not usable");
    QImage image(size.pixels, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return QStringLiteral("there is not enough memory for the picture");
    const int dotsPerMeter = static_cast<int>(std::lround(size.dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        figure(painter, QRectF(QPointF(0, 0), QSizeF(size.pixels)));
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) return QStringLiteral("the PNG encoder failed");
    return commitBytes(bytes, path);
}

QString writeFigureSvg(const FigurePainter& figure, const FigureSize& size, const QString& path) {
    if (!usable(size)) return QStringLiteral("the picture size is not usable");
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size.pixels);
    svg.setViewBox(QRect(QPoint(0, 0), size.pixels));
    svg.setResolution(size.dpi);
    svg.setTitle(QFileInfo(path).completeBaseName());
    {
        QPainter painter;
        if (!painter.begin(&svg)) return QStringLiteral("the SVG writer could not start");
        figure(painter, QRectF(QPointF(0, 0), QSizeF(size.pixels)));
        painter.end();
    }
    return commitBytes(bytes, path);
}

QString writeFigure(const FigurePainter& figure, const FigureSize& size, const QString& path) {
    if (QFileInfo(path).suffix().compare(QStringLiteral("svg"), Qt::CaseInsensitive) == 0)
        return writeFigureSvg(figure, size, path);
    return writeFigurePng(figure, size, path);
}

bool saveFigure(QWidget* parent, const FigurePainter& figure, const UserPrompts& prompts,
                const FigureSize& size) {
    const QString path = prompts.chooseSaveFile(parent, kSaveTitle, kFigureFilter, QStringLiteral("svg"));
    if (path.isEmpty()) return false;
    const QString problem = writeFigure(figure, size, path);
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
