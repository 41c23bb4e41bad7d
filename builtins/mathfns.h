// Mathematical builtins over the host's double functions. Arguments are
// tested a1 first: a real is a leaf starting with a blank (integers are never
// reals), the second argument of frexp, ldexp and modf an integer; a wrong
// kind answers "Z" with nothing called or written. Every result, NaN and the
// infinities included, is a new real leaf; errno is the host function's.
#pragma once

#include <cmath>

#include "node.h"
#include "tables.h"

// The real of fn(x) for the one real argument x.
NodeRef math_unary(NodeRef app, double (*fn)(double));
// The real of fn(x, y) for the two real arguments x and y.
NodeRef math_binary(NodeRef app, double (*fn)(double, double));

template <double (*F)(double)>
NodeRef math_unary_builtin(NodeRef app) {
    return math_unary(std::move(app), F);
}
template <double (*F)(double, double)>
NodeRef math_binary_builtin(NodeRef app) {
    return math_binary(std::move(app), F);
}

// x with its sign bit cleared, the payload of a NaN kept.
double math_clear_sign(double x);

inline constexpr BuiltinFn builtin_acos = math_unary_builtin<::acos>;
inline constexpr BuiltinFn builtin_asin = math_unary_builtin<::asin>;
inline constexpr BuiltinFn builtin_atan = math_unary_builtin<::atan>;
inline constexpr BuiltinFn builtin_ceil = math_unary_builtin<::ceil>;
inline constexpr BuiltinFn builtin_cos = math_unary_builtin<::cos>;
inline constexpr BuiltinFn builtin_cosh = math_unary_builtin<::cosh>;
inline constexpr BuiltinFn builtin_erf = math_unary_builtin<::erf>;
inline constexpr BuiltinFn builtin_erfc = math_unary_builtin<::erfc>;
inline constexpr BuiltinFn builtin_exp = math_unary_builtin<::exp>;
inline constexpr BuiltinFn builtin_fabs = math_unary_builtin<math_clear_sign>;
inline constexpr BuiltinFn builtin_floor = math_unary_builtin<::floor>;
inline constexpr BuiltinFn builtin_log = math_unary_builtin<::log>;
inline constexpr BuiltinFn builtin_sin = math_unary_builtin<::sin>;
inline constexpr BuiltinFn builtin_sinh = math_unary_builtin<::sinh>;
inline constexpr BuiltinFn builtin_sqrt = math_unary_builtin<::sqrt>;
inline constexpr BuiltinFn builtin_tan = math_unary_builtin<::tan>;
inline constexpr BuiltinFn builtin_tanh = math_unary_builtin<::tanh>;

inline constexpr BuiltinFn builtin_fmod = math_binary_builtin<::fmod>;
inline constexpr BuiltinFn builtin_hypot = math_binary_builtin<::hypot>;
inline constexpr BuiltinFn builtin_nextafter = math_binary_builtin<::nextafter>;
inline constexpr BuiltinFn builtin_pow = math_binary_builtin<::pow>;

// frexp x p: the fraction m of x = m * 2^e (0.5 <= |m| < 1, 0 for 0), e
// stored at p as 4 bytes; for p = 0 the real 0.0 with errno EINVAL.
NodeRef builtin_frexp(NodeRef app);
// ldexp x e: x * 2^e, e the low 32 bits of the integer as a signed int.
NodeRef builtin_ldexp(NodeRef app);
// modf x p: the fractional part of x, the integral part stored at p as the
// 8 bytes of a double; for p = 0 the real 0.0 with errno EINVAL.
NodeRef builtin_modf(NodeRef app);
