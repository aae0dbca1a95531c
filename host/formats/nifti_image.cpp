#include "host/formats/nifti_image.h"

#include "host/formats/format_io.h"
#include "host/formats/gzip_whole.h"

#include <nifti2_io.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace talvora::formats {

namespace {

// The library reports its own troubles on stderr; ours name the file instead.
void quietLibrary() {
    static const bool once = [] {
        nifti_set_debug_level(0);
        return true;
    }();
    (void)once;
}

struct ImageDeleter {
    void operator()(nifti_image* nim) const { nifti_image_free(nim); }
};
using ImagePtr = std::unique_ptr<nifti_image, ImageDeleter>;

int bytesPerValue(int datatype) {
    switch (datatype) {
        case DT_UINT8:
            return 1;
        case DT_INT16:
            return 2;
        case DT_INT32:
            return 4;
        case DT_FLOAT32:
            return 4;
        case DT_FLOAT64:
            return 8;
        default:
            return 0;
    }
}

Affine toAffine(const nifti_dmat44& m) {
    Affine a;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) a(r, c) = m.m[r][c];
    return a;
}

std::string lowerName(const fs::path& path) {
    std::string name = path.filename().string();
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    return name;
}

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

void checkGeometry(const fs::path& path, const nifti_image& nim) {
    if (nim.ndim < 2 || nim.ndim > 7)
        fail(path, "has " + std::to_string(nim.ndim) + " dimensions (2 to 4 are read)");
    for (int d = 5; d <= 7; ++d)
        if (d <= nim.ndim && nim.dim[d] > 1)
            fail(path, "has more than 4 dimensions (dimension " + std::to_string(d) + " holds " +
                           std::to_string(nim.dim[d]) + ")");
    // Dimensions past dim[0] may be stored as 0; they count as 1.
    for (int d = 1; d <= std::min<int>(4, int(nim.ndim)); ++d)
        if (nim.dim[d] < 1) fail(path, "has an empty dimension (dimension " + std::to_string(d) + ")");
    // 2^40 values at most, so sizes never overflow below.
    double count = 1;
    for (int d = 1; d <= std::min<int>(4, int(nim.ndim)); ++d) count *= double(nim.dim[d]);
    if (count > double(1ull << 40)) fail(path, "promises more values than this program reads");
}

// The stored header, for what the library's image record changes: it turns
// a pixdim of 0 into 1 (a TR of 0 must stay 0) and does not say the version.
struct RawHeader {
    int version = 0;
    double timeStep = 0;
};

// Its fields are as stored, so in the file's byte order.
RawHeader rawHeader(const fs::path& path, bool swapped) {
    RawHeader raw;
    void* stored = nifti_read_header(path.string().c_str(), &raw.version, 1);
    if (!stored) fail(path, "is not a readable NIfTI image (its header could not be read)");
    if (raw.version == 2) {
        double step = static_cast<const nifti_2_header*>(stored)->pixdim[4];
        if (swapped) nifti_swap_Nbytes(1, sizeof step, &step);
        raw.timeStep = step;
    } else {
        float step = static_cast<const nifti_1_header*>(stored)->pixdim[4];
        if (swapped) nifti_swap_Nbytes(1, sizeof step, &step);
        raw.timeStep = step;
    }
    free(stored);
    return raw;
}

NiftiHeader headerOf(const fs::path& path, const nifti_image& nim) {
    NiftiHeader h;
    h.path = path;
    const RawHeader raw = rawHeader(path, nim.byteorder != nifti_short_order());
    h.niftiVersion = raw.version == 2 ? 2 : 1;
    h.dimensions = static_cast<int>(nim.ndim);
    const auto dim = [&](int d) -> std::int64_t { return d <= nim.ndim ? nim.dim[d] : 1; };
    h.size = {dim(1), dim(2), dim(3), dim(4)};
    h.voxelSize = {nim.dx, nim.dy, nim.dz};
    if (nim.sform_code > 0) {
        h.affine = toAffine(nim.sto_xyz);
        h.affineSource = "sform";
        h.xformCode = nim.sform_code;
    } else {
        h.affine = toAffine(nim.qto_xyz);
        h.affineSource = nim.qform_code > 0 ? "qform" : "pixdim";
        h.xformCode = nim.qform_code;
    }
    h.timeStep = nim.ndim >= 4 ? raw.timeStep : 0.0;
    h.timeUnits = nim.time_units;
    h.datatype = nim.datatype;
    h.slope = nim.scl_slope;
    h.intercept = nim.scl_inter;
    h.bigEndian = nim.byteorder == 2;  // the library's MSB_FIRST
    return h;
}

}  // namespace

double NiftiHeader::timeStepMilliseconds() const {
    if (!(timeStep > 0.0) || !std::isfinite(timeStep)) return 0.0;
    switch (timeUnits) {
        case NIFTI_UNITS_MSEC:
            return timeStep;
        case NIFTI_UNITS_USEC:
            return timeStep / 1000.0;
        default:
            return timeStep * 1000.0;  // seconds, or unknown (BIDS stores seconds)
    }
}

bool isNiftiName(const fs::path& path) {
    const std::string name = lowerName(path);
    return endsWith(name, ".nii") || endsWith(name, ".nii.gz");
}

// The data file, opened through the library's gzip-aware streams; a
// compressed one is decompressed once, whole, into `data` and handed out
// from there.
struct NiftiReader::Stream {
    znzFile file = nullptr;
    bool swap = false;
    int swapSize = 0;
    std::size_t volumeBytes = 0;
    std::vector<unsigned char> bytes;
    struct FreeDeleter {
        void operator()(unsigned char* p) const { std::free(p); }
    };
    std::unique_ptr<unsigned char[], FreeDeleter> data;  // the decompressed image data, or null
    std::size_t dataOffset = 0;
    ~Stream() {
        if (!znz_isnull(file)) znzclose(file);
    }
};

namespace {

znzFile openData(const fs::path& path, const nifti_image& nim) {
    znzFile f = znzopen(nim.iname, "rb", nifti_is_gzfile(nim.iname));
    if (znz_isnull(f)) fail(path, "its image data cannot be opened");
    // gzseek answers the new offset, fseek 0; both -1 on failure.
    if (znzseek(f, static_cast<znz_off_t>(nim.iname_offset), SEEK_SET) < 0) {
        znzclose(f);
        fail(path, "is truncated: it ends before its image data start");
    }
    return f;
}

// How many data bytes a plain file holds after its header.
std::uint64_t plainDataBytes(const fs::path& path, const nifti_image& nim) {
    const std::int64_t size = nifti_get_filesize(nim.iname);
    if (size < 0) fail(path, "its image data cannot be read");
    return size > nim.iname_offset ? std::uint64_t(size - nim.iname_offset) : 0;
}

// A compressed file's data, decompressed in one pass. The buffer grows with
// what has arrived (at most doubling it, from 1 MiB) and never past the
// `wanted` bytes the header promises, so a header that promises more than
// the file holds costs no more memory than the file's real content.
// realloc moves large blocks by remapping pages, not by copying them.
unsigned char* decompressData(const fs::path& path, const nifti_image& nim, std::uint64_t wanted,
                              std::uint64_t& have) {
    constexpr std::uint64_t kFirstBlock = 1 << 20;
    znzFile f = openData(path, nim);
    unsigned char* data = nullptr;
    std::uint64_t capacity = 0;
    have = 0;
    while (have < wanted) {
        if (have == capacity) {
            capacity = std::min(wanted, std::max(kFirstBlock, 2 * capacity));
            auto* grown = static_cast<unsigned char*>(std::realloc(data, static_cast<std::size_t>(capacity)));
            if (!grown) {
                std::free(data);
                znzclose(f);
                throw std::bad_alloc();
            }
            data = grown;
        }
        const std::size_t ask = static_cast<std::size_t>(capacity - have);
        const std::size_t got = znzread(data + have, 1, ask, f);
        if (got == 0 || got > ask) break;
        have += got;
    }
    znzclose(f);
    return data;
}

template <typename T>
void widen(const unsigned char* bytes, std::size_t count, float* out, double slope, double intercept) {
    const bool scaled = slope != 0.0 && std::isfinite(slope) && std::isfinite(intercept);
    for (std::size_t i = 0; i < count; ++i) {
        T v;
        std::memcpy(&v, bytes + i * sizeof(T), sizeof(T));
        out[i] =
            scaled ? static_cast<float>(static_cast<double>(v) * slope + intercept) : static_cast<float>(v);
    }
}

}  // namespace

namespace {

// The header read and checked; the image data not touched.
ImagePtr openChecked(const fs::path& path) {
    quietLibrary();
    requireRegularFile(path);
    ImagePtr nim(nifti_image_read(path.string().c_str(), 0));
    if (!nim) fail(path, "is not a readable NIfTI image (its header could not be read)");
    if (bytesPerValue(nim->datatype) == 0)
        fail(path, std::string("holds datatype ") + nifti_datatype_string(nim->datatype) +
                       " (uint8, int16, int32, float32 and float64 are read)");
    checkGeometry(path, *nim);
    return nim;
}

}  // namespace

NiftiHeader readNiftiHeader(const fs::path& path) {
    const ImagePtr nim = openChecked(path);
    return headerOf(path, *nim);
}

NiftiReader::NiftiReader(const fs::path& path) {
    const ImagePtr nim = openChecked(path);
    const int nbyper = bytesPerValue(nim->datatype);
    header_ = headerOf(path, *nim);

    stream_ = std::make_unique<Stream>();
    stream_->volumeBytes = header_.voxelsPerVolume() * static_cast<std::size_t>(nbyper);
    stream_->swap = nim->byteorder != nifti_short_order() && nbyper > 1;
    stream_->swapSize = nbyper;
    const std::uint64_t wanted = std::uint64_t(stream_->volumeBytes) * header_.volumes();
    const bool compressed = nifti_is_gzfile(nim->iname);
    std::uint64_t have = 0;
    if (compressed) {
        // One call when the file's own trailer vouches for the header's size,
        // the streaming pass (growing with what arrives) otherwise.
        const std::uint64_t start = static_cast<std::uint64_t>(nim->iname_offset);
        if (unsigned char* whole = gunzipWhole(nim->iname, start + wanted)) {
            stream_->data.reset(whole);
            stream_->dataOffset = static_cast<std::size_t>(start);
            have = wanted;
        } else {
            stream_->data.reset(decompressData(path, *nim, wanted, have));
        }
    } else
        have = plainDataBytes(path, *nim);
    if (have < wanted)
        fail(path, "is truncated: it holds " + std::to_string(have) +
                       " bytes of image data, its header promises " + std::to_string(wanted));
    if (!compressed) stream_->file = openData(path, *nim);
}

NiftiReader::~NiftiReader() = default;

void NiftiReader::readNextVolume(std::vector<float>& out) {
    out.resize(header_.voxelsPerVolume());
    readNextVolume(out.data());
}

void NiftiReader::readNextVolume(float* out) {
    if (nextVolume_ >= header_.volumes())
        fail(header_.path, "has no volume " + std::to_string(nextVolume_ + 1));
    Stream& s = *stream_;
    unsigned char* bytes = nullptr;
    if (s.data) {
        bytes = s.data.get() + s.dataOffset;
        s.dataOffset += s.volumeBytes;
    } else {
        s.bytes.resize(s.volumeBytes);
        std::size_t done = 0;
        while (done < s.volumeBytes) {
            const std::size_t got = znzread(s.bytes.data() + done, 1, s.volumeBytes - done, s.file);
            if (got == 0 || got > s.volumeBytes - done)
                fail(header_.path, "is truncated in volume " + std::to_string(nextVolume_ + 1));
            done += got;
        }
        bytes = s.bytes.data();
    }
    if (s.swap) nifti_swap_Nbytes(static_cast<std::int64_t>(s.volumeBytes / s.swapSize), s.swapSize, bytes);
    const std::size_t n = header_.voxelsPerVolume();
    const double m = header_.slope, b = header_.intercept;
    switch (header_.datatype) {
        case DT_UINT8:
            widen<std::uint8_t>(bytes, n, out, m, b);
            break;
        case DT_INT16:
            widen<std::int16_t>(bytes, n, out, m, b);
            break;
        case DT_INT32:
            widen<std::int32_t>(bytes, n, out, m, b);
            break;
        case DT_FLOAT32:
            widen<float>(bytes, n, out, m, b);
            break;
        default:
            widen<double>(bytes, n, out, m, b);
            break;
    }
    // The last volume handed out: the decompressed data are no longer needed.
    if (++nextVolume_ == header_.volumes()) s.data.reset();
}

bool NiftiReader::holdsAllVolumes() const {
    return stream_->data && nextVolume_ == 0;
}

namespace {

// One stored value as readNextVolume gives it, swapped to this machine's
// order first when the file's differs.
template <typename T>
void courses(const unsigned char* data, std::size_t volumeBytes, std::size_t volumes, std::size_t first,
             std::size_t count, bool swap, double slope, double intercept, float* out) {
    const bool scaled = slope != 0.0 && std::isfinite(slope) && std::isfinite(intercept);
    for (std::size_t t = 0; t < volumes; ++t) {
        const unsigned char* volume = data + t * volumeBytes + first * sizeof(T);
        for (std::size_t i = 0; i < count; ++i) {
            unsigned char bytes[sizeof(T)];
            std::memcpy(bytes, volume + i * sizeof(T), sizeof(T));
            if (swap) std::reverse(bytes, bytes + sizeof(T));
            T v;
            std::memcpy(&v, bytes, sizeof(T));
            out[i * volumes + t] = scaled ? static_cast<float>(static_cast<double>(v) * slope + intercept)
                                          : static_cast<float>(v);
        }
    }
}

}  // namespace

void NiftiReader::readVoxelCourses(std::size_t first, std::size_t count, float* out) const {
    if (!holdsAllVolumes() || first + count > header_.voxelsPerVolume())
        throw std::logic_error("readVoxelCourses: the run is not held in memory whole");
    const Stream& s = *stream_;
    const unsigned char* data = s.data.get() + s.dataOffset;
    const std::size_t T = header_.volumes();
    const double m = header_.slope, b = header_.intercept;
    switch (header_.datatype) {
        case DT_UINT8:
            courses<std::uint8_t>(data, s.volumeBytes, T, first, count, s.swap, m, b, out);
            break;
        case DT_INT16:
            courses<std::int16_t>(data, s.volumeBytes, T, first, count, s.swap, m, b, out);
            break;
        case DT_INT32:
            courses<std::int32_t>(data, s.volumeBytes, T, first, count, s.swap, m, b, out);
            break;
        case DT_FLOAT32:
            courses<float>(data, s.volumeBytes, T, first, count, s.swap, m, b, out);
            break;
        default:
            courses<double>(data, s.volumeBytes, T, first, count, s.swap, m, b, out);
            break;
    }
}

NiftiImage readNiftiImage(const fs::path& path) {
    NiftiReader reader(path);
    NiftiImage image;
    image.header = reader.header();
    const std::size_t n = image.header.voxelsPerVolume();
    image.values.resize(n * image.header.volumes());
    std::vector<float> volume;
    for (std::size_t t = 0; t < image.header.volumes(); ++t) {
        reader.readNextVolume(volume);
        std::copy(volume.begin(), volume.end(), image.values.begin() + static_cast<std::ptrdiff_t>(t * n));
    }
    return image;
}

namespace {

void placeImage(nifti_image& nim, const NiftiOutput& o) {
    nifti_dmat44 m;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) m.m[r][c] = o.affine(r, c);
    nim.sform_code = o.xformCode;
    nim.sto_xyz = m;
    nim.sto_ijk = nifti_dmat44_inverse(m);
    double qb, qc, qd, qx, qy, qz, dx, dy, dz, qfac;
    nifti_dmat44_to_quatern(m, &qb, &qc, &qd, &qx, &qy, &qz, &dx, &dy, &dz, &qfac);
    nim.qform_code = o.xformCode;
    nim.quatern_b = qb, nim.quatern_c = qc, nim.quatern_d = qd;
    nim.qoffset_x = qx, nim.qoffset_y = qy, nim.qoffset_z = qz;
    nim.qfac = qfac;
    nim.qto_xyz = nifti_quatern_to_dmat44(qb, qc, qd, qx, qy, qz, dx, dy, dz, qfac);
    nim.qto_ijk = nifti_dmat44_inverse(nim.qto_xyz);
    nim.dx = nim.pixdim[1] = o.affine.block<3, 1>(0, 0).norm();
    nim.dy = nim.pixdim[2] = o.affine.block<3, 1>(0, 1).norm();
    nim.dz = nim.pixdim[3] = o.affine.block<3, 1>(0, 2).norm();
    nim.dt = nim.pixdim[4] = o.size[3] > 1 ? o.trSeconds : 0.0;
    nim.xyz_units = NIFTI_UNITS_MM;
    nim.time_units = NIFTI_UNITS_SEC;
}

void writeTemporary(const fs::path& tmp, const NiftiOutput& o, const void* data, bool gz) {
    const std::int64_t dims[8] = {o.size[3] > 1 ? 4 : 3, o.size[0], o.size[1], o.size[2], o.size[3], 1, 1, 1};
    ImagePtr nim(nifti_make_new_nim(dims, o.asUint8 ? DT_UINT8 : DT_FLOAT32, 0));
    if (!nim) throw std::runtime_error("the NIfTI library could not make an image header");
    // Unused dimensions as 1, not 0, for readers that multiply them all.
    for (int d = int(dims[0]) + 1; d <= 7; ++d) nim->dim[d] = 1;
    nim->nt = o.size[3], nim->nu = nim->nv = nim->nw = 1;
    const bool large = *std::max_element(o.size.begin(), o.size.end()) > 32767;
    nim->nifti_type = large ? NIFTI_FTYPE_NIFTI2_1 : NIFTI_FTYPE_NIFTI1_1;
    placeImage(*nim, o);
    std::snprintf(nim->descrip, sizeof nim->descrip, "%s", o.description.c_str());
    free(nim->fname);
    free(nim->iname);
    nim->fname = strdup(tmp.string().c_str());
    nim->iname = strdup(tmp.string().c_str());
    nifti_set_iname_offset(nim.get(), large ? 2 : 1);
    nim->byteorder = nifti_short_order();
    nim->data = const_cast<void*>(data);
    // Write the data and leave the file open, so that closing it (the step
    // that fails when the disk fills) can be checked. Compressed at zlib's
    // fastest level: float maps shrink little more at the default level,
    // which takes three times as long.
    znzFile f = nifti_image_write_hdr_img(nim.get(), 3, gz ? "wb1" : "wb");
    nim->data = nullptr;
    if (znz_isnull(f)) throw std::runtime_error("the image could not be written");
    if (znzclose(f) != 0) throw std::runtime_error("the image could not be written completely");
}

}  // namespace

void writeNiftiImage(const fs::path& path, const NiftiOutput& o, const std::vector<float>& values) {
    quietLibrary();
    if (!isNiftiName(path)) fail(path, "a NIfTI image must be named .nii or .nii.gz");
    const std::size_t count = static_cast<std::size_t>(o.size[0] * o.size[1] * o.size[2] * o.size[3]);
    if (values.size() != count) throw std::invalid_argument("NIfTI values do not match the image size");
    const bool gz = endsWith(lowerName(path), ".gz");
    const fs::path tmp =
        path.parent_path() / ("." + path.filename().string() + ".part" + (gz ? ".nii.gz" : ".nii"));
    std::vector<std::uint8_t> bytes;
    if (o.asUint8) {
        bytes.resize(count);
        for (std::size_t i = 0; i < count; ++i)
            bytes[i] = static_cast<std::uint8_t>(std::clamp(std::lround(values[i]), 0L, 255L));
    }
    try {
        writeTemporary(tmp, o, o.asUint8 ? static_cast<const void*>(bytes.data()) : values.data(), gz);
        fs::rename(tmp, path);
    } catch (const std::exception& e) {
        std::error_code ignored;
        fs::remove(tmp, ignored);
        fail(path, std::string("cannot be written: ") + e.what());
    }
}

}  // namespace talvora::formats
