// inflate_pass: one pass of zlib's inflate over a gzip file into a 1 MiB
// buffer, counting the bytes; timed with /usr/bin/time it separates what
// decompressing a run costs from the rest of a conversion.
//
//   /usr/bin/time build/bench/bids/inflate_pass RUN.nii.gz
#include <zlib.h>

#include <cstdio>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: inflate_pass FILE.gz\n");
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
