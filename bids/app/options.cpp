#include "bids/app/options.h"

#include <CLI/CLI.hpp>

#include "bids/app/in_order_workers.h"

namespace bids::app {
namespace {

// "sub-01" and "01" name the same participant, as in other BIDS Apps.
std::string withoutSubPrefix(const std::string& label) {
    return label.rfind("sub-", 0) == 0 ? label.substr(4) : label;
}

void describe(CLI::App& cli, Options& options) {
    cli.add_option("bids_dir", options.bidsDir, "the BIDS dataset (read only)")->required();
    cli.add_option("output_dir", options.outputDir, "where the derivatives go (not inside bids_dir)")
        ->required();
    cli.add_option("analysis_level", options.level,
                   "participant: one participant's analysis; group: across the "
                   "participants found in output_dir")
        ->required()
        ->check(CLI::IsMember({"participant", "group"}));
    cli.add_option("--analysis", options.analysis, "latency, granger, distortion or connectivity")
        ->required()
        ->check(CLI::IsMember({"latency", "granger", "distortion", "connectivity"}));
    cli.add_option("--participant-label", options.participantLabels,
                   "participants to analyse (\"01\" or \"sub-01\"); default: every participant")
        ->expected(1, -1);
    cli.add_option("--task", options.task,
                   "the task whose BOLD runs are analysed (needed when there are several)");
    auto* atlas = cli.add_option(
        "--atlas", options.atlas,
        "a label image (*_dseg.nii.gz) in the BOLD runs' space, read at their voxels' centres");
    auto* labels =
        cli.add_option("--atlas-labels", options.atlasLabels, "its label table (*_dseg.tsv: index, name)");
    atlas->needs(labels);
    labels->needs(atlas);
    cli.add_option("--reference-label", options.referenceLabel,
                   "the atlas label of the Granger reference region");
    cli.add_option("--condition", options.condition, "the events' trial_type analysed (default: the first)");
    cli.add_option("--work-dir", options.workDir,
                   "keep the converted documents, job files and host logs here (default: a temporary folder, "
                   "removed at the end)");
    options.threads = usableProcessors();
    cli.add_option("--nthreads", options.threads,
                   "runs of a participant converted at the same time (default: the processors this process "
                   "may use, here " +
                       std::to_string(options.threads) +
                       "); each conversion holds up to about 2.4 times its run's decompressed size")
        ->check(CLI::Range(1u, 1u << 16));
}

}  // namespace

std::optional<int> parseOptions(int argc, const char* const* argv, Options& options, std::ostream& out,
                                std::ostream& err) {
    CLI::App cli{
        "talvora-bids: latency, Granger, distortion and connectivity analyses of a BIDS dataset, "
        "written as BIDS derivatives",
        "talvora-bids"};
    describe(cli, options);
    try {
        cli.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        out << cli.help();
        return kSuccess;
    } catch (const CLI::ParseError& e) {
        err << "talvora-bids: " << e.what() << "\n"
            << "Run with --help for the options.\n";
        return kBadInput;
    }
    for (auto& label : options.participantLabels) label = withoutSubPrefix(label);
    return std::nullopt;
}

}  // namespace bids::app
