// The distortion tests' generated studies: small AP/PA phantoms made by the
// phantom program, shared by the host's and the plug-in's tests.
#pragma once

#include "support/run_program.h"

#include <filesystem>
#include <utility>
#include <string>

namespace test_support {

// Makes two two-volume AP/PA phantoms with `generator`, of `sizeP` in
// root/"p" and of `sizeQ` in root/"q" (root is emptied first). Returns ""
// when both were made, otherwise the failing run's status and output.
inline std::string makeTwoPhantoms(const std::string& generator, const std::filesystem::path& root,
                                   const std::string& sizeP, const std::string& sizeQ) {
    std::filesystem::remove_all(root);
    for (const auto& [folder, size] : {std::pair{"p", sizeP}, std::pair{"q", sizeQ}}) {
        const Outcome made =
            shell(generator + " --small --size " + size + " --volumes 2 --out " + (root / folder).string());
        if (made.status != 0) return "status " + std::to_string(made.status) + ": " + made.output;
    }
    return "";
}

}  // namespace test_support
