#include "engine/motion_formulas.h"

#include <cmath>

MotionOffset formulaOffset(int32_t formula, double a, double b, double r)
{
    using std::atan;
    using std::cos;
    using std::sin;
    const double x = r * cos(a); // every formula's fx starts with r cos a ...
    const double y = r * sin(a); // ... and all but formula 14's fy with r sin a
    switch (formula) {
    case 0:
        return { x, y };
    case 1:
        return { x * cos(b), y * (atan(b) * cos(a)) };
    case 2:
        return { x * sin(atan(atan(a)) * b), y * cos(atan(atan(b)) * a) };
    case 3:
        return { x * cos(3 * b), y * cos(3 * a) };
    case 4:
        return { x * cos(4 * b), y * cos(2 * a) };
    case 5:
        return { x * cos(sin(b)), y * sin(b) };
    case 6:
        return { x, y * sin(cos(b) - sin(a)) };
    case 7:
        return { x * sin(a), y * sin(cos(b) - sin(a)) };
    case 8:
        return { x * sin(b), y * sin(sin(a) + 2 * cos(b)) };
    case 9:
        return { x * sin(2 * b), y * cos(2 * cos(b) + cos(a + 2)) };
    case 10:
        return { x * sin(b + 2), y * sin(cos(b) + cos(a + 1)) };
    case 11:
        return { x * sin(b + 1.57), y * sin(cos(a + 3.14)) };
    case 12:
        return { x * sin(b - 1.57), y * cos(a) };
    case 13:
        return { x * sin(b - 3.14 - 1.57), y * cos(2 * a) };
    case 14:
        return { x * sin(b - 3.14 - 1.57), r * sin(a + 3.14) * sin(a - 1.57) };
    case 15:
        return { x * cos(b + 1.57), y * (atan(b) * sin(a - 1.57)) };
    case 16:
        return { x * cos(b + 1.57), y * sin(a + 1.57) };
    case 17:
        return { x * cos(b + 1.57), y * cos(sin(a + 1.57)) };
    case 18:
        return { x * cos(b + 0.785), y * cos(b - 0.785) };
    case 19:
        return { x * sin(a), y * cos(b) };
    default:
        return {};
    }
}
