// The job reader with its documents and answers: a job file is read (or
// refused with a JobError naming it), its documents are opened from a folder
// of small valid documents (or refused with a message), and its answers are
// given to every kind of dialog in turn. Each dialog's result must be the
// answer when the answer fits, else the dialog's cancel value.
#include "fuzz_support.h"
#include "host/documents/documents.h"
#include "host/formats/glm_file.h"
#include "host/formats/mask_file.h"
#include "host/formats/protocol_file.h"
#include "host/formats/vmr_file.h"
#include "host/formats/voi_file.h"
#include "host/formats/vtc_file.h"
#include "host/services/host_exports.h"
#include "host/session/host_state.h"
#include "host/session/job.h"

#include <cmath>
#include <cstring>

namespace fmt = talvora::formats;
namespace fs = std::filesystem;
using fuzz_support::finding;
using nlohmann::json;

namespace {

// anat.vmr, run.vtc with run.prt, regions.voi, study.glm and study.msk on one grid.
void writeDocuments(const fs::path& dir) {
    fmt::VmrFile vmr;
    vmr.dimX = vmr.dimY = vmr.dimZ = 16;
    fmt::writeVmrFile(dir / "anat.vmr", vmr);
    fmt::FunctionalGrid grid;
    grid.resolution = 3;
    grid.xEnd = grid.yEnd = 6;
    grid.zEnd = 3;
    fmt::VtcHeader h;
    h.sourceFMR = "run.fmr";
    h.hasProtocol = true;
    h.protocolName = "run.prt";
    h.nrOfVolumes = 3;
    h.grid = grid;
    fmt::writeVtcFile(dir / "run.vtc", h, std::vector<float>(4 * 3, 1.5f));
    fmt::ProtocolFile prt;
    prt.conditions.resize(1);
    prt.conditions[0].name = "Task";
    prt.conditions[0].starts = {0};
    prt.conditions[0].ends = {1000};
    fmt::writeProtocolFile(dir / "run.prt", prt);
    fmt::VoiFile vois;
    vois.vois.resize(1);
    vois.vois[0].name = "V";
    vois.vois[0].coords = {1, 2, 3};
    fmt::writeVoiFile(dir / "regions.voi", vois);
    fmt::GlmFile glm;
    glm.nrOfPredictors = 2;
    glm.grid = grid;
    glm.maps.assign(glm.nrOfMaps() * grid.voxelCount(), 0.5f);
    fmt::writeGlmFile(dir / "study.glm", glm);
    fmt::MaskFile mask;
    mask.grid = grid;
    mask.voxels.assign(grid.voxelCount(), 1);
    fmt::writeMaskFile(dir / "study.msk", mask);
}

// The integer dialog's range: minimum -10, maximum 10, default 3.
void checkInteger(const json& answer, int result) {
    const int cancelled = -11;
    if (answer.is_string() && answer.get<std::string>() == "default") {
        if (result != 3) finding("\"default\" did not give the default");
        return;
    }
    bool fits = false;
    long long value = 0;
    if (answer.is_number_unsigned()) {
        fits = answer.get<std::uint64_t>() <= 10;
        value = fits ? static_cast<long long>(answer.get<std::uint64_t>()) : 0;
    } else if (answer.is_number_integer()) {
        value = answer.get<std::int64_t>();
        fits = value >= -10 && value <= 10;
    }
    if (fits ? result != value : result != cancelled)
        finding("integer answer " + answer.dump() + " gave " + std::to_string(result));
}

void checkFloat(const json& answer, float result) {
    if (answer.is_string() && answer.get<std::string>() == "default") {
        if (result != 0.5f) finding("\"default\" did not give the default");
        return;
    }
    const bool fits = answer.is_number() && std::isfinite(answer.get<double>()) &&
                      answer.get<double>() >= -2.0 && answer.get<double>() <= 2.0;
    if (fits ? result != static_cast<float>(answer.get<double>()) : result != -3.0f)
        finding("float answer " + answer.dump() + " gave " + std::to_string(result));
}

bool terminated(const char* buffer) {
    return std::memchr(buffer, '\0', tl::kPathCapacity) != nullptr;
}

void giveAnswers(const talvora::Job& job) {
    auto& host = talvora::HostState::instance();
    host.setAnswers(job.answers);
    host.openBase = fuzz_support::scratch().string();
    host.saveBase = (fuzz_support::scratch() / "out").string();
    char text[tl::kPathCapacity];
    for (std::size_t i = 0; i <= job.answers.size() + 1 && host.runError.empty(); ++i) {
        const json answer = i < job.answers.size() ? job.answers[i].value : json();
        const bool scripted = i < job.answers.size() && !job.answers[i].expect;
        std::memset(text, 'x', sizeof text);
        switch (i % 6) {
            case 0: {
                const int result = hxGetIntegerInput("Enter an integer:", 3, -10, 10);
                if (scripted) checkInteger(answer, result);
                break;
            }
            case 1: {
                const float result = hxGetFloatInput("Enter a float:", 0.5f, -2.0f, 2.0f);
                if (scripted) checkFloat(answer, result);
                break;
            }
            case 2: {
                const int result = hxYesNoMessageBox("Proceed?");
                if (result != 0 && result != 1) finding("yes/no gave " + std::to_string(result));
                break;
            }
            case 3:
                if (hxGetTextInput("Name:", "default text", text) && !terminated(text))
                    finding("text not terminated");
                break;
            case 4:
                if (hxGetOpenFileName("Open", nullptr, "*.vtc", text) && !terminated(text))
                    finding("path not terminated");
                break;
            default:
                if (hxGetSaveFileName("Save", nullptr, "*.blm", text) && !terminated(text))
                    finding("path not terminated");
                break;
        }
    }
    for (auto it = job.parameters.begin(); it != job.parameters.end(); ++it) {
        host.parameters[it.key()] = it.value();
        hxGetIntParameter(it.key().c_str());
        hxGetFloatParameter(it.key().c_str());
        std::memset(text, 'x', sizeof text);
        if (hxGetStringParameter(it.key().c_str(), text) && !terminated(text))
            finding("parameter not terminated");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool prepared = [] {
        writeDocuments(fuzz_support::scratch());
        return true;
    }();
    (void)prepared;
    auto& host = talvora::HostState::instance();
    host.reset();
    host.echo = false;
    const fs::path path = fuzz_support::writeInput("job.json", data, size);
    talvora::Job job;
    try {
        job = talvora::readJob(path);
    } catch (const talvora::JobError& e) {
        if (std::string(e.what()).rfind(path.string() + ": ", 0) != 0)
            finding(std::string("unnamed: ") + e.what());
        return 0;
    }
    talvora::closeDocuments();
    try {
        talvora::openDocuments(job.documents, fuzz_support::scratch());
    } catch (const std::runtime_error&) {
    }
    giveAnswers(job);
    talvora::closeDocuments();
    host.reset();
    return 0;
}
