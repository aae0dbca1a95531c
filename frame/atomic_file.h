#pragma once
// Files that appear whole or not at all, for the plug-ins and the host alike.
// Text goes to "<name>.part"; only commit() renames it over the name, so a
// reader never sees half a file and a failure leaves any earlier file as it
// was. Dropping an uncommitted file (a run that ends early) removes the part.

#include <filesystem>
#include <fstream>
#include <functional>
#include <ostream>
#include <string>

namespace tl {

class AtomicFile {
public:
    AtomicFile() = default;
    explicit AtomicFile(const std::string& name) { open(name); }
    ~AtomicFile() { discard(); }
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Starts a new file (discarding any uncommitted one); false when the
    // partial file cannot be created. A file that cannot be opened leaves the
    // object failed: writes are ignored and commit() does nothing.
    bool open(const std::string& name);
    bool good() const { return open_ && stream_.good(); }
    const std::string& name() const { return name_; }

    // The stream that receives the bytes: binary (no newline translation),
    // classic locale, default float format.
    std::ostream& stream() { return stream_; }

    // Closes the partial file and renames it over the name; false when the
    // file was never opened, a write failed or the rename failed (the partial
    // file is then removed).
    bool commit();
    // Closes and removes the partial file.
    void discard();
    // Why the last open() or commit() failed, for messages.
    const std::string& problem() const { return problem_; }

private:
    std::string partName() const { return name_ + ".part"; }

    std::string name_;
    std::string problem_;
    std::ofstream stream_;
    bool open_ = false;
};

// Writes `path` whole through an AtomicFile. Throws std::runtime_error naming
// the file and the problem.
// Who hears the outcome of every file (path as the writer named it, 1 when
// written whole): the stand-in host collects them to say which results a run
// wrote. A plug-in's host access sets it when it binds (null under a host
// without that extension, such as Talvora itself, which is then not told);
// the host sets its own.
using FileOutcomeListener = void (*)(const char* path, int written);
void setFileOutcomeListener(FileOutcomeListener listener);

void writeFileAtomically(const std::filesystem::path& path, const std::function<void(std::ostream&)>& write);

}  // namespace tl
