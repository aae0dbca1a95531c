// `talvora convert` as a user runs it: bad input is refused with a message
// naming the file and the problem, a non-zero exit status and no output.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

const fs::path kData = CONVERT_TEST_DATA;

struct Outcome {
    int status = -1;
    std::string output;
};

Outcome run(const std::string& args) {
    Outcome o;
    const std::string command = std::string(TALVORA_EXE) + " convert " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return o;
    std::array<char, 4096> buffer{};
    std::size_t got = 0;
    while ((got = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) o.output.append(buffer.data(), got);
    const int raw = pclose(pipe);
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return o;
}

class ConvertCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("talvora_convert_cli_" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    // The command failed, said `message` about `file`, and left the folder empty.
    void expectRefused(const std::string& args, const std::string& file, const std::string& message) {
        const Outcome o = run(args);
        EXPECT_NE(o.status, 0) << o.output;
        EXPECT_NE(o.output.find(file + ": " + message), std::string::npos) << o.output;
        EXPECT_TRUE(fs::is_empty(dir)) << "output left behind for " << args;
    }
    fs::path dir;
};

}  // namespace

TEST_F(ConvertCliTest, ConvertsARunAndSaysWhatItWrote) {
    const Outcome o = run((kData / "bold_las.nii.gz").string() + " " + (dir / "run.vtc").string());
    EXPECT_EQ(o.status, 0) << o.output;
    EXPECT_NE(o.output.find("TR 2000 ms from pixdim[4]"), std::string::npos) << o.output;
    for (const char* name : {"run.vtc", "run.vmr", "run.vtc.json", "run.vmr.json"})
        EXPECT_TRUE(fs::exists(dir / name));
}

TEST_F(ConvertCliTest, RefusesBrokenImages) {
    for (const char* name : {"truncated.nii", "truncated_data.nii.gz", "truncated_stream.nii.gz"})
        expectRefused((kData / name).string() + " " + (dir / "run.vtc").string(), (kData / name).string(),
                      "is truncated");
    expectRefused((kData / "not_nifti.nii").string() + " " + (dir / "run.vtc").string(),
                  (kData / "not_nifti.nii").string(), "is not a readable NIfTI image");
    expectRefused((dir / "missing.nii.gz").string() + " " + (dir / "run.vtc").string(),
                  (dir / "missing.nii.gz").string(), "");
}

TEST_F(ConvertCliTest, AnOutputThatCannotBeWrittenLeavesNothing) {
    const Outcome o =
        run((kData / "bold_ras.nii.gz").string() + " " + (dir / "missing" / "run.vtc").string());
    EXPECT_NE(o.status, 0) << o.output;
    EXPECT_NE(o.output.find((dir / "missing" / "run.vtc").string() + ": "), std::string::npos) << o.output;
    EXPECT_TRUE(fs::is_empty(dir));
}

TEST_F(ConvertCliTest, RefusesA3DImageWhereARunIsNeeded) {
    expectRefused((kData / "anat_3d.nii.gz").string() + " " + (dir / "run.vtc").string(),
                  (kData / "anat_3d.nii.gz").string(),
                  "is a 3-D image; a run needs 4 dimensions (x, y, z, time)");
}

TEST_F(ConvertCliTest, RefusesARunWithoutTr) {
    expectRefused((kData / "bold_no_tr.nii.gz").string() + " " + (dir / "run.vtc").string(),
                  (kData / "bold_no_tr.nii.gz").string(), "has no TR: no \"RepetitionTime\" in");
    // A sidecar whose TR is 0.
    const fs::path inputs = fs::temp_directory_path() / "talvora_convert_cli_tr0";
    fs::create_directories(inputs);
    fs::copy_file(kData / "bold_ras.nii.gz", inputs / "run_bold.nii.gz",
                  fs::copy_options::overwrite_existing);
    std::ofstream(inputs / "run_bold.json") << R"({"RepetitionTime": 0})";
    expectRefused((inputs / "run_bold.nii.gz").string() + " " + (dir / "run.vtc").string(),
                  (inputs / "run_bold.json").string(),
                  "\"RepetitionTime\" must be a positive number of seconds");
    fs::remove_all(inputs);
}

TEST_F(ConvertCliTest, RefusesUnknownPairsAndUnplacedDocuments) {
    const Outcome o = run((kData / "bold_ras.nii.gz").string() + " " + (dir / "run.prt").string());
    EXPECT_NE(o.status, 0);
    EXPECT_NE(o.output.find("no conversion from .nii (" + (kData / "bold_ras.nii.gz").string() + ") to .prt"),
              std::string::npos)
        << o.output;
    // A VMR without a placement sidecar and no --like.
    const fs::path inputs = fs::temp_directory_path() / "talvora_convert_cli_unplaced";
    fs::create_directories(inputs);
    std::ofstream(inputs / "a.vmr") << "TALVORA-VMR 1\nDimensions: 4 4 4\nVoxels: none\n";
    expectRefused((inputs / "a.vmr").string() + " " + (dir / "a.nii").string(), (inputs / "a.vmr").string(),
                  "has no world placement");
    fs::remove_all(inputs);
}
