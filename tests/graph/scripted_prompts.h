#pragma once
// Answers the graph windows' questions from a script and records what was asked.

#include "graph/ui/user_prompts.h"

#include <QStringList>

#include <memory>

struct PromptScript {
    QStringList files;        // returned by chooseManifestFile, in order ("" = cancel)
    QStringList saveFiles;    // returned by chooseSaveFile, in order ("" = cancel)
    QStringList saveDialogs;  // "title|filter|suffix" of each save dialog
    bool answer = true;       // reply to every Yes/No question
    QStringList questions;    // "title|text" of each question asked
    QStringList errors;       // "title|text" of each error shown
};

// Prompts bound to `script`, which must outlive them.
graph::ui::UserPrompts scriptedPrompts(const std::shared_ptr<PromptScript>& script);
