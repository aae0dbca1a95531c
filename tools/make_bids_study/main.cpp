// talvora-make-bids-study: the example BIDS dataset with known truth.
#include <iostream>

#include <CLI/CLI.hpp>

#include "tools/make_bids_study/bids_study.h"

int main(int argc, char** argv) {
    CLI::App app{
        "Write the example BIDS dataset with known truth: tasks \"latency\" and \"granger\", an atlas of "
        "their regions, truth.json (two participants by default)"};
    bids_study::BidsStudyOptions options;
    std::string out = "bids-study";
    app.add_option("--out", out, "Folder to write the dataset into (new or empty)")->capture_default_str();
    app.add_option("--participants", options.participants, "Participants, 1 ... 99")->capture_default_str();
    app.add_option("--snr", options.snr,
                   "Latency task: response amplitude / noise SD per voxel; 0 for no noise")
        ->capture_default_str();
    CLI11_PARSE(app, argc, argv);
    try {
        bids_study::writeBidsStudy(options, out, std::cout);
    } catch (const std::exception& e) {
        std::cerr << "talvora-make-bids-study: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
