#include "scripted_prompts.h"

using graph::ui::UserPrompts;

UserPrompts scriptedPrompts(const std::shared_ptr<PromptScript>& script) {
    UserPrompts prompts;
    prompts.chooseManifestFile = [script](QWidget*) {
        return script->files.isEmpty() ? QString() : script->files.takeFirst();
    };
    prompts.askYesNo = [script](QWidget*, const QString& title, const QString& text) {
        script->questions << title + "|" + text;
        return script->answer;
    };
    prompts.chooseSaveFile = [script](QWidget*, const QString& title, const QString& filter,
                                      const QString& suffix) {
        script->saveDialogs << title + "|" + filter + "|" + suffix;
        return script->saveFiles.isEmpty() ? QString() : script->saveFiles.takeFirst();
    };
    prompts.showError = [script](QWidget*, const QString& title, const QString& text) {
        script->errors << title + "|" + text;
    };
    return prompts;
}
