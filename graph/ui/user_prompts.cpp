#include "graph/ui/user_prompts.h"

#include <QFileDialog>
#include <QMessageBox>

namespace graph::ui {

UserPrompts UserPrompts::interactive() {
    UserPrompts prompts;
    prompts.chooseManifestFile = [](QWidget* parent) {
        return QFileDialog::getOpenFileName(parent, QStringLiteral("Select json file"), QString(),
                                            QStringLiteral("Syntra Study Manifest(*.json)"));
    };
    prompts.askYesNo = [](QWidget* parent, const QString& title, const QString& text) {
        return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No) ==
               QMessageBox::Yes;
    };
    prompts.chooseSaveFile = [](QWidget* parent, const QString& title, const QString& filter,
                                const QString& suffix) {
        QFileDialog dialog(parent, title, QString(), filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(suffix);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
        return dialog.selectedFiles().first();
    };
    prompts.showError = [](QWidget* parent, const QString& title, const QString& text) {
        QMessageBox::critical(parent, title, text);
    };
    return prompts;
}

}  // namespace graph::ui
