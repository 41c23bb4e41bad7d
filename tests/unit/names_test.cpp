// Name rules: definable heads, valid global names, locals, bracket words.
#include <gtest/gtest.h>

#include <string>

#include "names.h"

namespace {

RtString bytes(const std::string& text) { return string_from_std(text); }

TEST(Names, DefinableAndValid) {
    struct Case {
        std::string name;
        bool definable, valid;
    } cases[] = {
        {"", false, false},
        {"_", true, true},
        {"x", true, true},
        {"ab_c", true, true},
        {"__", true, true},
        {"aB", false, false},
        {"a1", false, false},
        {"A", true, true},
        {"Z", true, true},
        {"\x01", true, true},
        {"\x1F", true, true},
        {"\x7F", true, true},
        {"\xE9", true, true},
        {"\xFF", true, true},
        {"AB", false, false},
        {"5", false, false},
        {" ", false, false},
        {"\n", true, true},  // a control byte like any other
        {std::string(1, '\0'), false, false},
        {"[+]", true, false},
        {"+", false, true},
        {"[}]", true, false},
        {"[,]", true, false},
        {"[\\]", true, false},
        {"[{]", true, false},
        {"[`]", true, false},
        {"}", false, true},
        {"\\", false, true},
        {"[", false, false},
        {"(", false, false},
        {"]", false, false},
        {"[a]", false, false},
        {"[ ]", false, false},
        {"[+", false, false},
        {"[++]", false, false},
        {"[(]", false, false},
        {"[[]", false, false},
        {"A[", false, false},
        {"+-", false, false},
        {"_x_", true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(name_is_definable(bytes(c.name)), c.definable) << c.name;
        EXPECT_EQ(name_is_valid(bytes(c.name)), c.valid) << c.name;
    }
}

TEST(Names, EveryOperatorNameByteIsValidAndBracketedDefinable) {
    for (int b = 0; b < 256; ++b) {
        std::string one(1, char(b)), bracketed = "[" + one + "]";
        bool op = std::string("{,}~!@#$%^&*<>-|+/=\\.`'\":;?").find(char(b)) != std::string::npos && b != 0;
        EXPECT_EQ(name_is_definable(bytes(bracketed)), op) << b;
        if (op) {
            EXPECT_EQ(string_to_std(name_normalize(bytes(bracketed))), one) << b;
        }
    }
}

TEST(Names, LowerIdentifier) {
    EXPECT_FALSE(string_is_lower_identifier(bytes("")));
    EXPECT_TRUE(string_is_lower_identifier(bytes("_a_z")));
    EXPECT_FALSE(string_is_lower_identifier(bytes("abc\xE1")));
    EXPECT_FALSE(string_is_lower_identifier(bytes(std::string("a\0b", 3))));
}

TEST(Names, Normalize) {
    struct Case {
        const char* name;
        const char* key;
    } cases[] = {{"[+]", "+"}, {"[}]", "}"}, {"[,]", ","}, {"[\\]", "\\"}, {"abc", "abc"}, {"A", "A"}, {"\x7F", "\x7F"}};
    for (const Case& c : cases) EXPECT_EQ(string_to_std(name_normalize(bytes(c.name))), c.key) << c.name;
}

TEST(NamesDeath, BrokenPreconditions) {
    const char* death = "ASSERTION FAILED:names:[0-9]+\n";
    EXPECT_DEATH(name_normalize(bytes("+")), death);
    EXPECT_DEATH(name_normalize(bytes("")), death);
    EXPECT_DEATH(name_require_valid(bytes("[+]")), death);
    EXPECT_DEATH(name_require_valid(bytes("aB")), death);
    EXPECT_DEATH(bracket_word('<'), death);
    name_require_valid(bytes("+"));
    name_require_valid(bytes("abc"));
}

TEST(Names, Local) {
    for (int b = 0; b < 256; ++b) EXPECT_EQ(name_is_local(bytes(std::string(1, char(b)))), b >= 'a' && b <= 'z') << b;
    EXPECT_FALSE(name_is_local(bytes("ab")));
    EXPECT_FALSE(name_is_local(bytes("")));
}

TEST(Names, BracketWords) {
    struct Case {
        u8 c;
        const char* word;
    } cases[] = {{'(', "parenthesis"}, {')', "parenthesis"}, {'[', "bracket"},
                 {']', "bracket"},     {'{', "wing"},        {'}', "wing"}};
    for (const Case& c : cases) EXPECT_EQ(string_to_std(bracket_word(c.c)), c.word) << c.c;
}

}  // namespace
