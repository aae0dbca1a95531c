// Matrices with negative weights: they load, the measures see them as the
// chosen policy says, the report says which policy was used, and values that
// are not finite numbers are still refused.
#include "graph/core/feature_registry.h"
#include "graph/core/graph_feature_compute.h"
#include "graph/io/subject_data.h"
#include "graph/io/subject_report.h"
#include "graph/core/weight_policy.h"
#include "linkmesh/linkmesh.h"

#include "manifest_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace graph::core;
using namespace graph::io;

using graph_test::TempFolder;

namespace {

Subject subjectAt(const std::string& manifest) {
    Subject s;
    s.manifest = readStudyManifest(manifest);
    s.folder = std::filesystem::path(manifest).parent_path().string();
    return s;
}

const graph_test::Rows kSigned = {{0, -0.5f, 0.25f}, {-0.5f, 0, 0.75f}, {0.25f, 0.75f, 0}};

}  // namespace

TEST(WeightPolicy, PoliciesOnALiteralMatrix) {
    Eigen::MatrixXf m(2, 2);
    m << 0, -0.5f, 0.25f, -1;
    Eigen::MatrixXf positive(2, 2), absolute(2, 2);
    positive << 0, 0, 0.25f, 0;
    absolute << 0, 0.5f, 0.25f, 1;
    EXPECT_EQ(applyWeightPolicy(m, WeightPolicy::PositiveOnly), positive);
    EXPECT_EQ(applyWeightPolicy(m, WeightPolicy::Absolute), absolute);
    EXPECT_EQ(weightPolicyText(WeightPolicy::PositiveOnly), "positive weights only (negatives set to 0)");
    EXPECT_EQ(weightPolicyText(WeightPolicy::Absolute), "absolute values");
    EXPECT_TRUE(hasNegativeWeight({m}));
    EXPECT_FALSE(hasNegativeWeight({absolute}));
}

TEST(WeightPolicy, SignedMatrixLoadsAndMeasuresFollowThePolicy) {
    TempFolder folder;
    const Subject s = subjectAt(graph_test::writeSubject(folder, "s", "signed", {kSigned}));
    const std::vector<Eigen::MatrixXf> matrices = loadFinalMatrices(s);
    ASSERT_EQ(matrices.size(), 1u);
    EXPECT_EQ(matrices[0](0, 1), -0.5f);
    // Strength by hand: positive only {0.25, 0.75, 1.0}; absolute {0.75, 1.25, 1.0}.
    const auto positive = computeFeatureValues("strength", matrices, WeightPolicy::PositiveOnly);
    EXPECT_EQ(positive[0], (std::vector<float>{0.25f, 0.75f, 1.0f}));
    const auto absolute = computeFeatureValues("strength", matrices, WeightPolicy::Absolute);
    EXPECT_EQ(absolute[0], (std::vector<float>{0.75f, 1.25f, 1.0f}));
    // Degree counts connections: node 0 loses its negative one.
    EXPECT_EQ(computeFeatureValues("degree", matrices)[0], (std::vector<float>{1, 1, 2}));
    EXPECT_EQ(computeFeatureValues("degree", matrices, WeightPolicy::Absolute)[0],
              (std::vector<float>{2, 2, 2}));
    EXPECT_NO_THROW(computeFeatureValues("global_efficiency", matrices));
}

TEST(WeightPolicy, ReportSaysWhichWeightsWereUsed) {
    TempFolder folder;
    std::ostringstream out;
    writeSubjectReport(out, graph_test::writeSubject(folder, "s", "signed", {kSigned}));
    EXPECT_NE(out.str().find("\nNegative weights: measures use positive weights only (negatives set to 0)\n"),
              std::string::npos)
        << out.str();
    std::ostringstream plain;
    writeSubjectReport(plain,
                       graph_test::writeSubject(folder, "p", "plain", {graph_test::exampleMatrix(4, 1)}));
    EXPECT_EQ(plain.str().find("Negative weights"), std::string::npos);
}

TEST(WeightPolicy, NotANumberInfinityAndMalformedFilesAreStillRefused) {
    TempFolder folder;
    for (const std::string text :
         {"0,nan\nnan,0\n", "0,inf\ninf,0\n", "0,-inf\n-inf,0\n", "0,abc\n1,0\n", "0,1\n1\n"}) {
        const std::string manifest =
            graph_test::writeSubject(folder, "b", "bad", {graph_test::exampleMatrix(2, 1)});
        folder.write("b/final_0.csv", text);
        EXPECT_THROW(loadFinalMatrices(subjectAt(manifest)), linkmesh::Error) << text;
    }
}

TEST(FeatureRegistry, OneDefinitionPerKeyWithItsCallAndQuestion) {
    std::vector<std::string> keys, asking, groups;
    for (const FeatureDefinition& d : featureRegistry()) {
        if (d.isGroup()) {
            groups.push_back(d.group);
            continue;
        }
        keys.push_back(d.key);
        if (d.asksFirst) asking.push_back(d.key);
        EXPECT_EQ(d.scalar, d.whole != nullptr) << d.key;
        EXPECT_EQ(!d.scalar, d.nodal != nullptr) << d.key;
        EXPECT_EQ(findFeature(d.key), &d);
    }
    EXPECT_EQ(groups,
              (std::vector<std::string>{"Segragation", "Integration", "Centrality", "Nodal Features"}));
    EXPECT_EQ(keys, (std::vector<std::string>{"clustering_coeff", "local_efficiency", "global_efficiency",
                                              "degree", "eigenvector_centrality", "strength", "nodal_ge"}));
    EXPECT_EQ(asking, (std::vector<std::string>{"local_efficiency", "eigenvector_centrality", "nodal_ge"}));
    EXPECT_EQ(findFeature("nodal_ge")->nodal, &linkmesh::nodal_global_efficiency);
    EXPECT_EQ(findFeature("nodal_ge")->plotTitle, "Nodal Global Efficiency");
    EXPECT_EQ(findFeature("missing"), nullptr);
    EXPECT_EQ(findFeature(""), nullptr);
}
