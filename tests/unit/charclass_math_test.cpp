// Character classes (a table of ranges over the low 32 bits as an int) and
// the math builtins (reals only, a1 then a2, results always new reals).
#include <gtest/gtest.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "charclass.h"
#include "host_fixture.h"
#include "mathfns.h"

using namespace host_test;

namespace {

using CharClasses = HostTest;
using MathFunctions = HostTest;

TEST_F(CharClasses, MembersByTable) {
    struct Case {
        BuiltinFn fn;
        i64 c;
        const char* result;
    } cases[] = {
        {builtin_isalpha, 65, "K"},          {builtin_isalpha, 122, "K"},         {builtin_isalpha, 91, "H"},
        {builtin_isalpha, 64, "H"},          {builtin_isalpha, 0, "H"},           {builtin_isalpha, TWO_32 + 65, "K"},
        {builtin_isalpha, -1, "H"},          {builtin_isalpha, 200, "H"},         {builtin_isalpha, 1000, "H"},
        {builtin_isprint, 255, "H"},         {builtin_isblank, 9, "K"},           {builtin_isblank, 32, "K"},
        {builtin_isblank, 10, "H"},          {builtin_isspace, 10, "K"},          {builtin_isspace, 13, "K"},
        {builtin_isspace, 14, "H"},          {builtin_isprint, 32, "K"},          {builtin_isgraph, 32, "H"},
        {builtin_isprint, 127, "H"},         {builtin_isgraph, 127, "H"},         {builtin_isgraph, 126, "K"},
        {builtin_ispunct, 95, "K"},          {builtin_ispunct, 48, "H"},          {builtin_ispunct, 123, "K"},
        {builtin_isdigit, 48, "K"},          {builtin_isdigit, 58, "H"},          {builtin_isalnum, 57, "K"},
        {builtin_isalnum, 95, "H"},          {builtin_isupper, 90, "K"},          {builtin_isupper, 97, "H"},
        {builtin_islower, 97, "K"},          {builtin_islower, 65, "H"},          {builtin_isascii, 127, "K"},
        {builtin_isascii, 128, "H"},         {builtin_isascii, -1, "H"},          {builtin_isascii, TWO_32 + 5, "K"},
        {builtin_isascii, 0, "K"},           {builtin_isspace, 233, "H"},
    };
    for (const Case& c : cases) EXPECT_EQ(answer(c.fn, {num(c.c)}), c.result) << c.c;
}

TEST_F(CharClasses, Conversions) {
    struct Case {
        BuiltinFn fn;
        i64 c;
        const char* result;
    } cases[] = {
        {builtin_toascii, 200, "72"},  {builtin_toascii, -1, "127"},   {builtin_toascii, 65, "65"},
        {builtin_tolower, 65, "97"},   {builtin_tolower, 97, "97"},    {builtin_tolower, TWO_32 + 65, "97"},
        {builtin_tolower, -1, "01"},   {builtin_tolower, 200, "200"},  {builtin_tolower, -50, "050"},
        {builtin_toupper, 122, "90"},  {builtin_toupper, 90, "90"},    {builtin_toupper, i64(1) << 31, "02147483648"},
    };
    for (const Case& c : cases) EXPECT_EQ(answer(c.fn, {num(c.c)}), c.result) << c.c;
}

TEST_F(CharClasses, NonIntegersAnswerZ) {
    BuiltinFn all[] = {builtin_isalnum, builtin_isalpha, builtin_isascii, builtin_isblank, builtin_isdigit,
                       builtin_isgraph, builtin_islower, builtin_isprint, builtin_ispunct, builtin_isspace,
                       builtin_isupper, builtin_toascii, builtin_tolower, builtin_toupper};
    for (BuiltinFn fn : all)
        for (const NodeRef& v : {real(65.0), post("A"), leaf("[A]"), leaf("0017"), cray(), leaf("Z")})
            EXPECT_EQ(answer(fn, {v}), "Z");
}

// The double of a real result.
double value(const NodeRef& t) { return real_leaf_value(t); }

// The bits of a double.
u64 bits(double d) {
    u64 b;
    std::memcpy(&b, &d, 8);
    return b;
}

TEST_F(MathFunctions, Results) {
    struct Case {
        BuiltinFn fn;
        double x, y;
        double result;
    } cases[] = {
        {builtin_sqrt, 4.0, 0, 2.0},         {builtin_fabs, -2.5, 0, 2.5},      {builtin_floor, -1.5, 0, -2.0},
        {builtin_ceil, -1.5, 0, -1.0},       {builtin_exp, 0.0, 0, 1.0},        {builtin_log, 1.0, 0, 0.0},
        {builtin_cos, 0.0, 0, 1.0},          {builtin_sin, 0.0, 0, 0.0},        {builtin_tan, 0.0, 0, 0.0},
        {builtin_acos, 1.0, 0, 0.0},         {builtin_asin, 0.0, 0, 0.0},       {builtin_atan, 0.0, 0, 0.0},
        {builtin_cosh, 0.0, 0, 1.0},         {builtin_sinh, 0.0, 0, 0.0},       {builtin_tanh, 0.0, 0, 0.0},
        {builtin_erf, 0.0, 0, 0.0},          {builtin_erfc, 0.0, 0, 1.0},       {builtin_fmod, 7.5, 2.0, 1.5},
        {builtin_pow, 2.0, 10.0, 1024.0},    {builtin_hypot, 3.0, 4.0, 5.0},    {builtin_fmod, -7.5, 2.0, -1.5},
        {builtin_nextafter, 1.0, 2.0, 1.0000000000000002},                      {builtin_pow, 10.0, 2.0, 100.0},
    };
    for (const Case& c : cases) {
        std::vector<NodeRef> args = {real(c.x)};
        if (c.fn == builtin_fmod || c.fn == builtin_pow || c.fn == builtin_hypot || c.fn == builtin_nextafter)
            args.push_back(real(c.y));
        EXPECT_EQ(value(call(c.fn, args)), c.result) << c.x << " " << c.y;
    }
}

TEST_F(MathFunctions, SignsNaNsAndErrno) {
    EXPECT_EQ(bits(value(call(builtin_fabs, {real(-0.0)}))), bits(0.0));
    double payload_nan;
    u64 b = 0xFFF8000000000123ull;
    std::memcpy(&payload_nan, &b, 8);
    EXPECT_EQ(bits(value(call(builtin_fabs, {real(payload_nan)}))), 0x7FF8000000000123ull);
    EXPECT_EQ(bits(value(call(builtin_sqrt, {real(-0.0)}))), bits(-0.0));
    errno = 0;
    EXPECT_TRUE(std::isnan(value(call(builtin_sqrt, {real(-1.0)}))));
    EXPECT_EQ(errno, EDOM);
    errno = 0;
    EXPECT_TRUE(std::isinf(value(call(builtin_exp, {real(1000.0)}))));
    EXPECT_EQ(errno, ERANGE);
}

TEST_F(MathFunctions, IntegerSecondArguments) {
    int32_t exponent = 99;
    EXPECT_EQ(value(call(builtin_frexp, {real(8.0), addr(&exponent)})), 0.5);
    EXPECT_EQ(exponent, 4);
    EXPECT_EQ(value(call(builtin_frexp, {real(0.25), addr(&exponent)})), 0.5);
    EXPECT_EQ(exponent, -1);
    EXPECT_EQ(value(call(builtin_frexp, {real(0.0), addr(&exponent)})), 0.0);
    EXPECT_EQ(exponent, 0);
    double whole = 0;
    EXPECT_EQ(value(call(builtin_modf, {real(-3.25), addr(&whole)})), -0.25);
    EXPECT_EQ(whole, -3.0);
    struct Case {
        i64 e;
        double result;
    } ldexp_cases[] = {{3, 8.0}, {-3, 0.125}, {TWO_32 + 3, 8.0}, {i64(1) << 31, 0.0}};
    for (const Case& c : ldexp_cases) EXPECT_EQ(value(call(builtin_ldexp, {real(1.0), num(c.e)})), c.result) << c.e;
    errno = 0;
    EXPECT_EQ(value(call(builtin_frexp, {real(8.0), num(0)})), 0.0);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(value(call(builtin_modf, {real(8.5), num(0)})), 0.0);
}

TEST_F(MathFunctions, WrongKindsAnswerZInOrder) {
    int32_t exponent = 77;
    EXPECT_EQ(answer(builtin_frexp, {real(8.0), real(1.0)}), "Z");
    EXPECT_EQ(exponent, 77);
    EXPECT_EQ(answer(builtin_sqrt, {num(4)}), "Z");
    EXPECT_EQ(answer(builtin_acos, {leaf("[1]")}), "Z");
    EXPECT_EQ(answer(builtin_acos, {zits_pair("[1]", "[2]")}), "Z");
    EXPECT_EQ(answer(builtin_pow, {num(2), real(1.0)}), "Z");
    EXPECT_EQ(answer(builtin_pow, {real(2.0), num(1)}), "Z");
    EXPECT_EQ(answer(builtin_ldexp, {num(1), num(1)}), "Z");
    EXPECT_EQ(answer(builtin_modf, {real(1.0), post("x")}), "Z");
    EXPECT_EQ(answer(builtin_fabs, {leaf("Z")}), "Z");
}

}  // namespace
