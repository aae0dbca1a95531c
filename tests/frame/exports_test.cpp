// The built plug-in libraries export exactly their plain entry points, and
// each string export returns the text the host shows.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>

namespace {

std::set<std::string> definedDynamicSymbols(const std::string& path) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(("nm -D --defined-only " + path).c_str(), "r"), pclose);
    std::set<std::string> names;
    if (!pipe) return names;
    std::array<char, 512> line;
    while (fgets(line.data(), line.size(), pipe.get())) {
        std::istringstream in(line.data());
        std::string address, type, name;
        if (in >> address >> type >> name) names.insert(name);
    }
    return names;
}

using Texts = std::map<std::string, std::optional<std::string>>;  // nullopt: absent

struct Deliverable {
    const char* path;
    Texts texts;
};

const std::string kLatmapDescriptionHead =
    "VOZU Rudoruz Oriping using piece-wise linear (pseudo-trapezoidal) fitting. Access to linked VTC in three "
    "approaches:<br>1. Use VOI file and perform VOI-based mapping.<br>2. Use VOI file and perform voxel-based "
    "mapping.<br>3. Use MSK files and perform voxel-based mapping.<br><br>";

std::vector<Deliverable> deliverables() {
    return {
        {NODORA_PATH,
         {{"getPluginName", "Graph Analysis"},
          {"getPluginVersion", "1.0.0-alpha"},
          {"getHelpFile", "index.html"},
          {"getQMLFile", std::nullopt},
          {"getGUIScript", "Nodora.js"},
          {"getRegistrationOfGenericComponentLoader", std::nullopt},
          {"getPluginDescription", ""}}},
        {MIREL_PATH,
         {{"getPluginName", "Mirel"},
          {"getPluginVersion", "1.2.2"},
          {"getHelpFile", "MirelPluginHelp/index.html"},
          {"getQMLFile", "Mirel_r122.qml"},
          {"getGUIScript", std::nullopt},
          {"getRegistrationOfGenericComponentLoader", std::nullopt}}},
        {CAUSALIS_PATH,
         {{"getPluginName", "RFX Granger Causality Mapping (GCM) v2.7"},
          {"getPluginVersion", "2.7"},
          {"getHelpFile", "Causalis_Help/index.html"},
          {"getQMLFile", "CausalisPlugin.qml"},
          {"getGUIScript", std::nullopt},
          {"getRegistrationOfGenericComponentLoader", "Overlay Granger Causality Maps (gcm)"},
          {"getPluginDescription",
           "Computes Granger Causality Maps (<i>GCM</i>s) for a reference region (VOI) across data of multiple "
           "subjects. A generic VOI may be used for all subjects or subject-specific VOI definitions, e.g. from "
           "individual localizer experiments. For more information, consult the <b><a "
           "href=\"Causalis_Help/index.html\">Causalis Help Page</a></b>."}}},
        {LATMAP_PATH,
         {{"getPluginName", "VOZU Rudoruz Oriping"},
          {"getPluginVersion", std::nullopt},
          {"getHelpFile", "LatmapPluginHelp/index.html"},
          {"getQMLFile", std::nullopt},
          {"getGUIScript", ""},
          {"getRegistrationOfGenericComponentLoader", "Overlay VOZU Rudoruz Oris (blm)"}}},
    };
}

TEST(PluginExports, OnlyThePlainEntryPointsAreExported) {
    for (const Deliverable& d : deliverables()) {
        std::set<std::string> expected = {"createPlugin", "getPluginName", "getPluginDescription",
                                          "getAuthor", "getHelpFile"};
        for (const auto& [name, text] : d.texts)
            if (text) expected.insert(name);
        EXPECT_EQ(definedDynamicSymbols(d.path), expected) << d.path;
    }
}

TEST(PluginExports, StringsAreExactAndNeverNull) {
    for (const Deliverable& d : deliverables()) {
        void* handle = dlopen(d.path, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << dlerror();
        for (const char* always : {"getPluginName", "getPluginDescription", "getAuthor", "getHelpFile"}) {
            auto fn = reinterpret_cast<const char* (*)()>(dlsym(handle, always));
            ASSERT_NE(fn, nullptr) << d.path << " " << always;
            ASSERT_NE(fn(), nullptr) << d.path << " " << always;
        }
        for (const auto& [name, text] : d.texts) {
            auto fn = reinterpret_cast<const char* (*)()>(dlsym(handle, name.c_str()));
            if (!text) {
                EXPECT_EQ(fn, nullptr) << d.path << " must not export " << name;
                continue;
            }
            ASSERT_NE(fn, nullptr) << d.path << " " << name;
            ASSERT_NE(fn(), nullptr) << d.path << " " << name;
            EXPECT_EQ(std::string(fn()), *text) << d.path << " " << name;
        }
        auto author = reinterpret_cast<const char* (*)()>(dlsym(handle, "getAuthor"));
        EXPECT_NE(std::string(author()).find("<i>"), std::string::npos) << "names in italics";
    }
}

TEST(PluginExports, LongerDescriptions) {
    void* latmap = dlopen(LATMAP_PATH, RTLD_NOW | RTLD_LOCAL);
    const std::string lat = reinterpret_cast<const char* (*)()>(dlsym(latmap, "getPluginDescription"))();
    EXPECT_EQ(lat.rfind(kLatmapDescriptionHead, 0), 0u);
    EXPECT_NE(lat.find("LatmapPluginHelp/index.html"), std::string::npos);
    EXPECT_EQ(lat.substr(lat.size() - 4), "<br>");

    void* mirel = dlopen(MIREL_PATH, RTLD_NOW | RTLD_LOCAL);
    const std::string mir = reinterpret_cast<const char* (*)()>(dlsym(mirel, "getPluginDescription"))();
    const auto first = mir.find("<BR>"), second = mir.find("<BR>", first + 4);
    ASSERT_NE(second, std::string::npos);
    const std::string headline = mir.substr(0, first);
    EXPECT_EQ(headline.rfind("~~ ", 0), 0u);
    EXPECT_EQ(headline.substr(headline.size() - 3), " ~~");
    EXPECT_NE(headline.find("(Mirel)"), std::string::npos);
    EXPECT_EQ(mir.substr(first + 4, second - first - 4),
              "This plugin corrects EPI data from reverse phase-encoded data (anterior-posterior (AP/PA) and "
              "left-right (LR/RL) via image registration.");
    const std::string tail = mir.substr(second + 4);
    EXPECT_EQ(tail.rfind("For the manual, please consult the <b>", 0), 0u);
    EXPECT_NE(tail.find("MirelPluginHelp/index.html"), std::string::npos);
    EXPECT_NE(tail.find(">Mirel plugin help<"), std::string::npos);
    EXPECT_EQ(tail.substr(tail.size() - 5), ".<br>");
}

}  // namespace
