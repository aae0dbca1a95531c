// The small commands: choosing a project, checking a list, reading a batch
// file; and the plug-in's access to its parameters.
#include "distortion/plugin/mirel_commands.h"

#include "distortion/core/errors.h"
#include "distortion/io/file_names.h"
#include "distortion/io/project_files.h"
#include "distortion/plugin/mirel_host.h"
#include "frame/numeric_services.h"
#include "frame/plugin_hosts.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

namespace distortion::plugin {

using namespace core;
using namespace io;
namespace {

// Parameters carry whole file lists of a batch.
constexpr std::size_t kParameterBuffer = tl::deliverables::kMirel.form.stringBuffer;

}  // namespace

std::string stringParameter(const char* name) {
    return host.readRequiredText<F::hxGetStringParameter>(kParameterBuffer, name);
}

int intParameter(const char* name) {
    return host.required<F::hxGetIntParameter>()(name);
}
bool boolParameter(const char* name) {
    return intParameter(name) != 0;
}

FftApi hostFft() {
    const tl::MirelNumerics& n = tl::g_mirelNumerics;
    FftApi api;
    api.malloc = reinterpret_cast<void* (*)(std::size_t)>(n.tl_fftwf_malloc);
    api.free = reinterpret_cast<void (*)(void*)>(n.tl_fftwf_free);
    api.planR2c3d = reinterpret_cast<FftPlan (*)(int, int, int, float*, FftComplex*, unsigned)>(
        n.tl_fftwf_plan_dft_r2c_3d);
    api.planC2r3d = reinterpret_cast<FftPlan (*)(int, int, int, FftComplex*, float*, unsigned)>(
        n.tl_fftwf_plan_dft_c2r_3d);
    api.execute = reinterpret_cast<void (*)(FftPlan)>(n.tl_fftwf_execute);
    api.destroyPlan = reinterpret_cast<void (*)(FftPlan)>(n.tl_fftwf_destroy_plan);
    if (!api.malloc || !api.free || !api.planR2c3d || !api.planC2r3d || !api.execute || !api.destroyPlan)
        throw std::runtime_error("the host's Fourier-transform services are not bound");
    return api;
}

void selectFmrOrDmr() {
    const std::string path = host.readRequiredText<F::hxGetOpenFileName>(
        kParameterBuffer, "Please select an FMR or DMR project.", "", "*.fmr *.dmr");
    auto setInt = host.required<F::hxSetIntParameter>();
    auto setString = host.required<F::hxSetStringParameter>();
    // The chosen path is handed back even when its header cannot be read.
    struct SetFilename {
        decltype(setString) set;
        const std::string& path;
        ~SetFilename() { set("filename", path.c_str()); }
    } setFilename{setString, path};
    if (isFMR(path)) {
        const Project p = readFMR(path, false);
        setInt("nr_of_volumes", p.intOf("NrOfVolumes"));
        setInt("display_volume", 1);
    } else if (isDMR(path)) {
        const Project p = readDMR(path, false);
        setInt("nr_of_volumes", p.intOf("NrOfVolumes"));
        setInt("display_volume", p.intOf("DisplayVolume") + 1);
    }
}

void checkFiles(std::ostream& log) {
    std::string messages;
    for (const std::string& path : splitLines(stringParameter("files"))) {
        log << "Checking name: " << path << "..." << std::endl;
        if (isFMR(path) || isDMR(path)) {
            // A folder opens as a stream on some systems but cannot be read.
            std::error_code folder;
            std::ifstream in(path);
            if (!in || std::filesystem::is_directory(path, folder))
                messages += path + ": could not read file\n";
        } else {
            messages += path + ": not an FMR or DMR file\n";
        }
    }
    if (messages.empty())
        log << "Check: OK" << std::endl;
    else
        host.required<F::hxMessageBox>()(messages.c_str());
}

void readBatchFile(std::ostream& log) {
    const std::string path = stringParameter("batchfilename");
    log << "Reading batchfile: " << path << "..." << std::endl;
    auto setString = host.required<F::hxSetStringParameter>();
    if (!endsWith(path, ".txt")) {
        setString("filenames", "-1");
        return;
    }
    std::ifstream in(path);
    if (!in) return;
    std::string text;
    char chunk[1024];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        text.append(chunk, static_cast<std::size_t>(in.gcount()));
        if (in.eof()) break;
    }
    if (in.bad()) throw ReadFileError("error reading from binary file");
    setString("filenames", text.c_str());
}

}  // namespace distortion::plugin
