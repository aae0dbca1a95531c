// "RunGCM": one subject and one condition from the form's parameters to the
// map and log files.
#include "granger/plugin/VUVIrurar.h"

#include "granger/plugin/host_calls.h"
#include "granger/plugin/run_description.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace granger::plugin {

namespace {

void startBanner() {
    logRaw("\n//****************************************************************");
    logRaw("//  G R A N G E R   C A U S A L I T Y   M A P P I N G                 ");
    logRaw(std::string("//  Causalis -  TL Plugin Version ") + "2.7");
    logRaw("//  See GCM Help Pages (via 'Description of Plugins...')");
    logRaw("//****************************************************************\n");
}

void endBanner() {
    logRaw("\n//****************************************************************");
    logRaw("//  End GCM-Plugin output");
    logRaw("//****************************************************************\n");
}

// Defaults, then the settings file of the plug-ins folder; a missing or
// invalid file leaves the defaults with warnings.
void readSettings(core::GcmSettings& settings) {
    settings = core::GcmSettings{};
    std::string folder = pluginsPath();
    // A host that reports the folder with its trailing separator gets no doubled one.
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    const std::string path = folder + "/VUVIrurar.ini";
    std::ifstream in(path);
    bool failed = false;
    // A folder of that name opens on some systems and reads as an empty file.
    std::error_code ec;
    if (!in || std::filesystem::is_directory(std::filesystem::u8path(path), ec)) {
        logLine("WARNING: Could not find or open " + path);
        failed = true;
    } else {
        std::ostringstream errors;
        if (!core::readGcmSettings(in, settings, errors)) {
            logLine("WARNING: " + errors.str());
            settings = core::GcmSettings{};
            failed = true;
        }
    }
    if (failed) {
        logLine("WARNING: Dismissing .ini-file: it was invalid or could not be found");
        logLine("WARNING: Using default global parameters, see written .log files\n");
    }
}

// After the outcome: the VTCs the selection had to skip, so that maps
// computed from fewer VTCs than selected never pass unnoticed.
void skippedSummary(const RunDescription& run) {
    std::string paths;
    std::size_t count = 0;
    for (const core::Condition& c : run.conditions)
        for (const core::SkippedVtc& s : c.skipped) {
            paths += (count++ ? ", " : "") + s.path;
        }
    if (count > 0)
        logLine("WARNING: " + std::to_string(count) +
                " selected VTC(s) were skipped, the maps hold the others only: " + paths);
}

}  // namespace

bool VUVIrurar::runGcm() {
    if (!loadVOIs(stringParameter("VOIFile"))) {
        message("Could not load VOIs!");
        return false;
    }
    if (!currentVMR()) {
        message(
            "<b>No VMR</b><br>The GCM-plugin requires a VMR to operate. Make sure that a VMR is open and that "
            "its window is selected.");
        return false;
    }
    tl::VTCHeaderRecord vtc;
    if (!currentVTC(vtc)) {
        message(
            "<b>No VTC</b><br>The GCM-plugin requires a referenced VTC to correctly access VOI-definitions.\n "
            "Make sure that a VTC is linked.");
        return false;
    }
    tl::VOISetRecord set;
    if (!vois(set) || set.nrOfVOIs < 1) {
        message(
            "<b>No VOI file</b><br>The GCM-plugin requires definitions of VOIs to operate.\n Make sure that an "
            "appropriate VOI-file is loaded (Shift+R after closing this message).");
        return false;
    }
    showLogTab();
    startBanner();
    RunDescription run;
    readSettings(run.settings);

    selectedVoiIndex_ = intParameter("SelectedVOIIndex");
    tl::VOIRecord record;
    const int* voxels = voi(selectedVoiIndex_, record);
    if (!voxels) {
        message("<b>Invalid selection</b><br>The selected VOI (index " + std::to_string(selectedVoiIndex_) +
                ") does not exist in the loaded VOI file.");
        endBanner();
        return false;
    }
    core::ReferenceVoi voi;
    voi.name = record.name;
    // Every convention from 3 up stores reference coordinates.
    voi.convention = set.convention >= 3 ? tl::kVoiReferenceConvention : tl::kVoiVolumeConvention;
    voi.voxels.assign(voxels,
                      voxels + 3 * static_cast<std::size_t>(record.nrOfVoxels > 0 ? record.nrOfVoxels : 0));
    run.vois.push_back(voi);
    voiName_ = voi.name;
    timeWindowMethod_ = intParameter("SelectedTimeWindowMethod");
    conditionName_ = stringParameter("SelectedConditionName");
    subjectId_ = stringParameter("SubjectID");
    run.firstVtcParameter = stringParameter("SubjVTC-1");

    SelectionContext context{timeWindowMethod_, conditionName_, subjectId_, logConditionStructure_};
    const Selection selected = selectConditionStructure(context, run);
    if (selected != Selection::Selected) {
        if (selected == Selection::Cancelled) logLine("Canceled by user.");
        if (selected == Selection::TerminalError) logLine("Terminal error, sorry. Exiting...");
        endBanner();
        return false;
    }
    busy(true);
    logLine("Computing...");
    const core::Outcome outcome = computeGcm(run);
    busy(false);
    if (outcome.ok()) {
        logLine("\nDone, all computations succesful");
        skippedSummary(run);
        endBanner();
        return true;
    }
    if (!outcome.text().empty()) logLine(outcome.text());
    if (outcome.kind() == core::Outcome::Kind::InvalidParameters)
        logLine(
            "An invalid input parameter-set caused computation to terminate.\nTry again with a different "
            "parameter-set. Exiting...");
    else
        logLine("Terminal error, sorry. Exiting...");
    endBanner();
    return false;
}

}  // namespace granger::plugin
