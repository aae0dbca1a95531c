// Binding the host function table against fake host modules: the module
// names tried and their order, the mandatory version function, and null
// fields for everything a host does not export.
#include "fake_plugin_loader.h"
#include "frame/atomic_file.h"
#include "frame/module_lookup.h"
#include "frame/numeric_services.h"
#include "frame/plugin_hosts.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// Every fake is loaded once for the whole process; each test gives each one
// the module name it should answer to ("-" for none).
struct Fakes {
    FakeHost versionOnly{FAKE_VERSION_ONLY, "-", 24, 0, 0};
    FakeHost withMessages{FAKE_WITH_MESSAGES_PATH, "-", 24, 0, 0};
    FakeHost hxHost{FAKE_HX_PATH, "-", 24, 0, 0};
    FakeHost blasOnly{FAKE_BLAS_ONLY_PATH, "-", 24, 0, 0};
    FakeHost extensions{FAKE_EXTENSIONS_PATH, "-", 24, 0, 0};
    void silence() {
        for (FakeHost* f : {&versionOnly, &withMessages, &hxHost, &blasOnly, &extensions})
            f->configure("-", 24, 0, 0);
    }
};

Fakes& fakes() {
    static Fakes f;
    f.silence();
    return f;
}

// Non-null fields of a table: host functions and extensions.
int countBound(const tl::HostTable& table) {
    static_assert(sizeof(tl::HostTable) == sizeof(void*) * (tl::kNrOfHostFunctions + 2),
                  "a host table holds exactly one pointer per host function and extension");
    int n = 0;
    for (int i = 0; i < tl::kNrOfHostFunctions; ++i)
        n += tl::isBound(table, static_cast<tl::HostFunction>(i));
    return n + (table.talvoraNoteFileOutcome != nullptr) + (table.talvoraFixedClock != nullptr);
}

bool bindLatmapHostTable() {
    return tl::g_latmapAccess.bind();
}
bool bindCausalisHostTable() {
    return tl::g_causalisAccess.bind();
}
bool bindMirelHostTable() {
    return tl::g_mirelAccess.bind();
}
bool bindNodoraHostTable() {
    return tl::g_nodoraAccess.bind();
}

TEST(HostTable, SizesMatchTheFamilies) {
    EXPECT_EQ(tl::kNrOfHostFunctions, 192);
    EXPECT_EQ(tl::deliverables::kNodora.hostFunctions.count(), 190);
    EXPECT_EQ(tl::deliverables::kMirel.hostFunctions.count(), 185);
    EXPECT_EQ(tl::deliverables::kCausalisPlugin.hostFunctions.count(), 152);
    EXPECT_EQ(tl::deliverables::kLatmapPlugin.hostFunctions.count(), 185);
    EXPECT_EQ(sizeof(tl::MirelNumerics), 10 * sizeof(void*));
}

TEST(HostTable, NoHostModuleMeansNoBinding) {
    fakes();
    EXPECT_FALSE(bindLatmapHostTable());
    EXPECT_FALSE(bindCausalisHostTable());
    EXPECT_FALSE(bindMirelHostTable());
    EXPECT_FALSE(bindNodoraHostTable());
}

TEST(HostTable, VersionOnlyHostBindsWithEveryOtherFieldNull) {
    Fakes& f = fakes();
    f.versionOnly.configure("Talvora.exe", 24, 0, 0);
    ASSERT_TRUE(bindLatmapHostTable());
    EXPECT_NE(tl::g_latmapHost.tlGetVersionOfTalvora, nullptr);
    EXPECT_EQ(countBound(tl::g_latmapHost), 1);
    EXPECT_EQ(tl::g_latmapHost.hxLogText, nullptr);
    // Binding again gives the same table.
    ASSERT_TRUE(bindLatmapHostTable());
    EXPECT_EQ(countBound(tl::g_latmapHost), 1);
    ASSERT_TRUE(bindCausalisHostTable());
    EXPECT_EQ(countBound(tl::g_causalisHost), 1);
    // The graph plug-in needs its own version function, which this host lacks.
    EXPECT_FALSE(bindNodoraHostTable());
}

TEST(HostTable, ModuleNamesAreTriedInOrder) {
    Fakes& f = fakes();
    f.versionOnly.configure("TalvoraEDU.exe", 24, 0, 0);
    EXPECT_TRUE(bindLatmapHostTable()) << "second name of the three main plug-ins";
    EXPECT_FALSE(bindNodoraHostTable()) << "the graph plug-in does not know TalvoraEDU.exe";
    f.versionOnly.configure("TalvoraHX.exe", 24, 0, 0);
    EXPECT_FALSE(bindLatmapHostTable());

    // Talvora.exe wins over TalvoraEDU.exe when both are loaded.
    f.versionOnly.configure("TalvoraEDU.exe", 24, 0, 0);
    f.withMessages.configure("Talvora.exe", 24, 0, 0);
    ASSERT_TRUE(bindLatmapHostTable());
    EXPECT_NE(tl::g_latmapHost.hxLogText, nullptr);

    // The graph plug-in prefers TalvoraHX.exe, then takes Talvora.exe.
    f.silence();
    f.hxHost.configure("Talvora.exe", 2, 6, 0);
    ASSERT_TRUE(bindNodoraHostTable());
    EXPECT_NE(tl::g_nodoraHost.hxGetVersionOfTalvoraHX, nullptr);
}

TEST(HostTable, ModuleNameMatchesWithoutCase) {
    Fakes& f = fakes();
    f.versionOnly.configure("talvora.EXE", 24, 0, 0);
    EXPECT_TRUE(bindLatmapHostTable());
}

TEST(HostTable, LookupIsConfinedToTheHostModule) {
    Fakes& f = fakes();
    f.versionOnly.configure("Talvora.exe", 24, 0, 0);
    tl::platform::ModuleHandle module = tl::platform::GetModuleHandleA("Talvora.exe");
    ASSERT_NE(module, nullptr);
    // Exported by the C library the fake depends on, not by the fake itself.
    EXPECT_EQ(tl::platform::GetProcAddress(module, "malloc"), nullptr);
    EXPECT_EQ(tl::platform::GetProcAddress(module, "hxLogText"), nullptr);
    EXPECT_NE(tl::platform::GetProcAddress(module, "tlGetVersionOfTalvora"), nullptr);
    EXPECT_EQ(tl::platform::GetModuleHandleA("Other.exe"), nullptr);
    EXPECT_EQ(tl::platform::GetModuleHandleA(nullptr), nullptr);
}

TEST(HostExtensions, BoundFromTheHostModuleWhenDeclared) {
    Fakes& f = fakes();
    f.extensions.configure("Talvora.exe", 24, 0, 0);
    ASSERT_TRUE(bindCausalisHostTable());
    ASSERT_NE(tl::g_causalisAccess.fixedClock(), nullptr);
    EXPECT_EQ(tl::g_causalisAccess.fixedClock()(), 1234);
    ASSERT_TRUE(bindLatmapHostTable());
    EXPECT_EQ(tl::g_latmapAccess.fixedClock(), nullptr) << "the latency plug-in does not declare the clock";
    ASSERT_NE(tl::g_latmapAccess.noteFileOutcome(), nullptr);

    // The frame's file writer tells the host it was bound against.
    const std::string path = testing::TempDir() + "extensions_outcome.txt";
    tl::writeFileAtomically(path, [](std::ostream& out) { out << "x"; });
    ASSERT_EQ(f.extensions.messageCount(), 1);
    EXPECT_EQ(f.extensions.message(0), "file: " + path + " written");

    // Exported by a loaded object that is not the host module: not bound.
    f.extensions.configure("-", 24, 0, 0);
    f.versionOnly.configure("Talvora.exe", 24, 0, 0);
    ASSERT_TRUE(bindCausalisHostTable());
    EXPECT_EQ(tl::g_causalisAccess.fixedClock(), nullptr);
    EXPECT_EQ(tl::g_causalisAccess.noteFileOutcome(), nullptr);
    tl::writeFileAtomically(path, [](std::ostream& out) { out << "y"; });
    EXPECT_EQ(f.extensions.messageCount(), 0);
    std::remove(path.c_str());
}

TEST(MirelStartUp, MissingNumericServicesAreNamed) {
    Fakes& f = fakes();
    f.withMessages.configure("Talvora.exe", 23, 0, 0);
    {
        RawPlugin mirel(MIREL_PATH);
        EXPECT_FALSE(mirel.object->initPlugin());
        ASSERT_GE(f.withMessages.messageCount(), 1);
        EXPECT_EQ(f.withMessages.message(f.withMessages.messageCount() - 1),
                  "box: Did not get access to MKL BLAS access functions!");
        EXPECT_EQ(f.withMessages.message(0), "log:  ");
        EXPECT_EQ(f.withMessages.message(1), "log: Plugin> Running Mirel...");
        EXPECT_EQ(f.withMessages.message(2), "log: Plugin>");
    }
}

TEST(MirelStartUp, MissingFourierServicesAreNamed) {
    // A host with the matrix services but no transforms: the BLAS fake answers
    // to the name and exports them; messages go nowhere, so check the binding.
    Fakes& f = fakes();
    f.blasOnly.configure("Talvora.exe", 23, 0, 0);
    EXPECT_EQ(tl::bindMirelNumerics(), tl::NumericsBinding::MissingFourierFunctions);
    f.silence();
    f.versionOnly.configure("Talvora.exe", 23, 0, 0);
    EXPECT_EQ(tl::bindMirelNumerics(), tl::NumericsBinding::MissingMatrixFunctions);
}

TEST(StartUp, FailedBindingIsSilent) {
    Fakes& f = fakes();
    for (const char* path : {LATMAP_PATH, CAUSALIS_PATH, MIREL_PATH, NODORA_PATH}) {
        RawPlugin plugin(path);
        if (std::string(path) == LATMAP_PATH) {
            EXPECT_TRUE(plugin.object->initPlugin());
            EXPECT_FALSE(plugin.object->execute());
        } else {
            EXPECT_FALSE(plugin.object->initPlugin()) << path;
        }
    }
    EXPECT_EQ(f.withMessages.messageCount(), 0);
}

}  // namespace
