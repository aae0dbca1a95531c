#pragma once
// Saving what the plot windows export: pictures and CSV text, each written
// whole or not at all, with the file named in the message when that fails.

#include "graph/ui/user_prompts.h"

#include <QString>

#include <functional>
#include <ostream>

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

// Asks for a CSV file and writes `write`'s text there atomically.
bool saveCsv(QWidget* parent, const UserPrompts& prompts, const std::function<void(std::ostream&)>& write);

// The number in the text stream's default notation (6 significant digits).
QString number(double value);

}  // namespace plot_export

}  // namespace graph::ui
