// Reading study manifests: every field, the text conversions, and every
// failure with its exact message.
#include "graph/io/study_manifest.h"

#include "manifest_fixture.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>

using namespace graph::io;

using graph_test::TempFolder;
using nlohmann::json;

namespace {

StudyManifest readDocument(const TempFolder& folder, const json& document) {
    return readStudyManifest(folder.writeJson("manifest.json", document));
}

// The error of reading `document`, or a test failure when it reads fine.
StudyManifestError errorOf(const TempFolder& folder, const std::string& text) {
    const std::string path = folder.write("manifest.json", text);
    try {
        readStudyManifest(path);
    } catch (const StudyManifestError& e) {
        return e;
    }
    ADD_FAILURE() << "no error for: " << text;
    return StudyManifestError("", "");
}

}  // namespace

TEST(StudyManifest, ReadsEveryField) {
    TempFolder folder;
    const StudyManifest m = readDocument(folder, graph_test::validManifest());

    EXPECT_EQ(m.manifest_version, "1.2");
    EXPECT_EQ(m.unique_id, "sub-01_ses-1");
    EXPECT_EQ(m.date, "2024-03-01T10:22:05");
    EXPECT_EQ(m.version_syntra, "0.9.3");
    EXPECT_EQ(m.version_linkmesh, "1.0.0");
    EXPECT_EQ(m.version_talvora, "2.6.1");
    EXPECT_EQ(m.vmr, "sub-01.vmr");
    EXPECT_EQ(m.vtc, "sub-01_task.vtc");
    EXPECT_EQ(m.voi, "atlas.voi");
    EXPECT_EQ(m.prt, "task.prt");
    EXPECT_EQ(m.vois_names, (std::vector<std::string>{"alpha", "beta", "gamma"}));
    EXPECT_EQ(m.vois_sizes, (std::vector<int>{120, 98, 311}));
    EXPECT_EQ(m.prt_conditions, (std::vector<std::string>{"Rest", "Task"}));
    EXPECT_EQ(m.method, "pearson");
    EXPECT_EQ(m.selected_vois, (std::vector<int>{2, 0}));
    EXPECT_TRUE(m.uses_proto);
    ASSERT_EQ(m.ordered_conditions.size(), 3u);
    EXPECT_EQ(m.ordered_conditions[1].t, 15);
    EXPECT_EQ(m.ordered_conditions[1].name, "Cue");
    EXPECT_EQ(m.ordered_conditions[1].type, 2);
    EXPECT_EQ(m.ordered_conditions[2].name, "Task");
    EXPECT_EQ(m.ordered_conditions[2].type, 1);
    EXPECT_EQ(m.selected_conditions, (std::vector<std::string>{"Rest", "Task"}));
    EXPECT_EQ(m.treatment_values, "abs");
    EXPECT_EQ(m.timeseries, (std::vector<std::string>{"ts.csv"}));
    EXPECT_EQ(m.connectivity_mtx, (std::vector<std::string>{"raw_0.csv", "raw_1.csv", "raw_2.csv"}));
    EXPECT_EQ(m.treatment_value_files, (std::vector<std::string>{"tv.csv"}));
    EXPECT_EQ(m.treatment_mtx, (std::vector<std::string>{"tm.csv"}));
    EXPECT_EQ(m.final_mtx, (std::vector<std::string>{"final_0.csv", "final_1.csv", "final_2.csv"}));
    EXPECT_EQ(m.comments, "  kept as written  ");  // no trimming
}

TEST(StudyManifest, ValuesAreHeldAsTheParserDeliversThem) {
    TempFolder folder;
    json doc = graph_test::validManifest();
    doc["unique_id"] = 2;  // a number reads like the string "2"
    doc["manifest-version"] = 1.5;
    graph_test::at(doc, "study_data.VOIs_names") = json::array({"a", 7, true, "b"});
    graph_test::at(doc, "configuration.uses_proto") = "false";  // text "false" converts
    doc["comments"] = "caf\u00e9";
    const StudyManifest m = readDocument(folder, doc);
    EXPECT_EQ(m.unique_id, "2");
    EXPECT_EQ(m.manifest_version, "1.5");
    EXPECT_EQ(m.vois_names, (std::vector<std::string>{"a", "7", "true", "b"}));
    EXPECT_FALSE(m.uses_proto);
    EXPECT_EQ(m.comments, "caf\xc3\xa9");
}

TEST(StudyManifest, ListEdgeCases) {
    TempFolder folder;
    json doc = graph_test::validManifest();
    graph_test::at(doc, "study_data.PRT_Conditions") = "Rest";  // a scalar where a list belongs
    graph_test::at(doc, "configuration.selected_conditions") = json::array({json::object({{"x", 1}}), "B"});
    graph_test::at(doc, "result_data.final_mtx") = json::array();
    graph_test::at(doc, "study_data.VOIs_sizes") =
        json::array({" 12x", "+4", -3, 1.9, "-2147483648", 2147483647});
    graph_test::at(doc, "configuration.selected_vois") = json::array({1, 1, 0});  // duplicates stay
    const StudyManifest m = readDocument(folder, doc);
    EXPECT_TRUE(m.prt_conditions.empty());
    EXPECT_EQ(m.selected_conditions, (std::vector<std::string>{"", "B"}));
    EXPECT_TRUE(m.final_mtx.empty());
    EXPECT_EQ(m.vois_sizes, (std::vector<int>{12, 4, -3, 1, INT_MIN, INT_MAX}));
    EXPECT_EQ(m.selected_vois, (std::vector<int>{1, 1, 0}));
}

TEST(StudyManifest, ConditionRecordsAreConvertedAndNormalised) {
    struct Case {
        json t;
        json type;
        int expectedT;
        int expectedType;
    };
    const std::vector<Case> cases = {
        {0, 1, 0, 1},       {5, 0, 5, 2},   {"12abc", 3, 12, 2}, {" 7", -1, 7, 2},
        {"-3", "1", -3, 1}, {8, "2", 8, 2}, {9, 1000, 9, 2},
    };
    TempFolder folder;
    for (const Case& c : cases) {
        json doc = graph_test::validManifest();
        graph_test::at(doc, "configuration.ordered_conditions") =
            json::array({{{"t", c.t}, {"name", "X"}, {"type", c.type}, {"ignored", "yes"}}});
        const StudyManifest m = readDocument(folder, doc);
        ASSERT_EQ(m.ordered_conditions.size(), 1u);
        EXPECT_EQ(m.ordered_conditions[0].t, c.expectedT) << c.t;
        EXPECT_EQ(m.ordered_conditions[0].type, c.expectedType) << c.type;
        EXPECT_EQ(m.ordered_conditions[0].name, "X");
    }
}

TEST(StudyManifest, UnknownKeysAreIgnored) {
    TempFolder folder;
    json doc = graph_test::validManifest();
    doc["extra"] = {{"deep", json::array({1, 2})}};
    graph_test::at(doc, "configuration")["surplus"] = "x";
    graph_test::at(doc, "versions")["Other"] = "3";
    EXPECT_NO_THROW(readDocument(folder, doc));
}

TEST(StudyManifest, EveryRequiredKeyIsReportedWhenMissing) {
    const std::vector<std::string> keys = {"manifest-version",
                                           "unique_id",
                                           "date",
                                           "versions.Syntra",
                                           "versions.linkmesh",
                                           "versions.Talvora",
                                           "study_data.VMR",
                                           "study_data.VTC",
                                           "study_data.VOI",
                                           "study_data.PRT",
                                           "study_data.VOIs_names",
                                           "study_data.VOIs_sizes",
                                           "study_data.PRT_Conditions",
                                           "configuration.method",
                                           "configuration.selected_vois",
                                           "configuration.uses_proto",
                                           "configuration.ordered_conditions",
                                           "configuration.selected_conditions",
                                           "configuration.treatment_values",
                                           "result_data.timeseries",
                                           "result_data.connectivity_mtx",
                                           "result_data.treatment_values",
                                           "result_data.treatment_mtx",
                                           "result_data.final_mtx",
                                           "comments"};
    TempFolder folder;
    for (const std::string& key : keys) {
        json doc = graph_test::validManifest();
        graph_test::eraseAt(doc, key);
        const StudyManifestError e = errorOf(folder, doc.dump());
        EXPECT_EQ(e.message(), "No such node (" + key + ")") << key;
        EXPECT_NE(std::string(e.what()).find("manifest.json"), std::string::npos) << e.what();
    }
    for (const std::string member : {"t", "name", "type"}) {
        json doc = graph_test::validManifest();
        graph_test::at(doc, "configuration.ordered_conditions")[1].erase(member);
        EXPECT_EQ(errorOf(folder, doc.dump()).message(), "No such node (" + member + ")");
    }
}

TEST(StudyManifest, FirstProblemInReadingOrderIsReported) {
    TempFolder folder;
    json doc = graph_test::validManifest();
    graph_test::at(doc, "study_data.VOIs_sizes") = json::array({"bad"});
    graph_test::at(doc, "configuration.uses_proto") = "maybe";
    doc.erase("comments");  // scalars are read before lists and conversions
    EXPECT_EQ(errorOf(folder, doc.dump()).message(), "No such node (comments)");
    doc["comments"] = "";
    EXPECT_EQ(errorOf(folder, doc.dump()).message(), "invalid stoi argument");
}

TEST(StudyManifest, ConversionFailures) {
    struct Case {
        std::string key;
        json value;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"configuration.uses_proto", "yes", "conversion of data to type \"bool\" failed"},
        {"configuration.uses_proto", json::array({true}), "conversion of data to type \"bool\" failed"},
        {"study_data.VOIs_sizes", json::array({1, "abc"}), "invalid stoi argument"},
        {"study_data.VOIs_sizes", json::array({"- 1"}), "invalid stoi argument"},
        {"study_data.VOIs_sizes", json::array({""}), "invalid stoi argument"},
        {"study_data.VOIs_sizes", json::array({json::object({{"a", 1}})}), "invalid stoi argument"},
        {"configuration.selected_vois", json::array({"2147483648"}), "stoi argument out of range"},
        {"configuration.selected_vois", json::array({"-2147483649"}), "stoi argument out of range"},
        {"configuration.selected_vois", json::array({"99999999999999999999999"}),
         "stoi argument out of range"},
        {"configuration.ordered_conditions", json::array({{{"t", "x"}, {"name", "A"}, {"type", 1}}}),
         "invalid stoi argument"},
        {"configuration.ordered_conditions", json::array({{{"t", 1}, {"name", "A"}, {"type", "3000000000"}}}),
         "stoi argument out of range"},
    };
    TempFolder folder;
    for (const Case& c : cases) {
        json doc = graph_test::validManifest();
        graph_test::at(doc, c.key) = c.value;
        const StudyManifestError e = errorOf(folder, doc.dump());
        EXPECT_EQ(e.message(), c.message) << c.key << " = " << c.value;
        // The full text names the file and where the bad value was.
        EXPECT_NE(std::string(e.what()).find("manifest.json"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find(c.key), std::string::npos) << e.what();
    }
}

TEST(StudyManifest, MalformedJsonGivesTheParserMessageAndLine) {
    struct Case {
        std::string text;
        std::string message;
        unsigned long line;
    };
    const std::vector<Case> cases = {
        {"", "expected value", 1},
        {"{\"a\": }", "expected value", 1},
        {"{\"a\": 1} x", "garbage after data", 1},
        {"{a: 1}", "expected key string", 1},
        {"{\"a\" 1}", "expected ':'", 1},
        {"{\n\"a\": 1\n\"b\": 2}", "expected '}' or ','", 3},
        {"{\"a\": [1 2]}", "expected ']' or ','", 1},
        {"{\"a\": \"abc", "unterminated string", 1},
        {"{\"a\": \"\xff\"}", "invalid code sequence", 1},
        {"{\"a\": -x}", "expected digits after -", 1},
        {"{\"a\": tru}", "expected 'true'", 1},
        {"{\"a\": fals}", "expected 'false'", 1},
        {"{\"a\": nul}", "expected 'null'", 1},
        {"{\"a\": \"\\q\"}", "invalid escape sequence", 1},
        {"{\"a\": 1e}", "need at least one digit in exponent", 1},
        {"{\"a\": 1.}", "need at least one digit after '.'", 1},
        {"{\"a\": \"\\udc00\"}", "invalid codepoint, stray low surrogate", 1},
        {"{\"a\": \"\\ud800x\"}", "invalid codepoint, stray high surrogate", 1},
        {"{\"a\": \"\\ud800\\n\"}", "expected codepoint reference after high surrogate", 1},
        {"{\"a\": \"\\ud800\\u0041\"}", "expected low surrogate after high surrogate", 1},
        {"{\n\n\n  \"a\": [1,\n  2,,]}", "expected value", 5},
    };
    TempFolder folder;
    for (const Case& c : cases) {
        const StudyManifestError e = errorOf(folder, c.text);
        EXPECT_EQ(e.message(), c.message) << c.text;
        EXPECT_EQ(e.line(), c.line) << c.text;
        EXPECT_NE(std::string(e.what()).find("manifest.json(" + std::to_string(c.line) + "): " + c.message),
                  std::string::npos)
            << e.what();
    }
}

TEST(StudyManifest, MissingFileCannotBeOpened) {
    TempFolder folder;
    const std::string path = (folder.path() / "absent.json").string();
    try {
        readStudyManifest(path);
        FAIL() << "no error";
    } catch (const StudyManifestError& e) {
        EXPECT_EQ(e.message(), "cannot open file");
        EXPECT_EQ(e.file(), path);
        EXPECT_EQ(std::string(e.what()), path + ": cannot open file");
    }
}

// The integer conversion against the C library's strtoll on many texts.
TEST(StudyManifest, IntegerConversionMatchesStrtol) {
    const std::string alphabet = " \t\n+-0123456789x.";
    std::mt19937 random(20240301);
    std::uniform_int_distribution<int> length(0, 14);
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    for (int n = 0; n < 20000; ++n) {
        std::string text;
        const int len = length(random);
        for (int i = 0; i < len; ++i) text += alphabet[pick(random)];

        errno = 0;
        char* end = nullptr;
        const long long reference = std::strtoll(text.c_str(), &end, 10);
        const bool converted = end != text.c_str();
        const bool inRange = errno != ERANGE && reference >= INT_MIN && reference <= INT_MAX;
        if (!converted) {
            EXPECT_THROW(manifestTextToInt(text), std::invalid_argument) << '"' << text << '"';
        } else if (!inRange) {
            EXPECT_THROW(manifestTextToInt(text), std::out_of_range) << '"' << text << '"';
        } else {
            EXPECT_EQ(manifestTextToInt(text), reference) << '"' << text << '"';
        }
    }
}
