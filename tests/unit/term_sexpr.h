// Test helper: terms written as fully parenthesised text. "(g x)" is a pair,
// any other run of bytes up to a blank or parenthesis is a leaf, and "()"
// is the leaf "()". Printing gives the same notation back.
#pragma once

#include <string>
#include <vector>

#include "node.h"

// The term written in text; a malformed text fails the test run.
NodeRef sexpr(const std::string& text);

// The notation of t (a leaf as its text up to the first NUL).
std::string sexpr_print(const NodeRef& t);

// The node at path from t: 'l' for the left child, 'r' for the right.
const Node* node_at(const NodeRef& t, const char* path);
