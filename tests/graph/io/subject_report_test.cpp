// The measures report of nodora-measures: content on a closed-form graph and
// the command's exit codes.
#include "graph/io/subject_report.h"

#include "manifest_fixture.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace graph::io;

using graph_test::TempFolder;

TEST(SubjectReport, CompleteGraphGivesClosedFormValues) {
    TempFolder folder;
    graph_test::Rows k4(4, std::vector<float>(4, 1.0f));
    for (int i = 0; i < 4; ++i) k4[i][i] = 0.0f;
    const std::string path = graph_test::writeSubject(folder, "k4", "sub-K4", {k4, k4}, {"Rest", "Task"});

    std::ostringstream out;
    writeSubjectReport(out, path);
    const std::string text = out.str();
    EXPECT_NE(text.find("Subject sub-K4 (" + path + "): 2 matrices"), std::string::npos) << text;
    EXPECT_NE(text.find("Matrix 0: Rest (final_0.csv), 4 nodes\nglobal_efficiency 1\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("Matrix 1: Task (final_1.csv), 4 nodes"), std::string::npos) << text;
    // Node 2: clustering 1, local efficiency 1, degree 3, centrality 0.5, strength 3, nodal efficiency 1.
    std::string row = "2     N2              1";
    row += std::string(23, ' ') + "1" + std::string(23, ' ') + "3" + std::string(23, ' ') + "0.5" +
           std::string(21, ' ') + "3" + std::string(23, ' ') + "1\n";
    EXPECT_NE(text.find(row), std::string::npos) << text;
}

TEST(SubjectReport, ExitCodes) {
    TempFolder folder;
    const std::string good =
        graph_test::writeSubject(folder, "a", "sub-A", {graph_test::exampleMatrix(4, 1)});
    const std::string absent = (folder.path() / "absent.json").string();
    // An empty expectation means the stream must stay empty; otherwise the
    // text must appear in it.
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string inOut;
        std::string inErr;
    };
    const std::vector<Case> cases = {
        {{}, 2, "", "usage: nodora-measures"},
        {{"--help"}, 0, "usage: nodora-measures", ""},
        {{"-h", good}, 0, "usage: nodora-measures", ""},
        {{good}, 0, "Subject sub-A", ""},
        {{absent, good}, 1, "Subject sub-A", "nodora-measures: " + absent + ": cannot open file"},
        {{absent}, 1, "", "nodora-measures: " + absent + ": cannot open file"},
    };
    const auto expectStream = [](const std::string& text, const std::string& expected, const char* which) {
        if (expected.empty())
            EXPECT_EQ(text, "") << which;
        else
            EXPECT_NE(text.find(expected), std::string::npos) << which << ": " << text;
    };
    for (const Case& c : cases) {
        std::ostringstream out, err;
        EXPECT_EQ(runSubjectReports(c.args, out, err), c.status);
        expectStream(out.str(), c.inOut, "stdout");
        expectStream(err.str(), c.inErr, "stderr");
    }
}
