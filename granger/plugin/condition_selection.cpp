// Selecting the VTCs of the condition and their intervals, from the form's
// parameters (shared source and target VTCs) or from file dialogs (separate
// ones), by a manual interval or the intervals of a protocol condition.
#include "frame/grid.h"
#include "granger/io/vtc_stream.h"
#include "granger/plugin/host_calls.h"
#include "granger/plugin/run_description.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace granger::plugin {

namespace {

const char* const kMethodPrompt =
    "<b>Interval selection</b><br>How do you want to select the vtc-intervals (conditions) used to compute the "
    "GCMs?<br><br><b>Choose an option:</b><br>1. Manually specify a single interval per VTC<br>2. Specify a "
    "condition from a loaded protocol (.prt) for every VTC to define the intervals";

const char* const kDimensionMessage =
    "<b>Invalid selection</b><br>Either could not open vtc or the selected vtc is not of the same dimensions as "
    "previously selected ones. Resolution (3mm, 2mm, or 1mm) and reference space (un-transformed, ACPC, or TAL) "
    "must be the same for all VTCs.";

const char* const kPairDimensionMessage =
    "<b>Invalid selection</b><br>Either could not open (one of) the (source or target) vtcs or (one of) the "
    "selected vtc is not of the same dimensions as previously selected ones. Resolution (3mm, 2mm, or 1mm) and "
    "reference space (un-transformed, ACPC, or TAL) must be the same for all VTCs.";

std::string formatted(const char* format, int a, int b, int c) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, a, b, c);
    return buffer;
}

void logInterval(int first, int last) {
    std::ostringstream s;
    s << "\t\t" << first << "\t-\t" << last;
    logLine(s.str());
}

// Reads a VTC header; the first VTC of the run sets the common grid, every
// later one must match it. Empty on success, else why the VTC is refused.
std::string admitVtc(const std::string& path, RunDescription& run, int& volumes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "the file could not be opened";
    const auto info = io::readVtcInfo(in);
    if (!info) return "its header could not be read";
    core::RunGeometry& g = run.geometry;
    if (!run.haveBox) {
        tl::copyGridBox(*info, g);
        run.haveBox = true;
    } else if (!tl::sameGridBox(g, *info)) {
        return "its resolution or bounding box differs from the first VTC's";
    }
    volumes = info->nrOfVolumes;
    return {};
}

// The surrogates are as long as the longest VTC the run uses.
void noteVolumes(RunDescription& run, int volumes) {
    run.geometry.maxVolumes = std::max(run.geometry.maxVolumes, volumes);
}

// A refused VTC is shown (as before), logged and remembered for the run's
// summary and log file, so that maps computed without it do not pass unnoticed.
void skipVtc(const char* shown, const std::string& path, const std::string& reason,
             core::Condition& condition) {
    message(shown);
    logLine("WARNING: Skipped VTC '" + path + "': " + reason);
    condition.skipped.push_back({path, reason});
}

Selection manualInterval(int volumes, int p, core::VtcEntry& entry) {
    const int first = intParameter("VTCIntervalStart");
    if (first < 1) return Selection::Cancelled;
    const int last = volumes - intParameter("VTCIntervalEnd");
    if (last < 1) return Selection::Cancelled;
    if (last - first >= p) {
        entry.intervals.emplace_back(first, last);
        logInterval(first, last);
        return Selection::Selected;
    }
    message(formatted(
        "<b>Invalid selection</b><br>The interval (%d, %d) is too short: last-first+1 must be greater "
        "than AR-order(%d)<br><br>Try again after closing this dialog",
        first, last, p));
    // The form still holds the same values: asking again would show the same
    // message without end, so the selection ends as cancelled.
    return Selection::Cancelled;
}

Selection protocolIntervals(int p, core::VtcEntry& entry) {
    tl::VTCHeaderRecord vtc;
    if (!currentVTC(vtc)) {
        logLine("ERROR: Could not get access to VTC");
        return Selection::TerminalError;
    }
    tl::ProtocolRecord prt;
    if (!protocol(prt)) {
        const std::string chosen =
            openFileName("Specify a protocol file with VOLUME time-resolution", "Protocol Files (*.prt)");
        if (chosen.empty()) return Selection::Cancelled;
        std::snprintf(vtc.protocolPath, sizeof vtc.protocolPath, "%s", chosen.c_str());
        setVTCParameters(vtc);
        if (!protocol(prt)) {
            logLine("ERROR: Could not get access to protocol definition");
            return Selection::TerminalError;
        }
    }
    tl::ProtocolConditionRecord condition;
    const int index = intParameter("VTCProtocolCond");
    if (!protocolCondition(index, condition)) {
        logLine("ERROR: Could not get access to protocol condition " + std::to_string(index + 1) +
                " of the protocol definition");
        return Selection::TerminalError;
    }
    const bool msec = prt.timeUnit == 2;
    if (prt.timeUnit != 1 && !msec) {
        logLine("ERROR: Unknown protocol time-resolution: not volumes or msec");
        return Selection::TerminalError;
    }
    if (msec) {
        logLine("\tWARNING: The specified protocol has millisecond resolution, GCM requires volumes");
        logLine(
            "\tWARNING: Converting milliseconds to volumes (using current VTC's TR), please check intervals below "
            "or in written log-file");
        if (vtc.tr <= 0) {
            logLine("ERROR: The VTC's repetition time is " + std::to_string(vtc.tr) +
                    " ms: the protocol's milliseconds cannot be converted to volumes");
            return Selection::TerminalError;
        }
    }
    for (int i = 0; i < condition.nrOfIntervals; ++i) {
        int first = condition.starts[i];
        int last = condition.ends[i];
        if (msec) {
            const double tr = vtc.tr;
            first = static_cast<int>(std::floor(condition.starts[i] / tr + 0.5)) + 1;
            last = static_cast<int>(std::floor(condition.ends[i] / tr + 0.5));
            if (last < first) last = first;
            if (last - first + 1 <= p) {
                logLine(formatted(
                    "ERROR : The interval (%d, %d) is invalid: last-first+1 must be greater than AR-order(%d)",
                    first, last, p));
                return Selection::Invalid;
            }
        }
        entry.intervals.emplace_back(first, last);
        logInterval(first, last);
    }
    return Selection::Selected;
}

Selection specifyIntervals(int method, int volumes, int p, core::VtcEntry& entry) {
    if (method == 1) return manualInterval(volumes, p, entry);
    if (method == 2) return protocolIntervals(p, entry);
    logLine("ERROR: Unknown VTC interval specification method");
    return Selection::TerminalError;
}

Selection sharedVtcs(int method, core::Condition& condition, RunDescription& run) {
    const int count = intParameter("NrOfSubjVTCs");
    for (int i = 1; i <= count; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "SubjVTC-%i", i);
        const std::string path = stringParameter(name);
        // The list ends at the first empty path: a count far beyond the paths
        // given would otherwise show one message per empty slot.
        if (path.empty()) {
            logLine("WARNING: \"NrOfSubjVTCs\" is " + std::to_string(count) + " but \"" + name +
                    "\" is empty: the " + std::to_string(i - 1) + " VTC(s) before it are used");
            break;
        }
        const bool present = std::any_of(condition.entries.begin(), condition.entries.end(),
                                         [&](const core::VtcEntry& e) { return e.sourcePath == path; });
        if (present) {
            message(
                "<b>Invalid selection</b><br>You have already selected that VTC for this condition. Try again after "
                "closing this messagebox.");
            continue;
        }
        core::VtcEntry entry;
        entry.sourcePath = entry.targetPath = path;
        if (const std::string refused = admitVtc(path, run, entry.sourceVolumes); !refused.empty()) {
            skipVtc(kDimensionMessage, path, refused, condition);
            continue;
        }
        entry.targetVolumes = entry.sourceVolumes;
        noteVolumes(run, entry.sourceVolumes);
        logLine("\t" + path);
        linkVTC(path);
        const Selection result = specifyIntervals(method, entry.sourceVolumes, run.settings.arOrder, entry);
        condition.entries.push_back(std::move(entry));
        if (result != Selection::Selected) return result;
    }
    if (condition.entries.empty()) {
        logLine("ERROR: No usable VTC was selected for condition '" + condition.name + "'");
        return Selection::Invalid;
    }
    return Selection::Selected;
}

Selection separateVtcs(int method, core::Condition& condition, RunDescription& run) {
    const std::string filter = "Volume Time Course Files (*.vtc)";
    for (;;) {
        const std::string src = openFileName(
            "Add a SOURCE VTC (reference) for condition: " + condition.name + " (cancel to stop adding)",
            filter);
        if (src.empty()) {
            if (!condition.entries.empty()) return Selection::Selected;
            message(
                "<b>Invalid selection</b><br>You have select at least one VTC-Pair (source and target) and an "
                "interval within those VTCs. Try again after closing this dialog");
            // Asking again after a cancel would loop for a host that keeps
            // cancelling; the selection ends as cancelled instead.
            return Selection::Cancelled;
        }
        const std::string trg = openFileName("Add a TARGET VTC (voxels) for condition: " + condition.name +
                                                 " (mandatory, cancel only to exit)",
                                             filter);
        if (trg.empty()) return Selection::Cancelled;
        const bool present =
            std::any_of(condition.entries.begin(), condition.entries.end(),
                        [&](const core::VtcEntry& e) { return e.sourcePath == src && e.targetPath == trg; });
        if (present) {
            message(
                "<b>Invalid selection</b><br>You have already selected that source-target VTC-pair for this "
                "condition. Try again after closing this messagebox.");
            continue;
        }
        core::VtcEntry entry;
        entry.sourcePath = src;
        entry.targetPath = trg;
        if (const std::string refused = admitVtc(src, run, entry.sourceVolumes); !refused.empty()) {
            skipVtc(kPairDimensionMessage, src, refused, condition);
            continue;
        }
        if (const std::string refused = admitVtc(trg, run, entry.targetVolumes); !refused.empty()) {
            skipVtc(kPairDimensionMessage, trg, refused, condition);
            continue;
        }
        noteVolumes(run, entry.sourceVolumes);
        noteVolumes(run, entry.targetVolumes);
        logLine("\tsrc: " + src + "\n\ttrg: " + trg);
        const Selection result = specifyIntervals(method, entry.sourceVolumes, run.settings.arOrder, entry);
        condition.entries.push_back(std::move(entry));
        if (result != Selection::Selected) return result;
    }
}

}  // namespace

Selection selectConditionStructure(const SelectionContext& context, RunDescription& run) {
    int method = context.formMethod;
    if (method == 0) {
        method = integerInput(kMethodPrompt, 1, 1, 2);
        if (method < 1) return Selection::Cancelled;
    }
    if (context.logStructure) logLine("\nSelected condition structure:\n");
    if (context.conditionName.empty()) {
        message(
            "<b>Invalid selection</b><br>You have select at least one Condition. Try again after closing this "
            "dialog");
        // The form would hand back the same empty name: end as cancelled.
        return Selection::Cancelled;
    }
    for (const core::Condition& c : run.conditions) {
        if (c.name == context.conditionName) {
            message(
                "<b>Invalid selection</b><br>You have already selected that condition-name. Try again after closing "
                "this messagebox.");
            return Selection::Cancelled;
        }
    }
    run.conditions.push_back(core::Condition{context.conditionName, {}, {}});
    logLine(context.conditionName);
    core::Condition& condition = run.conditions.back();
    const Selection result = run.settings.separateSourceTargetVtcs ? separateVtcs(method, condition, run)
                                                                   : sharedVtcs(method, condition, run);
    if (result == Selection::Selected) {
        std::string base = context.subjectId;
        if (context.formMethod == 1) base += "_RUNCOND-" + context.conditionName;
        if (context.formMethod == 2) base += "_COND-" + context.conditionName;
        run.outputBaseName = base;
    }
    return result;
}

}  // namespace granger::plugin
