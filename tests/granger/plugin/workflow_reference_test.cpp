// Whole runs through the stand-in host compared, voxel by voxel, with maps
// computed in double precision from Geweke's definitions by
// tools/granger_fixtures.py ("runs"): one VTC shared by reference and
// voxels, and separate source and target VTCs of different lengths.
#include "gcm_run_fixture.h"

#include "host/formats/protocol_file.h"
#include "host/formats/voi_file.h"
#include "host/formats/vtc_file.h"

#include <cmath>
#include <fstream>
#include <sstream>

using namespace gcm_test;
using nlohmann::json;
namespace fs = std::filesystem;

namespace {

struct RunCase {
    std::string name;
    int order = 1;
    std::vector<std::pair<int, int>> intervals;
    int sourceVolumes = 0, targetVolumes = 0;
    std::vector<float> source, target;  // voxel after voxel, each its volumes
    std::vector<double> inst, dgcm;     // the expected maps
};

struct RunCases {
    int dims[3] = {0, 0, 0};
    std::vector<int> reference;  // grid indices of the VOI's voxels
    std::vector<RunCase> cases;
};

void expectWord(std::istream& in, const std::string& word) {
    std::string w;
    in >> w;
    if (w != word) throw std::runtime_error("gcm_run_cases.txt: expected '" + word + "', read '" + w + "'");
}

void readValues(std::istream& in, const std::string& label, int& volumes, std::vector<float>& out) {
    expectWord(in, label);
    int voxels = 0;
    in >> voxels >> volumes;
    out.resize(static_cast<std::size_t>(voxels) * static_cast<std::size_t>(volumes));
    for (float& v : out) {
        std::string token;
        in >> token;
        v = std::strtof(token.c_str(), nullptr);
    }
}

void readMap(std::istream& in, const std::string& label, std::size_t voxels, std::vector<double>& out) {
    expectWord(in, label);
    out.resize(voxels);
    for (double& v : out) in >> v;
}

const RunCases& runCases() {
    static const RunCases cases = [] {
        std::ifstream in(std::string(GRANGER_FIXTURES) + "/gcm_run_cases.txt");
        if (!in) throw std::runtime_error("cannot open gcm_run_cases.txt");
        std::string comment;
        std::getline(in, comment);
        RunCases c;
        expectWord(in, "dims");
        in >> c.dims[0] >> c.dims[1] >> c.dims[2];
        expectWord(in, "reference");
        std::string line;
        std::getline(in, line);
        std::istringstream refs(line);
        for (int i; refs >> i;) c.reference.push_back(i);
        expectWord(in, "cases");
        int n = 0;
        in >> n;
        const std::size_t voxels = static_cast<std::size_t>(c.dims[0]) * c.dims[1] * c.dims[2];
        for (int k = 0; k < n; ++k) {
            RunCase r;
            int intervals = 0;
            expectWord(in, "case");
            in >> r.name >> r.order >> intervals;
            for (int i = 0; i < intervals; ++i) {
                int a = 0, b = 0;
                in >> a >> b;
                r.intervals.emplace_back(a, b);
            }
            readValues(in, "source", r.sourceVolumes, r.source);
            readValues(in, "target", r.targetVolumes, r.target);
            readMap(in, "inst", voxels, r.inst);
            readMap(in, "dgcm", voxels, r.dgcm);
            if (!in) throw std::runtime_error("gcm_run_cases.txt: case " + r.name + " is incomplete");
            c.cases.push_back(std::move(r));
        }
        return c;
    }();
    return cases;
}

const RunCase& runCase(const std::string& name) {
    for (const RunCase& c : runCases().cases)
        if (c.name == name) return c;
    throw std::runtime_error("no run case " + name);
}

class GcmReferenceRunTest : public GcmRunTest {
protected:
    // The study gives the anatomy and the grid's position; the fixture's VTCs
    // and VOI go into "fx/".
    void SetUp() override {
        GcmRunTest::SetUp();
        writeStudy();
        fs::create_directories(dir() / "fx");
        base_ = talvora::formats::readVtcHeader(dir() / "S01/run1.vtc");
        const RunCases& c = runCases();
        base_.grid.xEnd = base_.grid.xStart + c.dims[0] * base_.grid.resolution;
        base_.grid.yEnd = base_.grid.yStart + c.dims[1] * base_.grid.resolution;
        base_.grid.zEnd = base_.grid.zStart + c.dims[2] * base_.grid.resolution;
        base_.dataType = 2;
        talvora::formats::VoiFile vois;
        talvora::formats::VoiDefinition voi{"Fixture", {}};
        for (int i : c.reference) {
            const int gx = i % c.dims[0], gy = (i / c.dims[0]) % c.dims[1], gz = i / (c.dims[0] * c.dims[1]);
            voi.coords.push_back(base_.grid.xStart + gx * base_.grid.resolution);
            voi.coords.push_back(base_.grid.yStart + gy * base_.grid.resolution);
            voi.coords.push_back(base_.grid.zStart + gz * base_.grid.resolution);
        }
        vois.vois.push_back(voi);
        talvora::formats::writeVoiFile(dir() / "fx/fixture.voi", vois);
    }

    void writeVtc(const std::string& relative, int volumes, const std::vector<float>& values) {
        auto header = base_;
        header.nrOfVolumes = volumes;
        talvora::formats::writeVtcFile(dir() / relative, header, values);
    }

    // Map values against the reference: within single-precision rounding of
    // the measures (2e-5, times the map scale factor 100), and relative to
    // the value (1e-4) for the voxels that nearly repeat the reference, whose
    // residual determinant is small.
    static void expectMaps(const talvora::formats::MapSetFile& set, const RunCase& c) {
        ASSERT_EQ(set.maps.size(), 2u);
        ASSERT_EQ(set.maps[0].values.size(), c.inst.size());
        ASSERT_EQ(set.maps[1].values.size(), c.dgcm.size());
        for (std::size_t i = 0; i < c.inst.size(); ++i) {
            EXPECT_NEAR(set.maps[0].values[i], c.inst[i], 2e-3 + 1e-4 * std::fabs(c.inst[i]))
                << c.name << " Inst, voxel " << i;
            EXPECT_NEAR(set.maps[1].values[i], c.dgcm[i], 2e-3 + 1e-4 * std::fabs(c.dgcm[i]))
                << c.name << " dGCM, voxel " << i;
        }
    }

    talvora::RunResult runSeparate(const RunCase& c, int intervalEnd) {
        writeSettings("AutoRegressionOrder= " + std::to_string(c.order) +
                      "\nNumSurrogateSimulations= 10\nSeparateSourceTargetVTCs= 1\n");
        writeVtc("fx/" + c.name + "_src.vtc", c.sourceVolumes, c.source);
        writeVtc("fx/" + c.name + "_trg.vtc", c.targetVolumes, c.target);
        json job = {
            {"answers",
             json::array({json{{"expect", "Add a SOURCE VTC"}, {"value", "fx/" + c.name + "_src.vtc"}},
                          json{{"expect", "Add a TARGET VTC"}, {"value", "fx/" + c.name + "_trg.vtc"}},
                          json{{"expect", "Add a SOURCE VTC"}, {"value", nullptr}}})}};
        return run(json::array({runCommand("S01", 1,
                                           {{"VOIFile", "fx/fixture.voi"},
                                            {"NrOfSubjVTCs", 0},
                                            {"SubjVTC-1", ""},
                                            {"VTCIntervalStart", c.intervals.front().first},
                                            {"VTCIntervalEnd", intervalEnd}})}),
                   job);
    }

    void expectCounters(const std::string& logFile) {
        const std::string log = readText(logFile);
        EXPECT_NE(log.find("\tVoxels skipped: 1\t("), std::string::npos) << log;
        EXPECT_NE(log.find("\tVoxels ill-defined: 1\t("), std::string::npos) << log;
    }

    talvora::formats::VtcHeader base_;
};

}  // namespace

TEST_F(GcmReferenceRunTest, SharedVtcRunGivesTheMapsOfTheDefinitions) {
    const RunCase& c = runCase("shared");
    ASSERT_EQ(c.sourceVolumes, c.targetVolumes);
    writeSettings("AutoRegressionOrder= " + std::to_string(c.order) + "\nNumSurrogateSimulations= 10\n");
    writeVtc("fx/shared.vtc", c.sourceVolumes, c.source);
    talvora::formats::ProtocolFile prt;
    prt.timeUnit = talvora::formats::ProtocolFile::TimeUnit::Volumes;
    prt.conditions.push_back({"Task", {}, {}});
    for (const auto& [first, last] : c.intervals) {
        prt.conditions[0].starts.push_back(first);
        prt.conditions[0].ends.push_back(last);
    }
    talvora::formats::writeProtocolFile(dir() / "fx/shared.prt", prt);
    json job = {{"documents",
                 {{"vmr", "anatomy.vmr"},
                  {"vtc", "fx/shared.vtc"},
                  {"protocols", {{"fx/shared.vtc", "fx/shared.prt"}}}}}};
    const auto r = run(
        json::array({runCommand("S01", 2, {{"VOIFile", "fx/fixture.voi"}, {"SubjVTC-1", "fx/shared.vtc"}})}),
        job);
    ASSERT_EQ(r.executeResults, (std::vector<bool>{true})) << r.error;
    expectMaps(maps("fx/S01_COND-Task_VOI-Fixture.gcm"), c);
    expectCounters("fx/S01_COND-Task_VOI-Fixture.log");
}

TEST_F(GcmReferenceRunTest, LongerTargetThanSourceIsIndexedWithItsOwnVolumes) {
    const RunCase& c = runCase("src150_trg200");
    ASSERT_EQ(c.sourceVolumes, 150);
    ASSERT_EQ(c.targetVolumes, 200);
    const auto r = runSeparate(c, c.sourceVolumes - c.intervals.front().second);
    ASSERT_EQ(r.executeResults, (std::vector<bool>{true})) << r.error;
    expectMaps(maps("fx/S01_RUNCOND-Task_VOI-Fixture.gcm"), c);
    expectCounters("fx/S01_RUNCOND-Task_VOI-Fixture.log");
}

TEST_F(GcmReferenceRunTest, ShorterTargetThanSourceIsIndexedWithItsOwnVolumes) {
    const RunCase& c = runCase("src200_trg150");
    ASSERT_EQ(c.sourceVolumes, 200);
    ASSERT_EQ(c.targetVolumes, 150);
    const auto r = runSeparate(c, c.sourceVolumes - c.intervals.front().second);
    ASSERT_EQ(r.executeResults, (std::vector<bool>{true})) << r.error;
    expectMaps(maps("fx/S01_RUNCOND-Task_VOI-Fixture.gcm"), c);
    expectCounters("fx/S01_RUNCOND-Task_VOI-Fixture.log");
}

TEST_F(GcmReferenceRunTest, IntervalBeyondTheShorterTargetIsRefusedNamingIt) {
    const RunCase& c = runCase("src200_trg150");
    const auto r = runSeparate(c, 0);  // (11, 200) fits the source, not the target
    EXPECT_EQ(r.executeResults, (std::vector<bool>{false}));
    const std::string target = (dir() / "fx/src200_trg150_trg.vtc").string();
    EXPECT_TRUE(logged("// GCM> An interval (11, 200) for vtc '" + target +
                       "', 150 volumes, in condition 'Task' was wrongly specified (N.B. last-first+1 must be "
                       "greater than AR-order(1))"));
    EXPECT_TRUE(
        logged("// GCM> An invalid input parameter-set caused computation to terminate.\n// GCM> Try again "
               "with a different parameter-set. Exiting..."));
    EXPECT_FALSE(exists("fx/S01_RUNCOND-Task_VOI-Fixture.gcm"));
}

TEST_F(GcmReferenceRunTest, ConstantTargetEntersNoFalseDiscoverySet) {
    RunCase c = runCase("src150_trg200");
    // Every target voxel constant (above the inclusion threshold, at levels
    // whose float sums round), so every voxel is ill-defined.
    for (std::size_t voxel = 0; voxel < c.target.size() / c.targetVolumes; ++voxel)
        std::fill_n(c.target.begin() + static_cast<std::ptrdiff_t>(voxel * c.targetVolumes), c.targetVolumes,
                    1000.1f + 37.3f * static_cast<float>(voxel));
    const auto r = runSeparate(c, c.sourceVolumes - c.intervals.front().second);
    ASSERT_EQ(r.executeResults, (std::vector<bool>{true})) << r.error;
    const auto set = maps("fx/S01_RUNCOND-Task_VOI-Fixture.gcm");
    ASSERT_EQ(set.maps.size(), 2u);
    for (const auto& m : set.maps) {
        for (float v : m.values) EXPECT_EQ(v, 0.0f);
        for (float t : m.fdrThresholds) EXPECT_EQ(t, 0.0f);
    }
    const std::size_t voxels = c.inst.size();
    EXPECT_NE(readText("fx/S01_RUNCOND-Task_VOI-Fixture.log")
                  .find("\tVoxels ill-defined: " + std::to_string(voxels) + "\t(100%)"),
              std::string::npos);
}
