// inflate_pass: one pass of zlib's inflate over a gzip file into a 1 MiB
// buffer, counting the bytes; timed with /usr/bin/time it separates what
// decompressing a run costs from the rest of a conversion. With --whole, the
// NIfTI reader's one-call path instead: the file read whole, then one
// libdeflate call into a buffer of the trailer's size.
//
//   /usr/bin/time build/bench/bids/inflate_pass [--whole] RUN.nii.gz
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <vector>

#include "host/formats/gzip_whole.h"

namespace {

int wholePass(const char* path) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(-4, std::ios::end);
    unsigned char t[4] = {};
    in.read(reinterpret_cast<char*>(t), 4);
    const unsigned long long size =
        t[0] | t[1] << 8 | t[2] << 16 | static_cast<unsigned long long>(t[3]) << 24;
    unsigned char* data = talvora::formats::gunzipWhole(path, size);
    if (!data) {
        std::fprintf(stderr, "inflate_pass: %s: not one gzip member of its trailer's size\n", path);
        return 1;
    }
    std::free(data);
    std::printf("%llu bytes\n", size);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--whole") == 0) return wholePass(argv[2]);
    if (argc != 2) {
        std::fprintf(stderr, "usage: inflate_pass [--whole] FILE.gz\n");
        return 2;
    }
    gzFile f = gzopen(argv[1], "rb");
    if (!f) {
        std::fprintf(stderr, "inflate_pass: %s: cannot open\n", argv[1]);
        return 1;
    }
    std::vector<unsigned char> chunk(1 << 20);
    unsigned long long bytes = 0;
    int got = 0;
    while ((got = gzread(f, chunk.data(), static_cast<unsigned>(chunk.size()))) > 0) bytes += got;
    const bool failed = got < 0;
    gzclose(f);
    if (failed) {
        std::fprintf(stderr, "inflate_pass: %s: not a whole gzip stream\n", argv[1]);
        return 1;
    }
    std::printf("%llu bytes\n", bytes);
    return 0;
}
