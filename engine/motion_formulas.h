#pragma once

#include <cstdint>

// The twenty motion formulas. Each turns the round angle a, the radial angle b and the
// radius r into an offset (fx, fy) from the centre of the frame:
//
//   r = orbitRadius + orbitSwing x cos b
//    0: r cos a                            r sin a
//    1: r cos a x cos b                    r sin a x (atan b x cos a)
//    2: r cos a x sin(atan(atan a) x b)    r sin a x cos(atan(atan b) x a)
//    3: r cos a x cos(3b)                  r sin a x cos(3a)
//    4: r cos a x cos(4b)                  r sin a x cos(2a)
//    5: r cos a x cos(sin b)               r sin a x sin b
//    6: r cos a                            r sin a x sin(cos b - sin a)
//    7: r cos a x sin a                    r sin a x sin(cos b - sin a)
//    8: r cos a x sin b                    r sin a x sin(sin a + 2 cos b)
//    9: r cos a x sin(2b)                  r sin a x cos(2 cos b + cos(a + 2))
//   10: r cos a x sin(b + 2)               r sin a x sin(cos b + cos(a + 1))
//   11: r cos a x sin(b + 1.57)            r sin a x sin(cos(a + 3.14))
//   12: r cos a x sin(b - 1.57)            r sin a x cos a
//   13: r cos a x sin(b - 3.14 - 1.57)     r sin a x cos(2a)
//   14: r cos a x sin(b - 3.14 - 1.57)     r sin(a + 3.14) x sin(a - 1.57)
//   15: r cos a x cos(b + 1.57)            r sin a x (atan b x sin(a - 1.57))
//   16: r cos a x cos(b + 1.57)            r sin a x sin(a + 1.57)
//   17: r cos a x cos(b + 1.57)            r sin a x cos(sin(a + 1.57))
//   18: r cos a x cos(b + 0.785)           r sin a x cos(b - 0.785)
//   19: r cos a x sin a                    r sin a x cos b
//
// 1.57, 3.14 and 0.785 are used as written (1.57 is not pi / 2). Products are formed in
// double precision from left to right: r times the first factor, then times the rest, a
// parenthesised factor first.

struct MotionOffset {
    double fx = 0.0;
    double fy = 0.0;
};

constexpr int32_t kMotionFormulaCount = 20;

// The offset of formula 0..19; formulas outside that range give no offset at all.
MotionOffset formulaOffset(int32_t formula, double a, double b, double r);
