#pragma once

namespace latency::numeric {

// m equally spaced values from start to end: out[k] = start + k (end - start)
// / (m - 1), with out[0] = start and out[m-1] = end exactly. m < 2 writes the
// single value end (nothing when m < 1).
void linearRamp(float* out, float start, float end, int m);

}  // namespace latency::numeric
