#include "host/atomic_file.h"

#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace talvora {
namespace fs = std::filesystem;

void writeFileAtomically(const fs::path& path, const std::function<void(std::ostream&)>& write, bool binary) {
  const fs::path tmp = path.string() + ".part" + std::to_string(::getpid());
  try {
    std::ofstream out(tmp, binary ? std::ios::out | std::ios::binary | std::ios::trunc : std::ios::out | std::ios::trunc);
    if (!out) throw std::runtime_error(path.string() + ": cannot open for writing");
    write(out);
    out.flush();
    if (!out) throw std::runtime_error(path.string() + ": write failed");
    out.close();
    if (out.fail()) throw std::runtime_error(path.string() + ": write failed");
    std::error_code ec;
    fs::rename(tmp, path, ec);
    if (ec) throw std::runtime_error(path.string() + ": cannot move the new file into place: " + ec.message());
  } catch (...) {
    std::error_code ignored;
    fs::remove(tmp, ignored);
    throw;
  }
}

} // namespace talvora
