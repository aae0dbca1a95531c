// Shared by the GUI-mode tests: a scripted answerer that stands in for the
// user, the form's controls found by objectName, and file comparisons.
#pragma once

#include "host/session/dialog_answerer.h"
#include "host/session/host_state.h"

#include <gtest/gtest.h>

#include <QObject>
#include <QQmlApplicationEngine>
#include <QVariant>

#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace gui_test {

namespace fs = std::filesystem;

// Answers each dialog with the next scripted value (null: the user pressed
// Cancel) and keeps the messages it was shown. A dialog nobody scripted fails
// the test and is cancelled.
class ScriptedUser : public talvora::DialogAnswerer {
public:
    std::deque<nlohmann::json> answers;
    std::vector<talvora::DialogRequest> asked;
    std::vector<std::string> messages;

    std::optional<nlohmann::json> answer(talvora::HostState& host, const talvora::DialogRequest& r) override {
        asked.push_back(r);
        nlohmann::json value;  // null
        if (answers.empty())
            ADD_FAILURE() << "unexpected " << r.kind << " dialog \"" << r.text << "\"";
        else
            value = answers.front(), answers.pop_front();
        host.record(r.kind, r.text, talvora::describe(value));
        return value;
    }
    void showMessage(const std::string& text) override { messages.push_back(text); }
};

inline QObject* child(QQmlApplicationEngine& engine, const char* name) {
    QObject* root = engine.rootObjects().value(0);
    QObject* o = root ? (root->objectName() == name ? root : root->findChild<QObject*>(name)) : nullptr;
    EXPECT_NE(o, nullptr) << name;
    return o;
}

// A control without an objectName, by its text ("Browse...").
inline QObject* childByText(QQmlApplicationEngine& engine, const QString& text) {
    QObject* root = engine.rootObjects().value(0);
    if (!root) return nullptr;
    for (QObject* o : root->findChildren<QObject*>())
        if (o->property("text").toString() == text && o->metaObject()->indexOfSignal("clicked()") >= 0)
            return o;
    ADD_FAILURE() << "no button \"" << text.toStdString() << "\"";
    return nullptr;
}

inline void press(QObject* button) {
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(QMetaObject::invokeMethod(button, "clicked"));
}

inline void press(QQmlApplicationEngine& engine, const char* button) {
    press(child(engine, button));
}

inline std::string text(QQmlApplicationEngine& engine, const char* name) {
    QObject* o = child(engine, name);
    return o ? o->property("text").toString().toStdString() : "(missing)";
}

inline std::string bytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The files under `dir` (relative paths), in order.
inline std::vector<fs::path> filesUnder(const fs::path& dir) {
    std::vector<fs::path> files;
    for (const auto& e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file()) files.push_back(fs::relative(e.path(), dir));
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace gui_test
