// Reference channel formulas for tests, written independently of the library: double precision,
// truncation toward zero, then clamping to a byte.
#pragma once

#include <algorithm>
#include <cmath>

namespace core_test {

inline long long T(double v) { return static_cast<long long>(std::trunc(v)); }
inline int C(long long v) { return static_cast<int>(std::clamp<long long>(v, 0, 255)); }

inline int RefCopy(int s, int d, int w) { return C(T((s * w + d * (256.0 - w)) / 256.0)); }
inline int RefAdd(int s, int d, int w) { return C(d + T(s * w / 256.0)); }
inline int RefDodge(int s, int d, int w) {
    long long k = T(s * w / 256.0);
    return k > 254 ? C(d * 256LL) : C(T(d * 256.0 / (256.0 - k)));
}
inline int RefMultiply(int s, int d, int w) { return C(T((s * w + 256.0 * (256 - w)) * d / 65536.0)); }
inline int RefSoftLight(int s, int d, int w) {
    double t = s * w + 128.0 * (256 - w);
    return C(T((T((32768.0 - t) * d / 256.0) + t) * d / 32768.0));
}

}  // namespace core_test
