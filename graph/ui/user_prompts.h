#pragma once
// The few questions the graph windows put to the user, gathered in one place
// so tests (and batch use) can answer them without real modal dialogs.

#include <QString>

#include <functional>

class QWidget;

namespace graph::ui {

struct UserPrompts {
    // Path of the manifest to add; empty when the user cancels.
    std::function<QString(QWidget* parent)> chooseManifestFile;
    // A Yes/No question; true for Yes.
    std::function<bool(QWidget* parent, const QString& title, const QString& text)> askYesNo;
    // File to save to ("Save as..." dialog with a filter and a default
    // suffix without dot); empty when the user cancels.
    std::function<QString(QWidget* parent, const QString& title, const QString& filter,
                          const QString& suffix)>
        chooseSaveFile;
    // An error the user must acknowledge.
    std::function<void(QWidget* parent, const QString& title, const QString& text)> showError;

    // Standard file dialog and message boxes.
    static UserPrompts interactive();
};

}  // namespace graph::ui
