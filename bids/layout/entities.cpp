#include "bids/layout/entities.h"

#include <algorithm>
#include <cctype>

namespace bids::layout {
namespace {

bool alphanumeric(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isalnum(c) != 0; });
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const auto cut = text.find(separator, start);
        parts.push_back(text.substr(start, cut - start));
        if (cut == std::string::npos) return parts;
        start = cut + 1;
    }
}

}  // namespace

std::string FileName::get(const std::string& key) const {
    for (const auto& e : entities)
        if (e.key == key) return e.value;
    return {};
}

bool FileName::has(const std::string& key) const {
    return std::any_of(entities.begin(), entities.end(), [&](const Entity& e) { return e.key == key; });
}

std::string FileName::str() const {
    std::string name;
    for (const auto& e : entities) name += e.key + "-" + e.value + "_";
    return name + suffix + extension;
}

std::optional<FileName> parseFileName(const std::string& name) {
    const auto dot = name.find('.');
    FileName parsed;
    parsed.extension = dot == std::string::npos ? "" : name.substr(dot);
    const auto parts = split(name.substr(0, dot), '_');
    for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
        const auto dash = parts[i].find('-');
        if (dash == std::string::npos) return std::nullopt;
        Entity entity{parts[i].substr(0, dash), parts[i].substr(dash + 1)};
        if (!alphanumeric(entity.key) || !alphanumeric(entity.value) || parsed.has(entity.key))
            return std::nullopt;
        parsed.entities.push_back(entity);
    }
    parsed.suffix = parts.back();
    if (!alphanumeric(parsed.suffix)) return std::nullopt;
    return parsed;
}

bool entitiesSubset(const std::vector<Entity>& part, const std::vector<Entity>& whole) {
    return std::all_of(part.begin(), part.end(), [&](const Entity& e) {
        return std::find(whole.begin(), whole.end(), e) != whole.end();
    });
}

}  // namespace bids::layout
