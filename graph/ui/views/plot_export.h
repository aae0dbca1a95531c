#pragma once
// Saving what the plot windows export: pictures and CSV text, each written
// whole or not at all, with the file named in the message when that fails.

#include "graph/ui/user_prompts.h"

#include <QRectF>
#include <QSize>
#include <QString>

#include <functional>
#include <ostream>

class QGraphicsScene;
class QPainter;
class QPixmap;
class QWidget;

namespace graph::ui {

namespace plot_export {

inline const QString kSaveTitle = QStringLiteral("Save as...");
inline const QString kPngFilter = QStringLiteral("PNG (*.png)");
inline const QString kCsvFilter = QStringLiteral("Comma-separated values (*.csv)");

// Grabs `source` and saves it as PNG to a file the user picks. False when
// cancelled or when the file could not be written (an error is shown).
bool saveWidgetImage(QWidget* parent, QWidget* source, const UserPrompts& prompts);
// Saves the picture to `path` through a temporary file renamed into place.
// Empty on success, else why it failed.
QString writePng(const QPixmap& picture, const QString& path);

// Figures for papers: drawn from the scene (or the view's own painting) into
// a picture of a fixed size, so neither the window's size nor the screen
// decides what lands in the file.
inline const QString kFigureAction = QStringLiteral("Export figure (SVG or PNG)...");
inline const QString kFigureFilter = QStringLiteral("SVG (*.svg);;PNG (*.png)");

struct FigureSize {
    QSize pixels{2400, 2400};
    int dpi = 300;
};

// Draws the whole figure into `target` (device coordinates of the painter).
using FigurePainter = std::function<void(QPainter& painter, const QRectF& target)>;

// The scene's `source` rectangle (its items' bounds when empty) scaled into
// the target with its aspect kept, on white.
FigurePainter sceneFigure(QGraphicsScene* scene, QRectF source = {});

// Writes the figure as PNG (the given pixels, the DPI stored in the file) or
// as SVG (same size, text kept as text), chosen by the file's extension
// (.svg, anything else PNG). Written whole or not at all; empty on success,
// else why it failed.
QString writeFigure(const FigurePainter& figure, const FigureSize& size, const QString& path);
QString writeFigurePng(const FigurePainter& figure, const FigureSize& size, const QString& path);
QString writeFigureSvg(const FigurePainter& figure, const FigureSize& size, const QString& path);

// Asks for an .svg or .png file and writes the figure there.
bool saveFigure(QWidget* parent, const FigurePainter& figure, const UserPrompts& prompts,
                const FigureSize& size = {});

// Asks for a CSV file and writes `write`'s text there atomically.
bool saveCsv(QWidget* parent, const UserPrompts& prompts, const std::function<void(std::ostream&)>& write);

// The number in the text stream's default notation (6 significant digits).
QString number(double value);

}  // namespace plot_export

}  // namespace graph::ui
