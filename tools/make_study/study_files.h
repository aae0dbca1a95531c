// Writes a planned study into a folder: the anatomical volume, the runs'
// VTCs, protocols, VOIs, mask, optional deconvolution GLM, the job files
// and "truth.json" with every region's true response and expected measures.
#pragma once

#include "tools/make_study/study_design.h"

#include <filesystem>
#include <nlohmann/json.hpp>
#include <ostream>

namespace study {

// Each file is written whole or not at all; throws std::runtime_error
// naming the file on failure. Progress lines go to `progress`.
void writeStudy(const StudyDesign& design, const std::filesystem::path& folder, std::ostream& progress);

// The truth document (also used by tests).
nlohmann::json truthJson(const StudyDesign& design);

}  // namespace study
