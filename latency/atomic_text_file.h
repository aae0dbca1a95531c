#pragma once
// A text file that appears whole or not at all: lines go to "<name>.part",
// and only commit() renames it to its name. A file that cannot be opened
// leaves the object failed: writes are ignored and commit() does nothing,
// so a run goes on without it. Dropping an uncommitted file (a run that
// ends early) removes the partial file.

#include <fstream>
#include <string>

namespace latency {

class AtomicTextFile {
public:
    AtomicTextFile() = default;
    explicit AtomicTextFile(const std::string& name) { open(name); }
    ~AtomicTextFile() { discard(); }
    AtomicTextFile(const AtomicTextFile&) = delete;
    AtomicTextFile& operator=(const AtomicTextFile&) = delete;

    // Starts a new file (discarding any uncommitted one); false when the
    // partial file cannot be created.
    bool open(const std::string& name);
    bool good() const { return open_ && stream_.good(); }
    const std::string& name() const { return name_; }

    // The stream that receives the text: classic locale, default float format.
    std::ostream& stream() { return stream_; }

    // Closes the partial file and renames it over the name; false when the
    // file was never opened, a write failed or the rename failed (the partial
    // file is then removed).
    bool commit();
    // Closes and removes the partial file.
    void discard();

private:
    std::string partName() const { return name_ + ".part"; }

    std::string name_;
    std::ofstream stream_;
    bool open_ = false;
};

}  // namespace latency
