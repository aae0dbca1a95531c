#pragma once

#include <filesystem>
#include <functional>
#include <ostream>

namespace talvora {

// Writes `path` through a temporary file beside it, renamed into place only
// when `write` succeeded: a reader never sees half a file, and a failure
// leaves any earlier file untouched. Throws std::runtime_error naming the file.
void writeFileAtomically(const std::filesystem::path& path, const std::function<void(std::ostream&)>& write,
                         bool binary = false);

} // namespace talvora
