// The job file's "documents" object: what each key opens, paths taken from
// the job's folder, protocol overrides, and the refusals.
#include "host/formats/glm_file.h"
#include "host/formats/voi_file.h"
#include "host/session/job.h"
#include "host_fixture.h"

using nlohmann::json;
using test_support::HostDocuments;
using test_support::writeBytes;
namespace fmt = talvora::formats;

namespace {

void writeGlm(const std::filesystem::path& path, const fmt::FunctionalGrid& g) {
    fmt::GlmFile glm;
    glm.nrOfPredictors = 1;
    glm.grid = g;
    glm.maps.assign(glm.nrOfMaps() * g.voxelCount(), 1.0f);
    fmt::writeGlmFile(path, glm);
}

}  // namespace

TEST_F(HostDocuments, JobDocumentsOpenFromTheJobFolder) {
    std::filesystem::create_directories(tmp / "data");
    fmt::VmrFile vmr;
    fmt::writeVmrFile(tmp / "data/anatomy.vmr", vmr);
    writeProtocol("data/p.prt", {4000});
    writeProtocol("data/q.prt", {6000, 26000});
    writeFloatVtc("data/a.vtc", 1, header(4, 2, "p.prt"));
    fmt::VoiFile vois;
    vois.vois = {{"V", {1, 2, 3}}};
    fmt::writeVoiFile(tmp / "data/a.voi", vois);
    writeGlm(tmp / "data/a.glm", grid());

    // Relative paths start at the job's folder, whatever the current folder.
    talvora::openDocuments(json{{"vmr", "data/anatomy.vmr"},
                                {"vtc", "data/a.vtc"},
                                {"vois", "data/a.voi"},
                                {"glm", "data/a.glm"},
                                {"protocols", {{"a.vtc", "data/q.prt"}}}},
                           tmp.path());
    int x, y, z;
    EXPECT_EQ(hxGetCurrentVMR(&x, &y, &z), 1);
    tl::VTCHeaderRecord h{};
    EXPECT_EQ(hxGetHeaderOfVTCOfCurrentVMR(&h), 1);
    EXPECT_EQ(std::string(h.protocolPath), file("data/q.prt"));  // the job's protocol wins
    tl::ProtocolConditionRecord c{};
    ASSERT_EQ(hxGetProtocolCondition(0, &c), 1);
    EXPECT_EQ(c.nrOfIntervals, 2);
    tl::VOISetRecord set{};
    EXPECT_EQ(hxGetVOIs(&set), 1);
    tl::GLMRecord glm{};
    EXPECT_NE(hxGetGLMOfCurrentVMR(&glm), nullptr);

    // The override holds for later links made by the plug-in too.
    ASSERT_EQ(hxLinkVTCToCurrentVMR(file("data/a.vtc").c_str(), 0), 1);
    ASSERT_EQ(hxGetProtocolCondition(0, &c), 1);
    EXPECT_EQ(c.starts[0], 6000);

    talvora::closeDocuments();
    EXPECT_EQ(hxGetCurrentVMR(&x, &y, &z), 0);
    EXPECT_EQ(hxGetVOIs(&set), 0);
}

TEST_F(HostDocuments, BadJobDocumentsAreRefused) {
    fmt::VmrFile vmr;
    fmt::writeVmrFile(tmp / "anatomy.vmr", vmr);
    writeProtocol("p.prt", {4000});
    writeFloatVtc("a.vtc", 1, header());
    fmt::FunctionalGrid other = grid();
    other.zEnd += 3;
    writeGlm(tmp / "other.glm", other);
    writeBytes(tmp / "bad.prt", "TALVORA-PRT 1\nTimeUnit: hours\n");

    struct Case {
        json documents;
        std::string message;
    };
    const Case cases[] = {
        {json::array({1}), "documents: must be an object"},
        {json{{"vmr", "anatomy.vmr"}, {"mask", "a.msk"}}, "documents: unknown key \"mask\""},
        {json{{"vois", "a.voi"}}, "documents: \"vmr\" is missing"},
        {json{{"vmr", 3}}, "documents: \"vmr\" must be a file path"},
        {json{{"vmr", ""}}, "documents: \"vmr\" must be a file path"},
        {json{{"vmr", "none.vmr"}}, file("none.vmr") + ": cannot open the file for reading"},
        {json{{"vmr", "anatomy.vmr"}, {"vtc", "none.vtc"}}, file("none.vtc") + ": cannot open"},
        {json{{"vmr", "anatomy.vmr"}, {"vois", "p.prt"}}, file("p.prt") + ": not a Talvora VOI file"},
        {json{{"vmr", "anatomy.vmr"}, {"vtc", "a.vtc"}, {"glm", "other.glm"}},
         file("other.glm") +
             ": the GLM's grid (resolution 3, box x 30-39 y 60-66 z 90-99) does not match the linked VTC"},
        {json{{"vmr", "anatomy.vmr"}, {"protocols", json::array()}}, "\"protocols\" must map VTC file names"},
        {json{{"vmr", "anatomy.vmr"}, {"protocols", {{"a.vtc", 5}}}},
         "the protocol of \"a.vtc\" must be a file path"},
        {json{{"vmr", "anatomy.vmr"}, {"protocols", {{"a.vtc", "bad.prt"}}}},
         file("bad.prt") + ": line 2: \"TimeUnit\" must be"},
        {json{{"vmr", "anatomy.vmr"}, {"vtc", "a.vtc"}, {"protocols", {{"a.vtc", "gone.prt"}}}},
         file("gone.prt") + ": cannot open"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.documents.dump());
        try {
            talvora::openDocuments(c.documents, tmp.path());
            ADD_FAILURE() << "accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
        int x, y, z;
        EXPECT_EQ(hxGetCurrentVMR(&x, &y, &z), 0) << "a refused job leaves no documents open";
    }
}

TEST_F(HostDocuments, JobRunRefusesBadDocumentsBeforeLoadingThePlugin) {
    writeBytes(tmp / "job.json", R"({"plugin": "no-such-plugin.so", "documents": {"vmr": "none.vmr"}})");
    const talvora::Job job = talvora::readJob(tmp / "job.json");
    try {
        talvora::runJob(job, tmp.path());
        ADD_FAILURE() << "ran";
    } catch (const talvora::JobError& e) {
        EXPECT_NE(std::string(e.what()).find(file("none.vmr") + ": cannot open"), std::string::npos)
            << e.what();
    }
}
