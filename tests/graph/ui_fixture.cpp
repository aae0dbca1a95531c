#include "ui_fixture.h"

#include "graph/io/study_manifest.h"
#include "graph/io/subject.h"

namespace graph_test {

std::unique_ptr<ConnectivityObject> openSubjectWindow(const TempFolder& folder, const std::string& dir,
                                                      const std::vector<Rows>& matrices,
                                                      const std::vector<std::string>& conditions,
                                                      const std::shared_ptr<PromptScript>& script) {
    const std::string path = writeSubject(folder, dir, "sub", matrices, conditions);
    auto subject = std::make_shared<Subject>();
    subject->manifest = readStudyManifest(path);
    subject->folder = (folder.path() / dir).string();
    auto object = std::make_unique<ConnectivityObject>(subject);
    if (script) object->setPrompts(scriptedPrompts(script));
    object->load();
    object->showWindow();
    return object;
}

}  // namespace graph_test
