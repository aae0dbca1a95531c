#include "host/documents/documents.h"

#include "host/documents/doc_fmr.h"
#include "host/documents/doc_store.h"

#include <stdexcept>

namespace talvora::documents {
namespace fs = std::filesystem;
using nlohmann::json;

namespace {

[[noreturn]] void refuse(const std::string& problem) {
    throw std::runtime_error("documents: " + problem);
}

fs::path pathMember(const json& documents, const char* key, const fs::path& base) {
    const json& value = documents.at(key);
    if (!value.is_string() || value.get<std::string>().empty())
        refuse(std::string("\"") + key + "\" must be a file path");
    const fs::path p = fs::u8path(value.get<std::string>());
    return p.is_absolute() ? p : base / p;
}

}  // namespace

void openDocuments(const json& documents, const fs::path& base) {
    if (documents.is_null() || documents.empty()) return;
    if (!documents.is_object()) refuse("must be an object");
    static const char* const known[] = {"vmr", "vtc", "vois", "glm", "protocols", "fmr"};
    for (auto it = documents.begin(); it != documents.end(); ++it) {
        bool ok = false;
        for (const char* k : known) ok = ok || it.key() == k;
        if (!ok) refuse("unknown key \"" + it.key() + "\" (known: vmr, vtc, vois, glm, protocols, fmr)");
    }
    // A functional project stands on its own; everything else belongs to a volume.
    if (documents.contains("fmr")) {
        FmrDocuments::instance().open(pathMember(documents, "fmr", base));
        if (documents.size() == 1) return;
    }
    if (!documents.contains("vmr"))
        refuse("\"vmr\" is missing: every other document belongs to an anatomical volume");

    DocumentStore& store = DocumentStore::instance();
    store.closeAll();
    try {
        store.openVmr(pathMember(documents, "vmr", base));
        if (documents.contains("protocols")) {
            const json& protocols = documents.at("protocols");
            if (!protocols.is_object()) refuse("\"protocols\" must map VTC file names to protocol files");
            for (auto it = protocols.begin(); it != protocols.end(); ++it) {
                if (!it.value().is_string() || it.value().get<std::string>().empty())
                    refuse("\"protocols\": the protocol of \"" + it.key() + "\" must be a file path");
                fs::path protocol = fs::u8path(it.value().get<std::string>());
                if (protocol.is_relative()) protocol = base / protocol;
                formats::readProtocolFile(protocol);  // refuse a bad file now, not mid-run
                const fs::path key = fs::u8path(it.key());
                store.overrideProtocol(
                    key.is_relative() && key.has_parent_path() ? (base / key).string() : it.key(), protocol);
            }
        }
        if (documents.contains("vtc")) {
            const std::string problem = store.linkVtc(pathMember(documents, "vtc", base), 0);
            if (!problem.empty()) throw std::runtime_error(problem);
        }
        if (documents.contains("vois")) store.loadVois(pathMember(documents, "vois", base));
        if (documents.contains("glm")) store.loadGlm(pathMember(documents, "glm", base));
    } catch (...) {
        store.closeAll();
        throw;
    }
}

void closeDocuments() {
    DocumentStore::instance().closeAll();
    FmrDocuments::instance().close();
}

}  // namespace talvora::documents
