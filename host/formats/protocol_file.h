// The host's stimulation protocol file: conditions with their intervals, in
// milliseconds or in volumes, and optionally a display colour per condition.
#pragma once

#include "host/formats/format_io.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace talvora::formats {

struct ProtocolCondition {
    std::string name;
    std::vector<std::int32_t> starts, ends;  // same length; start <= end
    std::optional<Rgb> color = std::nullopt;  // written only when set
};

struct ProtocolFile {
    enum class TimeUnit { Volumes = 1, Milliseconds = 2 };
    TimeUnit timeUnit = TimeUnit::Milliseconds;
    std::vector<ProtocolCondition> conditions;
};

ProtocolFile readProtocolFile(const std::filesystem::path& path);
std::string encodeProtocolFile(const ProtocolFile& protocol);  // std::invalid_argument on bad input
void writeProtocolFile(const std::filesystem::path& path, const ProtocolFile& protocol);

}  // namespace talvora::formats
