#include "bids/derivatives/naming.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace bids::derivatives {
namespace {

// The order of the entities in a BIDS name; unknown keys go last, in the
// order they came.
const std::vector<std::string>& entityOrder() {
    static const std::vector<std::string> order{
        "sub",   "ses",   "sample",    "task",  "tracksys", "acq", "ce",  "trc",   "stain", "rec",
        "dir",   "run",   "mod",       "echo",  "flip",     "inv", "mt",  "part",  "proc",  "hemi",
        "space", "split", "recording", "chunk", "seg",      "res", "den", "label", "desc"};
    return order;
}

std::size_t rank(const std::string& key) {
    const auto& order = entityOrder();
    return static_cast<std::size_t>(std::find(order.begin(), order.end(), key) - order.begin());
}

bool alphanumeric(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isalnum(c) != 0; });
}

}  // namespace

std::string derivativeName(const layout::FileName& source, const DerivativeSpec& spec) {
    layout::FileName name;
    name.entities = source.entities;
    for (const auto& added : spec.added) {
        if (!alphanumeric(added.key) || !alphanumeric(added.value))
            throw std::invalid_argument("derivative entity \"" + added.key + "-" + added.value +
                                        "\" is not alphanumeric");
        auto same = std::find_if(name.entities.begin(), name.entities.end(),
                                 [&](const layout::Entity& e) { return e.key == added.key; });
        if (same != name.entities.end())
            same->value = added.value;
        else
            name.entities.push_back(added);
    }
    std::stable_sort(
        name.entities.begin(), name.entities.end(),
        [](const layout::Entity& a, const layout::Entity& b) { return rank(a.key) < rank(b.key); });
    if (!alphanumeric(spec.suffix))
        throw std::invalid_argument("derivative suffix \"" + spec.suffix + "\" is not alphanumeric");
    name.suffix = spec.suffix;
    name.extension = spec.extension;
    return name.str();
}

std::filesystem::path derivativePath(const std::filesystem::path& output, const layout::FileName& source,
                                     const std::string& datatype, const DerivativeSpec& spec) {
    std::filesystem::path folder = output / ("sub-" + source.get("sub"));
    if (source.has("ses")) folder /= "ses-" + source.get("ses");
    if (!datatype.empty()) folder /= datatype;
    return folder / derivativeName(source, spec);
}

}  // namespace bids::derivatives
