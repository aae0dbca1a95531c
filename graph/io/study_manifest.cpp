#include "graph/io/study_manifest.h"

#include <boost/property_tree/json_parser.hpp>
#include <boost/property_tree/ptree.hpp>

#include <climits>
#include <locale>
#include <sstream>

namespace graph::io {

namespace pt = boost::property_tree;

namespace {

std::string describe(const std::string& message, const std::string& file, unsigned long line,
                     const std::string& key) {
    std::ostringstream out;
    out << (file.empty() ? "<unspecified file>" : file);
    if (line > 0) out << '(' << line << ')';
    out << ": " << message;
    if (!key.empty()) out << " (in \"" << key << "\")";
    return out.str();
}

bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads one manifest tree; every helper names the key it is working on so a
// conversion failure can say where it happened.
class ManifestTreeReader {
public:
    ManifestTreeReader(const pt::ptree& root, const std::string& file) : root_(root), file_(file) {}

    const pt::ptree& node(const pt::ptree& parent, const std::string& path) const {
        try {
            return parent.get_child(path);
        } catch (const pt::ptree_bad_path& e) {
            // Boost's text already reads "No such node (<path>)".
            throw StudyManifestError(e.what(), file_);
        }
    }

    std::string text(const std::string& path) const { return node(root_, path).data(); }

    std::vector<std::string> textList(const std::string& path) const {
        std::vector<std::string> out;
        for (const auto& child : node(root_, path)) out.push_back(child.second.data());
        return out;
    }

    int integer(const std::string& value, const std::string& key) const {
        try {
            return manifestTextToInt(value);
        } catch (const std::logic_error& e) {  // invalid_argument, out_of_range
            throw StudyManifestError(e.what(), file_, 0, key);
        }
    }

    std::vector<int> integerList(const std::string& path) const {
        std::vector<int> out;
        for (const auto& child : node(root_, path)) out.push_back(integer(child.second.data(), path));
        return out;
    }

    bool boolean(const std::string& path) const {
        // The library's own conversion; its failure text names the type as
        // the compiler spells it, so the message is written out here.
        const boost::optional<bool> value = node(root_, path).get_value_optional<bool>();
        if (!value) throw StudyManifestError("conversion of data to type \"bool\" failed", file_, 0, path);
        return *value;
    }

    std::vector<ConditionRecord> conditions(const std::string& path) const {
        std::vector<ConditionRecord> out;
        for (const auto& child : node(root_, path)) {
            const pt::ptree& element = child.second;
            ConditionRecord record;
            record.t = integer(node(element, "t").data(), path + ".t");
            record.name = node(element, "name").data();
            const int type = integer(node(element, "type").data(), path + ".type");
            record.type = type == 1 ? 1 : 2;
            out.push_back(record);
        }
        return out;
    }

private:
    const pt::ptree& root_;
    const std::string& file_;
};

}  // namespace

StudyManifestError::StudyManifestError(const std::string& message, const std::string& file,
                                       unsigned long line, const std::string& key)
    : std::runtime_error(describe(message, file, line, key)),
      message_(message),
      file_(file),
      line_(line),
      key_(key) {}

int manifestTextToInt(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && isCSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || text[i] < '0' || text[i] > '9')
        throw std::invalid_argument("invalid stoi argument");

    // Accumulate in 64 bits and stop as soon as the 32-bit range is left.
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > limit) throw std::out_of_range("stoi argument out of range");
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

StudyManifest readStudyManifest(const std::string& path) {
    pt::ptree root;
    try {
        pt::read_json(path, root, std::locale());
    } catch (const pt::json_parser_error& e) {
        throw StudyManifestError(e.message(), e.filename(), e.line());
    }

    const ManifestTreeReader r(root, path);
    StudyManifest m;
    // Scalars first, then lists, then the converted values: the first
    // problem found in this order is the one reported.
    m.manifest_version = r.text("manifest-version");
    m.unique_id = r.text("unique_id");
    m.date = r.text("date");
    m.version_syntra = r.text("versions.Syntra");
    m.version_linkmesh = r.text("versions.linkmesh");
    m.version_talvora = r.text("versions.Talvora");
    m.vmr = r.text("study_data.VMR");
    m.vtc = r.text("study_data.VTC");
    m.voi = r.text("study_data.VOI");
    m.prt = r.text("study_data.PRT");
    m.method = r.text("configuration.method");
    m.treatment_values = r.text("configuration.treatment_values");
    m.comments = r.text("comments");

    m.vois_names = r.textList("study_data.VOIs_names");
    m.vois_sizes = r.integerList("study_data.VOIs_sizes");
    m.prt_conditions = r.textList("study_data.PRT_Conditions");
    m.selected_vois = r.integerList("configuration.selected_vois");
    m.selected_conditions = r.textList("configuration.selected_conditions");
    m.timeseries = r.textList("result_data.timeseries");
    m.connectivity_mtx = r.textList("result_data.connectivity_mtx");
    m.treatment_value_files = r.textList("result_data.treatment_values");
    m.treatment_mtx = r.textList("result_data.treatment_mtx");
    m.final_mtx = r.textList("result_data.final_mtx");

    m.uses_proto = r.boolean("configuration.uses_proto");
    m.ordered_conditions = r.conditions("configuration.ordered_conditions");
    return m;
}

}  // namespace graph::io
