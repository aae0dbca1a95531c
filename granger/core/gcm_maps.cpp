#include "granger/core/gcm_maps.h"

#include <cmath>

namespace granger::core {

void ResultVolumes::scale(float f) {
    for (auto* v : {&ref2vox, &vox2ref, &inst, &nullRef2vox, &nullVox2ref, &nullInst})
        for (float& x : *v) x *= f;
}

bool buildMapValues(int type, const ResultVolumes& r, const GcmSettings& s, std::vector<float>& values,
                    std::vector<float>& null, bool& hasNull) {
    const std::size_t n = r.ref2vox.size();
    values.assign(n, 0.0f);
    null.assign(n, 0.0f);
    hasNull = true;
    switch (type) {
        case REF2VOX:
            values = r.ref2vox;
            null = r.nullRef2vox;
            return true;
        case VOX2REF:
            values = r.vox2ref;
            null = r.nullVox2ref;
            return true;
        case INST:
            values = r.inst;
            null = r.nullInst;
            return true;
        case DGCM:
        case DGCM_IT:
            for (std::size_t i = 0; i < n; ++i) {
                values[i] = r.ref2vox[i] - r.vox2ref[i];
                if (type == DGCM_IT && r.inst[i] < s.dgcmItInstLowerThres) values[i] = 0.0f;
                null[i] = r.nullRef2vox[i] - r.nullVox2ref[i];
            }
            return true;
        case DGCM_RC:
            hasNull = false;
            for (std::size_t i = 0; i < n; ++i) {
                float d = r.ref2vox[i] - r.vox2ref[i];
                if (r.inst[i] < s.dgcmItInstLowerThres) d = 0.0f;
                const float denom = std::fabs(d) + r.inst[i];
                float rc = denom != 0.0f ? d / denom : 0.0f;
                if (rc > s.dgcmRcUpperThres) rc = 0.0f;
                values[i] = rc;
            }
            return true;
        default:
            return false;
    }
}

bool mapDisplay(int type, const std::string& condition, float firstThreshold, const GcmSettings& s,
                MapDisplay& m) {
    const Rgb redLow{64, 0, 0}, redHigh{255, 0, 0}, greenLow{0, 64, 0}, greenHigh{0, 255, 0};
    const Rgb blueLow{0, 0, 64}, blueHigh{0, 0, 255}, none{0, 0, 0};
    m.lower = firstThreshold;
    m.upper = 3.0f * firstThreshold;
    m.negativeLow = none;
    m.negativeHigh = none;
    m.setsFdrThresholds = true;
    switch (type) {
        case REF2VOX:
            m.name = condition + ": Ref2Vox";
            m.positiveLow = redLow;
            m.positiveHigh = redHigh;
            return true;
        case VOX2REF:
            m.name = condition + ": Vox2Ref";
            m.positiveLow = greenLow;
            m.positiveHigh = greenHigh;
            return true;
        case INST:
            m.name = condition + ": Inst";
            m.upper = 5.0f * firstThreshold;
            m.positiveLow = blueLow;
            m.positiveHigh = blueHigh;
            return true;
        case DGCM:
        case DGCM_IT:
        case DGCM_RC:
            m.name = condition + (type == DGCM ? ": dGCM" : type == DGCM_IT ? ": dGCM IT" : ": dGCM RC");
            m.positiveLow = redLow;
            m.positiveHigh = redHigh;
            m.negativeLow = greenLow;
            m.negativeHigh = greenHigh;
            if (type == DGCM_RC) {
                m.lower = 0.2f;
                m.upper = s.dgcmRcUpperThres;
                m.setsFdrThresholds = false;
            }
            return true;
        default:
            return false;
    }
}

}  // namespace granger::core
