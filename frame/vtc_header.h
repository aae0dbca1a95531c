// The layout of a VTC header (versions 2 and 3), walked field by field.
// The host and the Granger plug-in read VTC headers from different sources
// and report problems in their own words, so the walk is written once over
// a field source that supplies the values and reacts to problems:
//
//   std::int16_t int16(const char* field);   // little-endian
//   std::uint8_t uint8(const char* field);
//   float float32(const char* field);
//   std::string text(const char* field);     // up to its zero byte
//   [[noreturn]] void unsupportedVersion(int version);
//   [[noreturn]] void tooManyProtocols(int linked);
//
// A source that runs out of bytes throws; the two refusals must not return.
// `field` names the value in words, for the source's error texts.
#pragma once

#include <cstdint>
#include <string>

namespace tl {

// The header's values as stored; fields a version does not store keep
// their defaults here, and each reader fills in its own.
struct VtcHeaderFields {
    int version = 0;
    std::string sourceFMR;
    int linkedProtocols = 1;  // version 2 always links one
    std::string protocolName;
    int currentProtocolIndex = 0;  // version 3 only
    int dataType = 1;              // version 3 only: 2 float32, otherwise uint16
    int nrOfVolumes = 0;
    int resolution = 0;
    int xStart = 0, xEnd = 0, yStart = 0, yEnd = 0, zStart = 0, zEnd = 0;
    bool hasConventionBytes = false;  // version 3 stores the next two
    int lrConvention = 0;
    int referenceSpace = 0;
    float tr = 0.0f;  // milliseconds
};

template <class Source>
VtcHeaderFields readVtcHeaderFields(Source& in) {
    VtcHeaderFields h;
    h.version = in.int16("version");
    if (h.version != 2 && h.version != 3) in.unsupportedVersion(h.version);
    h.sourceFMR = in.text("source project name");
    if (h.version == 3) {
        h.linkedProtocols = in.int16("number of linked protocols");
        if (h.linkedProtocols != 0 && h.linkedProtocols != 1) in.tooManyProtocols(h.linkedProtocols);
    }
    if (h.linkedProtocols == 1) h.protocolName = in.text("linked protocol name");
    if (h.version == 3) {
        h.currentProtocolIndex = in.int16("current protocol index");
        h.dataType = in.int16("data type");
    }
    h.nrOfVolumes = in.int16("number of volumes");
    h.resolution = in.int16("resolution");
    h.xStart = in.int16("XStart");
    h.xEnd = in.int16("XEnd");
    h.yStart = in.int16("YStart");
    h.yEnd = in.int16("YEnd");
    h.zStart = in.int16("ZStart");
    h.zEnd = in.int16("ZEnd");
    if (h.version == 3) {
        h.hasConventionBytes = true;
        h.lrConvention = in.uint8("left-right convention");
        h.referenceSpace = in.uint8("reference space");
    } else {
        in.int16("reserved field after the bounding box");
    }
    h.tr = in.float32("repetition time");
    if (h.version == 2) {
        in.float32("reserved fields after the repetition time");
        in.float32("reserved fields after the repetition time");
        in.int16("reserved fields after the repetition time");
        in.int16("reserved fields after the repetition time");
    }
    return h;
}

}  // namespace tl
