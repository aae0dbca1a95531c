#include "host/documents.h"

#include <stdexcept>

namespace talvora {

void openDocuments(const nlohmann::json& documents, const std::filesystem::path&) {
  if (!documents.empty())
    throw std::runtime_error("this host cannot open documents yet");
}

void closeDocuments() {}

} // namespace talvora
