#include "bids/analyses/run_documents.h"

#include <algorithm>
#include <sstream>
#include <stdexcept>

#include "bids/app/in_order_workers.h"
#include "host/bids/events_to_protocol.h"
#include "host/formats/convert_registry.h"
#include "host/formats/protocol_file.h"
#include "host/formats/vtc_file.h"

namespace bids::analyses {
namespace fs = std::filesystem;
namespace fmt = talvora::formats;

namespace {

RunDocuments convertRun(const app::Run& source, const fs::path& folder, std::size_t number,
                        std::ostream& report) {
    const std::string stem = "run" + std::to_string(number);
    RunDocuments run;
    run.vtc = folder / (stem + ".vtc");
    run.vmr = folder / (stem + ".vmr");
    run.protocol = folder / (stem + ".prt");
    fmt::ConvertRequest request;
    request.input = source.bold.path;
    request.output = run.vtc;
    request.report = &report;
    fmt::runConversion(request);
    run.trMs = fmt::readVtcHeader(run.vtc).trMilliseconds();
    if (source.events) {
        talvora::bids::EventsOptions options;
        options.trMs = run.trMs;
        talvora::bids::convertEventsToProtocol(source.events->path, run.protocol, options, report);
        for (const auto& condition : fmt::readProtocolFile(run.protocol).conditions)
            run.conditions.push_back(condition.name);
    }
    return run;
}

}  // namespace

std::vector<RunDocuments> convertRuns(const std::vector<app::Run>& runs, const fs::path& folder,
                                      std::ostream& report, unsigned threads) {
    // Each run reports into a text of its own; the texts are passed on in
    // run order, so the report reads as if the runs were converted one after
    // the other.
    std::vector<RunDocuments> documents(runs.size());
    std::vector<std::ostringstream> texts(runs.size());
    const auto failure = app::runInOrderOnThreads(runs.size(), threads, [&](std::size_t i) {
        documents[i] = convertRun(runs[i], folder, i + 1, texts[i]);
    });
    const std::size_t reported = failure ? failure->index + 1 : runs.size();
    for (std::size_t i = 0; i < reported; ++i) report << texts[i].str();
    if (failure) std::rethrow_exception(failure->error);
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
