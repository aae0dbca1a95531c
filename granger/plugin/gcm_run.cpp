// "RunGCM": one subject and one condition from the form's parameters to the
// map and log files.
#include "granger/plugin/VUVIrurar.h"

#include "granger/plugin/host_calls.h"
#include "granger/plugin/run_description.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

void startBanner() {
    gcm::logRaw("\n//****************************************************************");
    gcm::logRaw("//  G R A N G E R   C A U S A L I T Y   M A P P I N G                 ");
    gcm::logRaw(std::string("//  Causalis -  TL Plugin Version ") + "2.7");
    gcm::logRaw("//  See GCM Help Pages (via 'Description of Plugins...')");
    gcm::logRaw("//****************************************************************\n");
}

void endBanner() {
    gcm::logRaw("\n//****************************************************************");
    gcm::logRaw("//  End GCM-Plugin output");
    gcm::logRaw("//****************************************************************\n");
}

// Defaults, then the settings file of the plug-ins folder; a missing or
// invalid file leaves the defaults with warnings.
void readSettings(granger::GcmSettings& settings) {
    settings = granger::GcmSettings{};
    std::string folder = gcm::pluginsPath();
    // A host that reports the folder with its trailing separator gets no doubled one.
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    const std::string path = folder + "/VUVIrurar.ini";
    std::ifstream in(path);
    bool failed = false;
    // A folder of that name opens on some systems and reads as an empty file.
    std::error_code ec;
    if (!in || std::filesystem::is_directory(std::filesystem::u8path(path), ec)) {
        gcm::logLine("WARNING: Could not find or open " + path);
        failed = true;
    } else {
        std::ostringstream errors;
        if (!granger::readGcmSettings(in, settings, errors)) {
            gcm::logLine("WARNING: " + errors.str());
            settings = granger::GcmSettings{};
            failed = true;
        }
    }
    if (failed) {
        gcm::logLine("WARNING: Dismissing .ini-file: it was invalid or could not be found");
        gcm::logLine("WARNING: Using default global parameters, see written .log files\n");
    }
}

// After the outcome: the VTCs the selection had to skip, so that maps
// computed from fewer VTCs than selected never pass unnoticed.
void skippedSummary(const gcm::RunDescription& run) {
    std::string paths;
    std::size_t count = 0;
    for (const granger::Condition& c : run.conditions)
        for (const granger::SkippedVtc& s : c.skipped) {
            paths += (count++ ? ", " : "") + s.path;
        }
    if (count > 0)
        gcm::logLine("WARNING: " + std::to_string(count) +
                     " selected VTC(s) were skipped, the maps hold the others only: " + paths);
}

}  // namespace

bool VUVIrurar::runGcm() {
    if (!gcm::loadVOIs(gcm::stringParameter("VOIFile"))) {
        gcm::message("Could not load VOIs!");
        return false;
    }
    if (!gcm::currentVMR()) {
        gcm::message(
            "<b>No VMR</b><br>The GCM-plugin requires a VMR to operate. Make sure that a VMR is open and that "
            "its window is selected.");
        return false;
    }
    tl::VTCHeaderRecord vtc;
    if (!gcm::currentVTC(vtc)) {
        gcm::message(
            "<b>No VTC</b><br>The GCM-plugin requires a referenced VTC to correctly access VOI-definitions.\n "
            "Make sure that a VTC is linked.");
        return false;
    }
    tl::VOISetRecord set;
    if (!gcm::vois(set) || set.nrOfVOIs < 1) {
        gcm::message(
            "<b>No VOI file</b><br>The GCM-plugin requires definitions of VOIs to operate.\n Make sure that an "
            "appropriate VOI-file is loaded (Shift+R after closing this message).");
        return false;
    }
    gcm::showLogTab();
    startBanner();
    gcm::RunDescription run;
    readSettings(run.settings);

    selectedVoiIndex_ = gcm::intParameter("SelectedVOIIndex");
    tl::VOIRecord record;
    const int* voxels = gcm::voi(selectedVoiIndex_, record);
    if (!voxels) {
        gcm::message("<b>Invalid selection</b><br>The selected VOI (index " +
                     std::to_string(selectedVoiIndex_) + ") does not exist in the loaded VOI file.");
        endBanner();
        return false;
    }
    granger::ReferenceVoi voi;
    voi.name = record.name;
    voi.referenceConvention = set.convention >= 3;
    voi.voxels.assign(voxels,
                      voxels + 3 * static_cast<std::size_t>(record.nrOfVoxels > 0 ? record.nrOfVoxels : 0));
    run.vois.push_back(voi);
    voiName_ = voi.name;
    timeWindowMethod_ = gcm::intParameter("SelectedTimeWindowMethod");
    conditionName_ = gcm::stringParameter("SelectedConditionName");
    subjectId_ = gcm::stringParameter("SubjectID");
    run.firstVtcParameter = gcm::stringParameter("SubjVTC-1");

    gcm::SelectionContext context{timeWindowMethod_, conditionName_, subjectId_, logConditionStructure_};
    const gcm::Selection selected = gcm::selectConditionStructure(context, run);
    if (selected != gcm::Selection::Selected) {
        if (selected == gcm::Selection::Cancelled) gcm::logLine("Canceled by user.");
        if (selected == gcm::Selection::TerminalError) gcm::logLine("Terminal error, sorry. Exiting...");
        endBanner();
        return false;
    }
    gcm::busy(true);
    gcm::logLine("Computing...");
    const granger::Outcome outcome = gcm::computeGcm(run);
    gcm::busy(false);
    if (outcome.ok()) {
        gcm::logLine("\nDone, all computations succesful");
        skippedSummary(run);
        endBanner();
        return true;
    }
    if (!outcome.text().empty()) gcm::logLine(outcome.text());
    if (outcome.kind() == granger::Outcome::Kind::InvalidParameters)
        gcm::logLine(
            "An invalid input parameter-set caused computation to terminate.\nTry again with a different "
            "parameter-set. Exiting...");
    else
        gcm::logLine("Terminal error, sorry. Exiting...");
    endBanner();
    return false;
}
