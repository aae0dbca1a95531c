// The plug-in's commands end to end through `talvora run`: a phantom with a
// known field, the estimate and apply commands, and bad input of every kind.
#include "distortion/io/file_names.h"
#include "distortion/io/map_file.h"
#include "distortion/io/project_files.h"
#include "tests/distortion/plugin/workflow_support.h"

#include <algorithm>
#include <cmath>
#include <fstream>

using namespace workflow;

TEST_F(Workflow, UnknownTaskDoesNothing) {
    const Outcome o =
        job("unknown",
            R"([{"command": "Estimate", "parameters": {"vdm": "keep"}, "print": ["vdm", "filenames"]}])");
    EXPECT_EQ(o.status, 0) << o.output;
    EXPECT_TRUE(contains(o.output, "Plugin> Running Mirel...\nPlugin>\ntalvora: execute 1 returned true"))
        << o.output;
    EXPECT_TRUE(contains(o.output, "vdm = keep\n  filenames = (unset)")) << o.output;
}

TEST_F(Workflow, CheckListsAndReportsBadNames) {
    Outcome o = job("check_empty", R"([{"command": "check", "parameters": {"files": ""}}])");
    EXPECT_TRUE(contains(o.output, "\nCheck: OK\n")) << o.output;
    o = job("check_mixed",
            R"([{"command": "check", "parameters": {"files": "run_ap.fmr\n\nnotes.txt\nmissing.dmr"}}])");
    EXPECT_EQ(countOf(o.output, "Checking name: "), 3u) << o.output;
    EXPECT_TRUE(contains(o.output, "Checking name: notes.txt...\n")) << o.output;
    EXPECT_TRUE(contains(
        o.output,
        "Talvora> [message] notes.txt: not an FMR or DMR file\nmissing.dmr: could not read file\n\n"))
        << o.output;
    EXPECT_FALSE(contains(o.output, "Check: OK")) << o.output;
}

TEST_F(Workflow, BatchFileIsHandedOverWhole) {
    write(set / "list.txt", "run_ap.fmr\nrun_pa.fmr\n");
    write(set / "LIST.TXT", "run_ap.fmr\n");
    const Outcome o = job(
        "batch",
        R"([{"command": "readbatchfile", "parameters": {"batchfilename": "list.txt"}, "print": ["filenames"]},
      {"command": "readbatchfile", "parameters": {"batchfilename": "LIST.TXT"}, "print": ["filenames"]}])");
    EXPECT_TRUE(contains(o.output, "Reading batchfile: list.txt...\n")) << o.output;
    EXPECT_TRUE(contains(o.output, "filenames = run_ap.fmr\nrun_pa.fmr\n\n  filenames = -1")) << o.output;
}

TEST_F(Workflow, SelectReadsTheVolumeCount) {
    const Outcome o = job(
        "select",
        R"([{"command": "select_fmr_or_dmr", "print": ["filename", "nr_of_volumes", "display_volume"]},
      {"command": "select_fmr_or_dmr", "print": ["filename", "nr_of_volumes", "display_volume"]}])",
        R"( "answers": [{"expect": "Please select an FMR or DMR project.", "value": "dwi_ap.dmr"}, "nothing.txt"],)");
    EXPECT_TRUE(contains(o.output, "dwi_ap.dmr\n  nr_of_volumes = 2\n  display_volume = 1\n")) << o.output;
    EXPECT_TRUE(contains(o.output, "nothing.txt\n  nr_of_volumes = 2")) << o.output;
}

TEST_F(Workflow, EstimateRecoversTheKnownFieldAndApplyReusesTheMap) {
    for (const char* f : {"run_ap_vdm.map", "run_pa_vdm.map", "run_ap_undist.fmr", "run_pa_undist.stc"})
        fs::remove(set / f);
    const Outcome o = job("estimate", "[{\"command\": \"estimate\", \"parameters\": {" + kEstimateParameters +
                                          ", \"apply_to_input\": 1}, \"print\": [\"vdm\"]}]");
    ASSERT_EQ(o.status, 0) << o.output;
    for (const char* line :
         {"Estimating voxel displacement maps...\n", "Start fast VDM estimate... \n",
          "SSD after applying smoothed VDM: ", "\nStarting local optimizations\n",
          "Other distance measure NCC: ", "\nTime taken: ", "Inverse consistency check VDM: ",
          "Saving voxel displacement maps to .map files...\n", "Applying voxel displacement maps...\n",
          "Done.\n", "vdm = run_ap_vdm.map"})
        EXPECT_TRUE(contains(o.output, line)) << line << "\n" << o.output;
    EXPECT_EQ(countOf(o.output, "Finished iteration with SSD: "), 4u);

    // The host wrote the maps; the plug-in's reader reads them back.
    const distortion::core::Volume map0 = distortion::io::readMapFile((set / "run_ap_vdm.map").string());
    const distortion::core::Volume map1 = distortion::io::readMapFile((set / "run_pa_vdm.map").string());
    const distortion::core::Volume deriv =
        distortion::io::readMapFile((set / "run_ap_vdmderiv.map").string());
    const distortion::core::Volume truth = distortion::io::readMapFile((set / "truth_vdm.map").string());
    const distortion::core::Volume mask = distortion::io::readMapFile((set / "object_mask.map").string());
    ASSERT_EQ(map0.dimensions(), (distortion::core::Dimensions{32, 40, 9}));
    for (std::size_t i = 0; i < map0.size(); ++i) ASSERT_EQ(map1[i], -map0[i]);
    EXPECT_NEAR(deriv(5, 10, 4), (map0(5, 11, 4) - map0(5, 9, 4)) * 0.5f, 1e-6);
    std::vector<double> before, after;
    for (std::size_t i = 0; i < truth.size(); ++i)
        if (mask[i] != 0.0f) {
            before.push_back(std::fabs(truth[i]));
            after.push_back(std::fabs(truth[i] - map0[i]));
        }
    auto quantile = [](std::vector<double> v, double q) {
        std::sort(v.begin(), v.end());
        return v[static_cast<std::size_t>(q * (v.size() - 1))];
    };
    EXPECT_LT(quantile(after, 0.5), 0.6 * quantile(before, 0.5));
    EXPECT_LT(quantile(after, 0.95), 0.7 * quantile(before, 0.95));

    const distortion::io::Project undist =
        distortion::io::readFMR((set / "run_ap_undist.fmr").string(), true);
    EXPECT_EQ(undist.entry("Prefix").text, "run_ap_undist");
    EXPECT_EQ(undist.entry("LoadAMRFile").text, "");
    EXPECT_FALSE(undist.entry("ShowAMRFile").boolValue);
    EXPECT_EQ(undist.volumes.size(), 2u);

    // The stored map applied again reproduces the undistorted project.
    const Outcome a = job(
        "apply",
        R"([{"command": "apply", "parameters": {"vdm": "run_ap_vdm.map", "rllr": 0, "files": "run_ap.fmr\nnotes\n"}}])");
    EXPECT_TRUE(
        contains(a.output, "Loading VDM...\nApplying VDM...\nUndistorted data saved as: run_ap_undist.fmr\n"))
        << a.output;
    // The host loaded the map into the current FMR without a problem or a box.
    EXPECT_FALSE(contains(a.output, "Talvora> ")) << a.output;
    const distortion::io::Project again = distortion::io::readFMR((set / "run_ap_undist.fmr").string(), true);
    for (std::size_t i = 0; i < again.volumes[0].size(); ++i)
        ASSERT_EQ(again.volumes[0][i], undist.volumes[0][i]);
}

TEST_F(Workflow, EstimateRefusesBadSelections) {
    struct Case {
        std::string parameters;
        std::string message;
    } cases[] = {
        {"\"volume0\": 2, \"volume1\": 0",
         "Error: Cannot use volume 2 of file run_ap.fmr, which has only 2 volumes."},
        {"\"volume0\": 0, \"volume1\": -1",
         "Error: Cannot use volume -1 of file run_pa.fmr, which has only 2 volumes."},
        {"\"file1\": \"" + (root / "q" / "ap_pa_sev5" / "run_pa.fmr").string() + "\"",
         "Error: All datasets must have the same dimensions!"},
        {"\"file1\": \"run_pa\"", "Error: Failed opening for reading: run_pa\n"},
    };
    for (const Case& c : cases) {
        const Outcome o =
            job("estimate_bad", "[{\"command\": \"estimate\", \"parameters\": {" + kEstimateParameters +
                                    ", \"apply_to_input\": 0, " + c.parameters + "}, \"print\": [\"vdm\"]}]");
        EXPECT_EQ(o.status, 6) << o.output;
        EXPECT_TRUE(contains(o.output, "Talvora> [message] " + c.message)) << c.message << "\n" << o.output;
        EXPECT_FALSE(contains(o.output, "Estimating voxel displacement maps")) << o.output;
    }
}

TEST_F(Workflow, ConstantVolumesUnderCorrelationWriteNoMaps) {
    const fs::path dir = root / "flat";
    fs::create_directories(dir);
    const std::string header =
        "NrOfVolumes: 1\nNrOfSlices: 4\nPrefix: flat\nDataType: 2\nResolutionX: 8\nResolutionY: 8\n"
        "InplaneResolutionX: 2\nInplaneResolutionY: 2\nSliceThickness: 2\nSliceGap: 0\n";
    write(dir / "run_ap.fmr", header);
    write(dir / "run_pa.fmr", header);  // the same data under a second name
    std::vector<float> values(8 * 8 * 4, 500.0f);
    std::ofstream(dir / "flat.stc", std::ios::binary)
        .write(reinterpret_cast<const char*>(values.data()), values.size() * 4);
    const Outcome o =
        job("flat", R"([{"command": "estimate", "parameters": {"file0": "run_ap.fmr", "file1": "run_pa.fmr",
      "volume0": 0, "volume1": 0, "rllr": 0, "use_ic": 0, "use_ssd": 0, "apply_to_input": 1, "save_derivative": 1,
      "order": 0}, "print": ["vdm"]}])",
            "", dir);
    EXPECT_TRUE(contains(
        o.output,
        "Not-a-number values detected. Local optimization skipped. Please start again trying higher order.\nDone.\n"))
        << o.output;
    EXPECT_TRUE(contains(o.output, "vdm = (unset)")) << o.output;
    EXPECT_FALSE(fs::exists(dir / "run_ap_vdm.map"));
}

TEST_F(Workflow, ApplyAsksBeforeResizingAndStopsOnNo) {
    const fs::path other = root / "q" / "ap_pa_sev5";
    fs::remove(set / "run_pa_undist.fmr");
    fs::remove(other / "run_ap_undist.fmr");
    // The map of the 32 x 40 phantom against a 24 x 30 project.
    const std::string files =
        "run_pa.fmr\\n" + (other / "run_ap.fmr").string() + "\\n" + (other / "dwi_ap.dmr").string();
    const std::string commands =
        "[{\"command\": \"apply\", \"parameters\": {\"vdm\": \"truth_vdm.map\", \"rllr\": 0, \"files\": \"" +
        files + "\"}}]";
    Outcome o = job("apply_no", commands,
                    R"( "answers": [{"expect": "resize the VDM to the FMR dimensions", "value": false}],)");
    EXPECT_TRUE(contains(o.output, "Undistorted data saved as: run_pa_undist.fmr\n")) << o.output;
    EXPECT_TRUE(contains(o.output, "Talvora> [message] Error: All datasets must have the same dimensions!"))
        << o.output;
    EXPECT_TRUE(fs::exists(set / "run_pa_undist.fmr"));
    EXPECT_FALSE(fs::exists(other / "run_ap_undist.fmr"));
    o = job(
        "apply_yes", commands,
        R"J( "answers": [true, {"expect": "Dimensions of the datasets don't match!\nDo you want to resize the VDM to the DMR dimensions?\n\n(they need to have the same field of view)", "value": "yes"}],)J");
    EXPECT_TRUE(contains(o.output, "Undistorted data saved as: " + (other / "dwi_ap_undist.dmr").string()))
        << o.output;
    const distortion::io::Project resized =
        distortion::io::readDMR((other / "dwi_ap_undist.dmr").string(), true);
    EXPECT_EQ(resized.volumes.size(), 2u);
    EXPECT_EQ(resized.gradientTable.size(), 8u);
}

TEST_F(Workflow, BadFilesEndTheCommandWithTheirMessage) {
    const fs::path dir = root / "bad";
    fs::create_directories(dir);
    std::string map;
    {
        std::ifstream in(set / "truth_vdm.map", std::ios::binary);
        map.assign(std::istreambuf_iterator<char>(in), {});
    }
    write(dir / "short.map", map.substr(0, map.size() - 10));
    write(dir / "run_ap.fmr", "NrOfVolumes: 1\nNrOfSlices: 1\nResolutionX: 2\nResolutionY: 2\nPrefix: ap\n");
    write(dir / "nodata.dmr",
          "NrOfVolumes: 1\nNrOfSlices: 1\nResolutionX: 2\nResolutionY: 2\nPrefix: none\n");
    write(
        dir / "format.dmr",
        "DataStorageFormat: 2\nNrOfVolumes: 1\nNrOfSlices: 1\nResolutionX: 2\nResolutionY: 2\nPrefix: format\n");
    write(dir / "format.dwi", std::string(8, '\0'));
    const std::string before = map.substr(0, map.size() - 10);
    struct Case {
        std::string commands;
        std::string message;
    } cases[] = {
        {R"([{"command": "apply", "parameters": {"vdm": "short.map", "files": "run_ap.fmr"}}])",
         "Error: error reading from binary file"},
        {R"([{"command": "apply", "parameters": {"vdm": "absent.map", "files": "run_ap.fmr"}}])",
         "Error: could not open file absent.map"},
        {R"([{"command": "apply", "parameters": {"vdm": ")" + (set / "truth_vdm.map").string() +
             R"(", "files": "nodata.dmr"}}])",
         "Error: Failed opening for reading: none.dwi"},
        {R"([{"command": "apply", "parameters": {"vdm": ")" + (set / "truth_vdm.map").string() +
             R"(", "files": "format.dmr"}}])",
         "Error: Can only read DataStorageFormat 3, Not 2"},
        {R"([{"command": "apply", "parameters": {"vdm": ")" + (set / "truth_vdm.map").string() +
             R"(", "files": "run_ap.fmr"}}])",
         "Error: Failed opening STC for reading: ap.stc"},
    };
    for (const Case& c : cases) {
        const Outcome o = job("bad", c.commands, "", dir);
        EXPECT_EQ(o.status, 6) << o.output;
        EXPECT_TRUE(contains(o.output, "Talvora> [message] " + c.message)) << c.message << "\n" << o.output;
    }
    std::string after;
    {
        std::ifstream in(dir / "short.map", std::ios::binary);
        after.assign(std::istreambuf_iterator<char>(in), {});
    }
    EXPECT_EQ(after, before);  // inputs are never modified
    for (auto& e : fs::directory_iterator(dir))
        EXPECT_EQ(e.path().string().find("_undist"), std::string::npos);
}

TEST_F(Workflow, SavingMapsNeedsACurrentFmrOfTheMapsGrid) {
    const std::string estimate = "[{\"command\": \"estimate\", \"parameters\": {" + kEstimateParameters +
                                 ", \"apply_to_input\": 0}, \"print\": [\"vdm\"]}]";
    const fs::path jobFile = set / "no_fmr.json";
    write(jobFile, "{\"plugin\": \"Mirel_r122\", \"commands\": " + estimate + "}");
    Outcome o = run(std::string(TALVORA_EXE) + " run " + jobFile.string() + " --plugins-dir " + PLUGINS_DIR);
    EXPECT_TRUE(contains(o.output, "Talvora> [message] Error: assertion failure (mirel_pipeline.cpp:"))
        << o.output;
    EXPECT_TRUE(contains(o.output, "): slices != nullptr")) << o.output;
    EXPECT_TRUE(contains(o.output, "Talvora> no functional project (FMR) is open\n")) << o.output;
    EXPECT_TRUE(contains(o.output, "vdm = (unset)")) << o.output;
    // A current FMR of other dimensions.
    o = job("other_fmr", estimate,
            R"( "documents": {"fmr": ")" + (root / "q" / "ap_pa_sev5" / "run_ap.fmr").string() + R"("},)");
    EXPECT_TRUE(contains(o.output, "): dim.z == header.DimZ") ||
                contains(o.output, "): dim.y == header.DimY"))
        << o.output;
}
