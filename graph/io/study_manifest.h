#pragma once
// In-memory form of a Syntra study manifest (one subject's analysis) and its
// reader. Pure C++: no Qt, so it can be tested and reused on its own.

#include <stdexcept>
#include <string>
#include <vector>

namespace graph::io {

// One entry of configuration.ordered_conditions.
struct ConditionRecord {
    int t = 0;  // onset in volumes (TR)
    std::string name;
    int type = 2;  // 1 = condition, 2 = trigger (every other value)
};

// Every value is kept as text exactly as the JSON parser delivers it; only
// the integer lists, `t`, `type` and `uses_proto` are converted.
struct StudyManifest {
    std::string manifest_version;
    std::string unique_id;
    std::string date;
    std::string version_syntra;
    std::string version_linkmesh;
    std::string version_talvora;

    std::string vmr;
    std::string vtc;
    std::string voi;
    std::string prt;
    std::vector<std::string> vois_names;
    std::vector<int> vois_sizes;
    std::vector<std::string> prt_conditions;

    std::string method;
    std::vector<int> selected_vois;
    bool uses_proto = false;
    std::vector<ConditionRecord> ordered_conditions;
    std::vector<std::string> selected_conditions;
    std::string treatment_values;  // configuration.treatment_values

    std::vector<std::string> timeseries;
    std::vector<std::string> connectivity_mtx;
    std::vector<std::string> treatment_value_files;  // result_data.treatment_values
    std::vector<std::string> treatment_mtx;
    std::vector<std::string> final_mtx;

    std::string comments;
};

// Raised for every reason a manifest cannot be read. message() is the bare
// reason ("cannot open file", "No such node (unique_id)", "invalid stoi
// argument", ...); what() adds the file, the line for syntax errors and, for
// conversion failures, the key that held the bad value.
class StudyManifestError : public std::runtime_error {
public:
    StudyManifestError(const std::string& message, const std::string& file, unsigned long line = 0,
                       const std::string& key = {});

    const std::string& message() const { return message_; }
    const std::string& file() const { return file_; }
    unsigned long line() const { return line_; }
    const std::string& key() const { return key_; }

private:
    std::string message_;
    std::string file_;
    unsigned long line_;
    std::string key_;
};

// Reads the manifest at `path`; either returns it complete or throws
// StudyManifestError. The file is only read.
StudyManifest readStudyManifest(const std::string& path);

// Base-10 text-to-int conversion with the usual library rules: leading white
// space and a sign are accepted and conversion stops at the first non-digit.
// Throws std::invalid_argument("invalid stoi argument") when no digit leads
// and std::out_of_range("stoi argument out of range") outside 32 bits.
int manifestTextToInt(const std::string& text);

}  // namespace graph::io
