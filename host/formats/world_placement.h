// Where the host's documents lie in world (scanner or template)
// millimetres. Our formats have no field for it, so every converted document
// gets a JSON sidecar "<document>.json" that carries the 4x4 voxel-to-world
// matrix of its anatomical (VMR) voxels. A functional voxel (x, y, z) of a
// grid with resolution r and box starts (xs, ys, zs) covers anatomical voxels
// xs + r*x ... xs + r*x + r - 1 (and so on), so its centre is anatomical voxel
// xs + r*x + (r - 1)/2: functionalToWorld() composes exactly that.
#pragma once

#include "host/formats/format_io.h"
#include "host/formats/nifti_image.h"

#include <filesystem>
#include <optional>
#include <string>

namespace talvora::formats {

struct Placement {
    Affine anatomicalToWorld = Affine::Identity();  // VMR voxel (i, j, k) -> world mm
    int xformCode = 1;                              // NIfTI meaning of the world (1 scanner, 4 MNI, ...)
    std::string source;                             // the image it came from, for people
};

// Functional voxel (x, y, z) -> world millimetres (see above).
Affine functionalToWorld(const Affine& anatomicalToWorld, const FunctionalGrid& grid);

// "<document>.json" beside the document.
std::filesystem::path placementSidecarPath(const std::filesystem::path& document);

// Writes the sidecar whole or not at all: "AnatomicalVoxelToWorld" (rows of
// the 4x4 matrix), "XformCode", "Source", and for a functional document also
// its "Grid" and own "VoxelToWorld".
void writePlacementSidecar(const std::filesystem::path& document, const Placement& placement,
                           const std::optional<FunctionalGrid>& grid = std::nullopt);

// The placement from the document's sidecar; throws naming the sidecar when
// it is missing or malformed.
Placement readPlacementSidecar(const std::filesystem::path& document);

// The document's own sidecar when it has one, else that of `like` (a VTC or
// VMR of the same space) when given; otherwise throws naming the document
// and suggesting --like.
Placement findPlacement(const std::filesystem::path& document, const std::filesystem::path& like);

}  // namespace talvora::formats
