#include "manifest_fixture.h"

#include <atomic>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace graph_test {

nlohmann::json validManifest() {
    return nlohmann::json::parse(R"({
      "manifest-version": "1.2",
      "unique_id": "sub-01_ses-1",
      "date": "2024-03-01T10:22:05",
      "versions": {"Syntra": "0.9.3", "linkmesh": "1.0.0", "Talvora": "2.6.1"},
      "study_data": {
        "VMR": "sub-01.vmr", "VTC": "sub-01_task.vtc", "VOI": "atlas.voi", "PRT": "task.prt",
        "VOIs_names": ["alpha", "beta", "gamma"],
        "VOIs_sizes": [120, 98, 311],
        "PRT_Conditions": ["Rest", "Task"]
      },
      "configuration": {
        "method": "pearson",
        "selected_vois": [2, 0],
        "uses_proto": true,
        "ordered_conditions": [
          {"t": 0, "name": "Rest", "type": 1},
          {"t": 15, "name": "Cue", "type": 2},
          {"t": 16, "name": "Task", "type": 1}
        ],
        "selected_conditions": ["Rest", "Task"],
        "treatment_values": "abs"
      },
      "result_data": {
        "timeseries": ["ts.csv"],
        "connectivity_mtx": ["raw_0.csv", "raw_1.csv", "raw_2.csv"],
        "treatment_values": ["tv.csv"],
        "treatment_mtx": ["tm.csv"],
        "final_mtx": ["final_0.csv", "final_1.csv", "final_2.csv"]
      },
      "comments": "  kept as written  "
    })");
}

namespace {
std::filesystem::path uniqueFolder() {
    static std::atomic<int> counter{0};
    std::random_device seed;
    std::ostringstream name;
    name << "graph_test_" << seed() << "_" << counter++;
    return std::filesystem::temp_directory_path() / name.str();
}
}  // namespace

TempFolder::TempFolder() : path_(uniqueFolder()) {
    std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TempFolder::write(const std::string& name, const std::string& text) const {
    const std::filesystem::path file = path_ / name;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary);
    out << text;
    if (!out) throw std::runtime_error("cannot write " + file.string());
    return file.string();
}

std::string TempFolder::writeJson(const std::string& name, const nlohmann::json& document) const {
    return write(name, document.dump(2));
}

nlohmann::json& at(nlohmann::json& document, const std::string& dottedPath) {
    nlohmann::json* node = &document;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = dottedPath.find('.', start);
        node = &node->at(dottedPath.substr(start, dot - start));
        if (dot == std::string::npos) return *node;
        start = dot + 1;
    }
}

void eraseAt(nlohmann::json& document, const std::string& dottedPath) {
    const std::size_t dot = dottedPath.rfind('.');
    if (dot == std::string::npos) {
        document.erase(dottedPath);
        return;
    }
    at(document, dottedPath.substr(0, dot)).erase(dottedPath.substr(dot + 1));
}

std::string csvMatrix(const std::vector<std::vector<float>>& rows) {
    std::ostringstream out;
    out.precision(9);
    for (const auto& row : rows) {
        for (std::size_t j = 0; j < row.size(); ++j) out << (j ? "," : "") << row[j];
        out << "\n";
    }
    return out.str();
}

Rows exampleMatrix(int n, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> weight(0.0f, 1.0f);
    Rows rows(n, std::vector<float>(n, 0.0f));
    for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n; ++j) {
            const float w = weight(random);
            rows[i][j] = rows[j][i] = w < 0.3f ? 0.0f : w;
        }
    }
    return rows;
}

std::string writeSubject(const TempFolder& folder, const std::string& dir, const std::string& id,
                         const std::vector<Rows>& matrices, const std::vector<std::string>& conditions) {
    nlohmann::json doc = validManifest();
    doc["unique_id"] = id;
    const std::size_t nodes = matrices.empty() ? 0 : matrices.front().size();
    nlohmann::json names = nlohmann::json::array();
    nlohmann::json selected = nlohmann::json::array();
    for (std::size_t i = 0; i < nodes; ++i) {
        names.push_back("N" + std::to_string(i));
        selected.push_back(i);
    }
    at(doc, "study_data.VOIs_names") = names;
    at(doc, "study_data.VOIs_sizes") = nlohmann::json::array();
    at(doc, "configuration.selected_vois") = selected;
    at(doc, "configuration.uses_proto") = !conditions.empty();
    nlohmann::json ordered = nlohmann::json::array();
    for (std::size_t k = 0; k < conditions.size(); ++k)
        ordered.push_back({{"t", 10 * k}, {"name", conditions[k]}, {"type", 1}});
    at(doc, "configuration.ordered_conditions") = ordered;
    nlohmann::json files = nlohmann::json::array();
    for (std::size_t k = 0; k < matrices.size(); ++k) {
        const std::string file = "final_" + std::to_string(k) + ".csv";
        folder.write(dir + "/" + file, csvMatrix(matrices[k]));
        files.push_back(file);
    }
    at(doc, "result_data.final_mtx") = files;
    return folder.writeJson(dir + "/" + id + ".json", doc);
}

}  // namespace graph_test
