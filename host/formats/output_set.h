// Outputs that belong together (a VTC, its VMR and their sidecars): each file
// is written whole by its writer; when a later one fails, the ones this set
// already wrote are removed again, so a conversion leaves all or nothing.
#pragma once

#include <filesystem>
#include <functional>
#include <system_error>
#include <vector>

namespace talvora::formats {

class OutputSet {
public:
    OutputSet() = default;
    OutputSet(const OutputSet&) = delete;
    OutputSet& operator=(const OutputSet&) = delete;
    ~OutputSet() {
        if (done_) return;
        std::error_code ignored;
        for (const auto& p : written_) std::filesystem::remove(p, ignored);
    }
    // Runs `write` (which writes `path` whole or throws) and remembers the file.
    void add(const std::filesystem::path& path, const std::function<void()>& write) {
        write();
        written_.push_back(path);
    }
    // Every file is written: keep them.
    void keep() { done_ = true; }

private:
    std::vector<std::filesystem::path> written_;
    bool done_ = false;
};

}  // namespace talvora::formats
