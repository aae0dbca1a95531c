#pragma once
// Writes BIDS derivatives so that each file appears whole or not at all: the
// bytes go to a hidden temporary file in the target folder (a name unique to
// this writer, so that parallel jobs writing into one output folder never
// share one), which is then renamed over the final name. A NIfTI image is
// written only together with its JSON sidecar.

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

#include <nlohmann/json.hpp>

#include "bids/layout/dataset.h"

namespace bids::derivatives {

// A derivative that could not be written; the message names the file.
class WriteError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// True for ".nii" and ".nii.gz" names.
bool isImage(const std::filesystem::path& path);
// The sidecar of an image: the same name with ".json" for the extension.
std::filesystem::path sidecarPath(const std::filesystem::path& image);

class DerivativeWriter {
public:
    // `program` and `version` go into "GeneratedBy". The first file written
    // brings the derivative dataset's dataset_description.json with it, so an
    // invocation that writes nothing leaves the output folder as it was.
    DerivativeWriter(std::filesystem::path output, const layout::Dataset& source, std::string program,
                     std::string version);

    const std::filesystem::path& output() const { return output_; }

    // The derivative dataset's dataset_description.json, with "GeneratedBy"
    // and the source dataset. Its content depends only on the inputs, so jobs
    // that write it at the same time write the same bytes.
    void writeDatasetDescription() const;

    void writeText(const std::filesystem::path& file, const std::string& text) const;
    void writeJson(const std::filesystem::path& file, const nlohmann::json& json) const;
    // A copy of a file made elsewhere (a job file, a host log).
    void copyIn(const std::filesystem::path& from, const std::filesystem::path& to) const;
    // An image and its sidecar: `writeImage` writes the image to the path it
    // is given (in the target folder, with the image's extension); then the
    // sidecar, then the image take their names. The sidecar must be a JSON
    // object with a "Description" saying what the image holds.
    void writeImage(const std::filesystem::path& file, const nlohmann::json& sidecar,
                    const std::function<void(const std::filesystem::path& temporary)>& writeImage) const;

private:
    std::filesystem::path temporaryFor(const std::filesystem::path& file) const;
    void commit(const std::filesystem::path& temporary, const std::filesystem::path& file) const;
    void writeWhole(const std::filesystem::path& file, const std::string& bytes) const;
    void refuseImage(const std::filesystem::path& file) const;
    void describeOnce() const;

    std::filesystem::path output_;
    const layout::Dataset& source_;
    mutable bool described_ = false;
    std::string program_;
    std::string version_;
};

}  // namespace bids::derivatives
