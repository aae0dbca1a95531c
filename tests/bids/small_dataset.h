// Small BIDS datasets written by the tests: the files a BIDS dataset has,
// with placeholder bytes where an image would be (the layout reader never
// opens images).
#pragma once

#include <filesystem>
#include <string>

#include "support/test_files.h"

namespace bids_test {

inline void writeFile(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    test_support::writeBytes(path, text);
}

// Two participants with one BOLD run of the task "motor" each, a top-level
// BOLD sidecar, events, a T1w and an AP/PA EPI pair for sub-01.
inline void writeSmallDataset(const std::filesystem::path& root) {
    writeFile(root / "dataset_description.json", R"({"Name": "Small", "BIDSVersion": "1.8.0"})");
    writeFile(root / "participants.tsv", "participant_id\tage\nsub-01\t30\nsub-02\t41\n");
    writeFile(root / "task-motor_bold.json",
              R"({"RepetitionTime": 2.0, "TaskName": "motor", "SliceTiming": [0, 1]})");
    for (const std::string sub : {"01", "02"}) {
        const auto func = root / ("sub-" + sub) / "func";
        writeFile(func / ("sub-" + sub + "_task-motor_run-1_bold.nii.gz"), "image");
        writeFile(func / ("sub-" + sub + "_task-motor_run-1_events.tsv"),
                  "onset\tduration\ttrial_type\n4\t2\tleft\n");
    }
    writeFile(root / "sub-01" / "anat" / "sub-01_T1w.nii.gz", "image");
    writeFile(root / "sub-01" / "fmap" / "sub-01_dir-AP_epi.nii.gz", "image");
    writeFile(root / "sub-01" / "fmap" / "sub-01_dir-PA_epi.nii.gz", "image");
    writeFile(root / "sub-01" / "fmap" / "sub-01_dir-AP_epi.json", R"({"PhaseEncodingDirection": "j-"})");
    writeFile(root / "sub-01" / "fmap" / "sub-01_dir-PA_epi.json", R"({"PhaseEncodingDirection": "j"})");
}

}  // namespace bids_test
