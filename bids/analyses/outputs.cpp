#include "bids/analyses/outputs.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <utility>

#include "bids/derivatives/naming.h"

namespace bids::analyses {
namespace fs = std::filesystem;

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

layout::FileName allRunsName(const app::Run& first) {
    layout::FileName name = first.bold.name;
    name.entities.erase(std::remove_if(name.entities.begin(), name.entities.end(),
                                       [](const layout::Entity& e) { return e.key == "run"; }),
                        name.entities.end());
    return name;
}

void keepHostLogs(const app::ParticipantJob& job, const layout::FileName& name, const std::string& desc,
                  const fs::path& work) {
    const auto logs = job.writer.output() / ("sub-" + job.label) / "log";
    for (const auto& [file, suffix] :
         {std::pair<const char*, const char*>{"job.json", "job"}, {"transcript.json", "transcript"}}) {
        job.writer.copyIn(work / file,
                          logs / derivatives::derivativeName(name, {{{"desc", desc}}, suffix, ".json"}));
    }
    job.writer.copyIn(work / "host_output.txt",
                      logs / derivatives::derivativeName(name, {{{"desc", desc}}, "hostlog", ".txt"}));
}

}  // namespace bids::analyses
