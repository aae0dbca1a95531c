// talvora-make-bids-study: a small BIDS dataset with known response timing.
#include <iostream>

#include <CLI/CLI.hpp>

#include "tools/make_bids_study/bids_study.h"

int main(int argc, char** argv) {
    CLI::App app{"Write a small BIDS dataset with known response timing (two participants by default)"};
    bids_study::BidsStudyOptions options;
    std::string out = "bids-study";
    app.add_option("--out", out, "Folder to write the dataset into")->capture_default_str();
    app.add_option("--participants", options.participants, "Participants, 1 ... 99")->capture_default_str();
    app.add_option("--snr", options.snr, "Response amplitude / noise SD per voxel; 0 for no noise")
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
