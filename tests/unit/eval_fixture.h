// Test helper for the evaluator: loads the prelude with five test builtins
// that make evaluation order and reference counts visible, defines and checks
// a program, and evaluates terms.
#pragma once

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "node.h"

// The arguments the builtin tick saw, printed, in call order.
std::vector<std::string>& eval_tick_log();

// What the builtin seen saw at each call, in call order: the application,
// the reference counts and the argument's header word.
std::vector<std::string>& eval_seen_log();

// Loads the prelude and the test builtins (tick, boom, pass, refs, seen: see
// eval_fixture.cpp), then defines and checks text; both must succeed.
void eval_load(const std::string& text);

// Loads the prelude and the test builtins, then defines text (not checked).
void eval_define(const std::string& text);

// The term stored under name; a missing name fails the test.
NodeRef eval_def(const std::string& name);

// The value of the main expression of the loaded program (not applied to
// any argument).
NodeRef eval_main();

// The printed form of t.
std::string eval_print(const NodeRef& t);

// The value of text as the main expression of a program with no definitions,
// printed.
std::string eval_text(const std::string& text);

// The term of normalised program text (parsed, not checked).
NodeRef eval_parse(const std::string& text);

// A test that starts with the prelude and an empty program loaded and ends
// by taking the test builtins out of the builtin table again.
class EvalTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// Declares a test suite named suite on EvalTest.
#define EVAL_SUITE(suite) \
    class suite : public EvalTest {}
