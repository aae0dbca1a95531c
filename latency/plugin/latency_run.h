#pragma once
// One complete latency-mapping run: the dialogs, the label volume, the
// per-VTC extraction and fits, and the outputs. Each step either goes on or
// ends the run with the result execute gives back to the host.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frame/host_records.h"
#include "latency/core/label_volume.h"
#include "latency/numeric/offset_array_owners.h"
#include "latency/core/result_summaries.h"
#include "latency/core/trapezoid_fit.h"

namespace tl {
class AtomicFile;
}

namespace latency::core {
class TrialExtractor;
struct RegionFit;
}  // namespace latency::core

namespace latency::plugin {

using core::kMeasureCount;

class LatencyRun {
public:
    // Runs from the VMR check on (the host table is bound and the version
    // accepted); the result is what execute returns.
    bool run();

private:
    enum class Step { kGoOn, kStopTrue, kStopFalse };

    // Dialogs and selection (latency_run_setup.cpp).
    Step checkHostAndVmr();
    Step chooseAccessMode();
    Step chooseVtcs();
    void chooseGlm();
    Step readFirstVtc();
    Step labelFromVois();
    Step labelFromMask();
    Step countSelectedVoxels();
    void allocateResultStores();

    // One VTC (latency_run_vtc.cpp).
    Step processVtc(int index);
    Step linkVtc(int index);
    Step readRegionData(int index);
    Step readReferenceCondition(int index, std::vector<int>& onsets);
    Step askFactorAndWindow();
    Step askRemainingOptions();
    void fitRegions(int index, core::TrialExtractor& trials);
    // The plots and single-trial files of a VOI, from its fits.
    void writeVoiOutputs(int index, int region, const core::RegionFit& fit, tl::AtomicFile& allSingleTrials);

    // Results (latency_run_output.cpp).
    void writeResults();
    void writeRegionVoxels();
    bool buildMaps();
    void askToSaveMaps();

    bool isFirst(int index) const { return index == 0; }
    bool voiMode() const { return accessMode_ == 1; }
    const std::string& regionName(int region) const;

    // Choices and geometry.
    int accessMode_ = 1;
    std::vector<std::string> vtcPaths_;
    bool useGlm_ = false;
    const float* betas_ = nullptr;
    tl::GLMRecord glm_{};
    int deconvolutionPoints_ = 2;
    tl::VTCHeaderRecord firstHeader_{};
    core::VtcGrid grid_;
    // The first VTC's volumes and TR (the TR bounds the window and spaces the
    // deconvolution points).
    int volumes_ = 0;
    int tr_ = 0;
    // The VTC being processed: runs may differ in length (and TR); only the
    // grid must be the first VTC's.
    int vtcVolumes_ = 0;
    int vtcTr_ = 0;

    // Regions: the selected voxels in linear order and the region of each.
    std::unique_ptr<core::LabelVolume> labels_;
    std::vector<int> selected_;
    std::vector<int> regionOf_;
    int regions_ = 0;
    std::vector<std::string> voiNames_;
    std::vector<int> voiVtcVoxels_;

    // Options asked on the first VTC.
    int referenceCondition_ = 0;
    int factor_ = 1;
    float window_ = 0.0f;
    bool singleTrial_ = false;
    bool returnToBaseline_ = true;
    float confidence_ = 0.05f;
    int firstPoint_ = 0;
    int lastPoint_ = 0;

    // Per-VTC data: region time courses and deconvolution betas.
    std::optional<numeric::FloatMatrix> courses_;
    std::optional<numeric::FloatMatrix> regionBetas_;

    // Result stores: per measure, VTCs x regions, and VTCs x trials x regions.
    std::optional<numeric::FloatMatrix> averageStore_[kMeasureCount];
    std::optional<numeric::FloatArray3D> trialStore_[kMeasureCount];
    std::vector<int> trialsUsed_;
    // Region values of the latency maps, in map order.
    std::vector<float> mapValues_[2 * kMeasureCount];

    core::TrapezoidFitter fitter_;
};

}  // namespace latency::plugin
