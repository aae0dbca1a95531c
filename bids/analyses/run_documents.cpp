#include "bids/analyses/run_documents.h"

#include <algorithm>
#include <stdexcept>

#include "host/bids/events_to_protocol.h"
#include "host/formats/convert_registry.h"
#include "host/formats/protocol_file.h"
#include "host/formats/vtc_file.h"

namespace bids::analyses {
namespace fs = std::filesystem;
namespace fmt = talvora::formats;

std::vector<RunDocuments> convertRuns(const std::vector<app::Run>& runs, const fs::path& folder,
                                      std::ostream& report) {
    std::vector<RunDocuments> documents;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const std::string stem = "run" + std::to_string(i + 1);
        RunDocuments run;
        run.vtc = folder / (stem + ".vtc");
        run.vmr = folder / (stem + ".vmr");
        run.protocol = folder / (stem + ".prt");
        fmt::ConvertRequest request;
        request.input = runs[i].bold.path;
        request.output = run.vtc;
        request.report = &report;
        fmt::runConversion(request);
        run.trMs = fmt::readVtcHeader(run.vtc).trMilliseconds();
        if (runs[i].events) {
            talvora::bids::EventsOptions options;
            options.trMs = run.trMs;
            talvora::bids::convertEventsToProtocol(runs[i].events->path, run.protocol, options, report);
            for (const auto& condition : fmt::readProtocolFile(run.protocol).conditions)
                run.conditions.push_back(condition.name);
        }
        documents.push_back(run);
    }
    return documents;
}

int conditionNumber(const std::vector<RunDocuments>& documents, const app::Run& first,
                    const std::string& name) {
    const auto& conditions = documents.front().conditions;
    const std::string events = first.events ? first.events->path.string() : first.bold.path.string();
    if (conditions.empty()) throw std::runtime_error(events + ": no events");
    if (name.empty()) return 1;
    const auto found = std::find(conditions.begin(), conditions.end(), name);
    if (found == conditions.end()) {
        std::string known;
        for (const auto& c : conditions) known += (known.empty() ? "" : ", ") + c;
        throw std::runtime_error(events + ": no trial_type \"" + name + "\" (trial types: " + known + ")");
    }
    return static_cast<int>(found - conditions.begin()) + 1;
}

}  // namespace bids::analyses
