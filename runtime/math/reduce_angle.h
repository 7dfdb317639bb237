#pragma once
// The angle reduction under sin and cos; private to the math library (tests reach it here).
namespace kivo::math {

// x brought into [-pi, pi] by subtracting (or adding) two pi one period at a time, each step
// rounded to nearest. The result is bit-identical to that per-period loop for every argument
// where the loop ends, but runs of steps within one binade are taken at once, so the cost is
// a few steps per binade rather than one per period.
// NaN comes back as NaN. Where a step of two pi no longer changes the argument (|x| above
// 2^56, and the infinities), the loop would never end: the result is NaN.
double reduce_angle(double x);

}  // namespace kivo::math
