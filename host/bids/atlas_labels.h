// Names of an atlas's labels: a BIDS "*_dseg.tsv" (columns "index" and
// "name") or a FreeSurfer-style colour table ("index name R G B A" lines,
// '#' comments).
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace talvora::bids {

// Label index -> name. Throws naming the file and line on a malformed
// table or an index given twice.
std::map<long long, std::string> readAtlasLabels(const std::filesystem::path& table);

// The BIDS table beside an atlas image ("x_dseg.nii.gz" -> "x_dseg.tsv"),
// or an empty path when there is none.
std::filesystem::path labelsBesideAtlas(const std::filesystem::path& atlas);

}  // namespace talvora::bids
