// The run's start: host checks, access mode, VTC list, GLM option, the first
// VTC's geometry and the label volume.

#include <cstring>

#include "latency/plugin/host_access.h"
#include "latency/plugin/latency_run.h"
#include "latency/io/text_format.h"
#include "latency/core/trial_extraction.h"

namespace latency::plugin {

using namespace latency::core;
using namespace latency::io;
namespace {

// The VTC list holds at most this many paths of at most kMaxPathLength
// characters.
constexpr std::size_t kMaxVtcs = 200;
constexpr std::size_t kMaxPathLength = 300;
// The label volume holds VOI numbers in one byte.
constexpr int kMaxVois = 255;

std::string textField(const char* field, std::size_t capacity) {
    return std::string(field, strnlen(field, capacity));
}

}  // namespace

bool LatencyRun::run() {
    const auto stopped = [](Step step) { return step != Step::kGoOn; };
    const auto result = [](Step step) { return step == Step::kStopTrue; };

    Step step = checkHostAndVmr();
    if (stopped(step)) return result(step);
    host::showLogTab();
    host::log(" ");
    host::log(" ");
    host::log("VOZU Rudoruz Ori> Starting VOZU Rudoruz Ori plugin ...");
    host::updateActiveWindow();

    if (stopped(step = chooseAccessMode())) return result(step);
    if (stopped(step = chooseVtcs())) return result(step);
    chooseGlm();
    if (stopped(step = readFirstVtc())) return result(step);
    step = voiMode() || accessMode_ == 2 ? labelFromVois() : labelFromMask();
    if (stopped(step)) return result(step);
    if (stopped(step = countSelectedVoxels())) return result(step);
    allocateResultStores();

    host::log("VOZU Rudoruz Ori> Accessing protocol information ...");
    for (int index = 0; index < static_cast<int>(vtcPaths_.size()); ++index)
        if (stopped(step = processVtc(index))) return result(step);

    host::BusyCursor busy;
    writeResults();
    if (!buildMaps()) return false;
    askToSaveMaps();
    host::log("// VOZU Rudoruz Ori> Done. Now, you can overlay the BLM maps.");
    host::clearVtcList();
    busy.stop();
    return true;
}

LatencyRun::Step LatencyRun::checkHostAndVmr() {
    if (const char* missing = host::firstMissingRequiredFunction()) {
        host::message(formatText(
            "VOZU Rudoruz Ori> This host does not offer the function %s, which the plugin needs.", missing));
        return Step::kStopFalse;
    }
    if (!host::currentVmrOpen()) {
        host::message("You should open a VMR before running this plugin.");
        return Step::kStopFalse;
    }
    return Step::kGoOn;
}

LatencyRun::Step LatencyRun::chooseAccessMode() {
    accessMode_ = host::askInteger(
        "Select VTC access mode:\n\n 1 = VOI-based access using current VOI info\n"
        " 2 = Voxel-based using current VOI info\n 3 = Voxel-based using VTC mask file",
        1, 1, 3);
    if (accessMode_ < 1) {
        host::log("VOZU Rudoruz Ori> Exiting VOZU Rudoruz Ori plugin ...");
        return Step::kStopFalse;
    }
    return Step::kGoOn;
}

LatencyRun::Step LatencyRun::chooseVtcs() {
    host::clearVtcList();
    while (vtcPaths_.size() < kMaxVtcs) {
        const int number = static_cast<int>(vtcPaths_.size()) + 1;
        std::string path;
        if (!host::askOpenFile(formatText("Please choose VTC n.%i (cancel to stop)", number), "*.vtc", path))
            break;
        // Checked before the host hears of it, so host and list indices agree.
        if (path.size() > kMaxPathLength) {
            host::log(formatText("VOZU Rudoruz Ori> VTC path longer than %i characters, not accepted: %s",
                                 static_cast<int>(kMaxPathLength), path.c_str()));
            continue;
        }
        if (!host::addVtc(path)) {
            host::log(formatText("VOZU Rudoruz Ori> Cannot access VTC : %s", path.c_str()));
            continue;
        }
        vtcPaths_.push_back(path);
        host::log(formatText("VOZU Rudoruz Ori> Accessing VTC n. %i: %s", number, path.c_str()));
    }
    if (vtcPaths_.size() == kMaxVtcs)
        host::log(formatText("VOZU Rudoruz Ori> At most %i VTCs can be analysed: no further VTC is asked.",
                             static_cast<int>(kMaxVtcs)));
    host::log(
        formatText("VOZU Rudoruz Ori> Total number of linked VTCs : %i", static_cast<int>(vtcPaths_.size())));
    return vtcPaths_.empty() ? Step::kStopTrue : Step::kGoOn;
}

void LatencyRun::chooseGlm() {
    betas_ = host::currentGlm(glm_);
    if (!betas_) {
        host::log("VOZU Rudoruz Ori> GLM fits not available ...");
        return;
    }
    host::log("VOZU Rudoruz Ori> GLM fits available ...");
    if (!host::askYesNo("Do you want to use deconvolved responses from current GLM ?")) return;
    host::log("VOZU Rudoruz Ori> GLM fits available. Using deconvolution beta values...");
    if (glm_.nrOfStudies != static_cast<int>(vtcPaths_.size())) {
        host::log("VOZU Rudoruz Ori> GLM format not valid. Different number of studies expected.");
        return;
    }
    if (glm_.separatePredictors >= 2) {
        host::log("VOZU Rudoruz Ori> GLM format not valid. Separate subject option not allowed.");
        return;
    }
    // Every study needs its own constant predictor; without a deconvolution
    // point left over there is no response to read.
    if (deconvolutionPoints(glm_.nrOfPredictors, glm_.nrOfStudies, glm_.separatePredictors) < 1) {
        host::log(
            formatText("VOZU Rudoruz Ori> GLM format not valid. %i predictors for %i studies leave "
                       "no deconvolution point.",
                       glm_.nrOfPredictors, glm_.nrOfStudies));
        return;
    }
    useGlm_ = true;
}

LatencyRun::Step LatencyRun::readFirstVtc() {
    host::linkVtc(vtcPaths_.front(), 0);
    firstHeader_ = host::linkedVtcHeader();
    host::loadLinkedVtcData(firstHeader_.dataType);
    if (firstHeader_.present == -1) {
        host::log("VOZU Rudoruz Ori>  Could not get the first VTC!");
        return Step::kStopFalse;
    }
    grid_.xStart = firstHeader_.xStart;
    grid_.yStart = firstHeader_.yStart;
    grid_.zStart = firstHeader_.zStart;
    grid_.resolution = firstHeader_.resolution;
    grid_.dimX = firstHeader_.dimX();
    grid_.dimY = firstHeader_.dimY();
    grid_.dimZ = firstHeader_.dimZ();
    volumes_ = firstHeader_.nrOfVolumes;
    tr_ = firstHeader_.tr;
    const long long voxels = static_cast<long long>(grid_.dimX) * grid_.dimY * grid_.dimZ;
    if (grid_.dimX < 1 || grid_.dimY < 1 || grid_.dimZ < 1 || voxels > 0x7fffffffLL || volumes_ < 2 ||
        tr_ < 1) {
        host::log(
            formatText("VOZU Rudoruz Ori>  The first VTC's header cannot be used: %i volumes, TR %i ms, "
                       "grid %i x %i x %i.",
                       volumes_, tr_, grid_.dimX, grid_.dimY, grid_.dimZ));
        return Step::kStopFalse;
    }
    labels_ = std::make_unique<LabelVolume>(grid_);
    return Step::kGoOn;
}

LatencyRun::Step LatencyRun::labelFromVois() {
    tl::VOISetRecord set{};
    if (!host::readVois(set)) {
        host::log(formatText("VOZU Rudoruz Ori>  Impossible to find VOI definition: %i", 0));
        return Step::kStopFalse;
    }
    host::log(formatText("VOZU Rudoruz Ori>  Number of VOIs defined: %i", set.nrOfVOIs));
    if (set.nrOfVOIs <= 0) return Step::kStopFalse;
    if (set.nrOfVOIs > kMaxVois) {
        host::log(formatText(
            "VOZU Rudoruz Ori>  Too many VOIs (%i): at most %i can be told apart. Exiting plugin...",
            set.nrOfVOIs, kMaxVois));
        return Step::kStopFalse;
    }
    long long entries = 0;
    for (int v = 0; v < set.nrOfVOIs; ++v) {
        tl::VOIRecord voi{};
        const int* voxels = host::readVoi(v, voi);
        voiNames_.push_back(textField(voi.name, sizeof voi.name));
        if (!voxels || voi.nrOfVoxels <= 0) continue;
        labels_->paintVoi(voxels, voi.nrOfVoxels, set.convention, static_cast<unsigned char>(v + 1));
        entries += voi.nrOfVoxels;
    }
    host::log(formatText("VOZU Rudoruz Ori>  Number of selected VMR voxels: %lld", entries));
    return entries == 0 ? Step::kStopTrue : Step::kGoOn;
}

LatencyRun::Step LatencyRun::labelFromMask() {
    std::string path;
    const unsigned char* mask =
        host::askOpenFile("Choose the mask file :", "*.msk", path) ? host::loadMask(path) : nullptr;
    if (!mask) {
        host::log("VOZU Rudoruz Ori> Mask not valid! Exiting plugin...");
        return Step::kStopTrue;
    }
    labels_->copyMask(mask);
    return Step::kGoOn;
}

LatencyRun::Step LatencyRun::countSelectedVoxels() {
    selected_ = labels_->selectedVoxels();
    host::log(formatText("VOZU Rudoruz Ori>  Number of masked voxels in the VTC: %i",
                         static_cast<int>(selected_.size())));
    regionOf_.resize(selected_.size());
    if (voiMode()) {
        regions_ = static_cast<int>(voiNames_.size());
        voiVtcVoxels_.assign(voiNames_.size(), 0);
        for (std::size_t i = 0; i < selected_.size(); ++i) {
            regionOf_[i] = labels_->atIndex(selected_[i]) - 1;
            ++voiVtcVoxels_[static_cast<std::size_t>(regionOf_[i])];
        }
    } else {
        regions_ = static_cast<int>(selected_.size());
        for (std::size_t i = 0; i < selected_.size(); ++i) regionOf_[i] = static_cast<int>(i);
    }
    // Only an empty mask selects nothing here (VOI voxels always land on the grid).
    if (regions_ == 0) {
        host::log("VOZU Rudoruz Ori> Mask not valid! Exiting plugin...");
        return Step::kStopTrue;
    }
    return Step::kGoOn;
}

void LatencyRun::allocateResultStores() {
    deconvolutionPoints_ =
        useGlm_ ? deconvolutionPoints(glm_.nrOfPredictors, glm_.nrOfStudies, glm_.separatePredictors) : 2;
    const long vtcs = static_cast<long>(vtcPaths_.size());
    for (auto& store : averageStore_) store.emplace(0, vtcs - 1, 0, regions_ - 1);
    trialsUsed_.assign(vtcPaths_.size(), 0);
}

const std::string& LatencyRun::regionName(int region) const {
    return voiNames_[static_cast<std::size_t>(region)];
}

}  // namespace latency::plugin
