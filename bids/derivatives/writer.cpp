#include "bids/derivatives/writer.h"

#include <atomic>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

namespace bids::derivatives {
namespace fs = std::filesystem;
namespace {

std::string extensionOf(const fs::path& file) {
    const auto name = file.filename().string();
    const auto dot = name.find('.');
    return dot == std::string::npos ? "" : name.substr(dot);
}

std::string uniqueTag() {
    static const auto base = std::random_device{}();
    static std::atomic<unsigned> counter{0};
    std::ostringstream tag;
    tag << std::hex << base << "-" << counter++;
    return tag.str();
}

void removeQuietly(const fs::path& file) {
    std::error_code ignored;
    fs::remove(file, ignored);
}

}  // namespace

bool isImage(const fs::path& path) {
    const auto extension = extensionOf(path);
    return extension == ".nii" || extension == ".nii.gz";
}

fs::path sidecarPath(const fs::path& image) {
    const auto name = image.filename().string();
    return image.parent_path() / (name.substr(0, name.find('.')) + ".json");
}

DerivativeWriter::DerivativeWriter(fs::path output, const layout::Dataset& source, std::string program,
                                   std::string version)
    : output_(std::move(output)),
      source_(source),
      program_(std::move(program)),
      version_(std::move(version)) {}

void DerivativeWriter::describeOnce() const {
    if (described_) return;
    described_ = true;
    writeDatasetDescription();
}

fs::path DerivativeWriter::temporaryFor(const fs::path& file) const {
    std::error_code error;
    fs::create_directories(file.parent_path(), error);
    if (error)
        throw WriteError(file.parent_path().string() + ": cannot create the folder (" + error.message() +
                         ")");
    const auto name = file.filename().string();
    const auto stem = name.substr(0, name.find('.'));
    return file.parent_path() / ("." + stem + ".tmp-" + uniqueTag() + extensionOf(file));
}

void DerivativeWriter::commit(const fs::path& temporary, const fs::path& file) const {
    std::error_code error;
    fs::rename(temporary, file, error);
    if (error) {
        removeQuietly(temporary);
        throw WriteError(file.string() + ": cannot move the new file into place (" + error.message() + ")");
    }
}

void DerivativeWriter::writeWhole(const fs::path& file, const std::string& bytes) const {
    if (file != output_ / "dataset_description.json") describeOnce();
    const auto temporary = temporaryFor(file);
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            removeQuietly(temporary);
            throw WriteError(file.string() + ": cannot be written");
        }
    }
    commit(temporary, file);
}

void DerivativeWriter::refuseImage(const fs::path& file) const {
    if (isImage(file))
        throw std::logic_error(file.string() + ": an image is written with its sidecar (writeImage)");
}

void DerivativeWriter::writeText(const fs::path& file, const std::string& text) const {
    refuseImage(file);
    writeWhole(file, text);
}

void DerivativeWriter::writeJson(const fs::path& file, const nlohmann::json& json) const {
    writeText(file, json.dump(2) + "\n");
}

void DerivativeWriter::copyIn(const fs::path& from, const fs::path& to) const {
    refuseImage(to);
    std::ifstream in(from, std::ios::binary);
    if (!in) throw WriteError(from.string() + ": cannot be read");
    std::ostringstream bytes;
    bytes << in.rdbuf();
    writeWhole(to, bytes.str());
}

void DerivativeWriter::writeImage(const fs::path& file, const nlohmann::json& sidecar,
                                  const std::function<void(const fs::path&)>& writeImage) const {
    if (!isImage(file)) throw std::logic_error(file.string() + ": not a NIfTI name");
    if (!sidecar.is_object() || !sidecar.contains("Description"))
        throw std::logic_error(file.string() + ": its sidecar must say what it holds (\"Description\")");
    describeOnce();
    const auto temporary = temporaryFor(file);
    try {
        writeImage(temporary);
    } catch (...) {
        removeQuietly(temporary);
        throw;
    }
    if (!fs::is_regular_file(temporary)) throw WriteError(file.string() + ": the image was not written");
    try {
        writeJson(sidecarPath(file), sidecar);
    } catch (...) {
        removeQuietly(temporary);
        throw;
    }
    try {
        commit(temporary, file);
    } catch (...) {
        removeQuietly(sidecarPath(file));
        throw;
    }
}

void DerivativeWriter::writeDatasetDescription() const {
    const auto name = source_.description.find("Name");
    const std::string sourceName =
        name != source_.description.end() && name->is_string() ? name->get<std::string>() : "a BIDS dataset";
    nlohmann::json description{
        {"Name", "Talvora analyses of " + sourceName},
        {"BIDSVersion", "1.8.0"},
        {"DatasetType", "derivative"},
        {"GeneratedBy",
         nlohmann::json::array({{{"Name", program_},
                                 {"Version", version_},
                                 {"Description",
                                  "Latency mapping, Granger causality mapping, distortion correction and "
                                  "connectivity graphs run by the Talvora plug-ins in the stand-in host"}}})},
        {"SourceDatasets", nlohmann::json::array({{{"URL", "file://" + source_.root.generic_string()}}})}};
    writeJson(output_ / "dataset_description.json", description);
}

}  // namespace bids::derivatives
