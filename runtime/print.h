// Value printer: any term as text in the program's own surface syntax, and
// the two texts of an array (its printed form and its data-text form).
#pragma once

#include <string>

#include "node.h"

// Byte classes that decide between juxtaposition and parentheses.
enum CharClass : u8 {
    CHAR_CLASS_NAME,   // '_' and 'a'..'z'
    CHAR_CLASS_DIGIT,  // '0'..'9'
    CHAR_CLASS_OTHER,  // every other byte
};

// The class of byte c.
CharClass print_char_class(u8 c);

// The printed form of t (released): leaves by their first byte (empty, ")"
// and "]" leaves as "()", arrays as cray_to_text, reals as real[%e], byte
// strings as cape[...] with newline, "[" and "]" written [p], [q], [r],
// other leaves as their text); an application by juxtaposition or in
// parentheses. Works on any depth and costs time linear in the text.
RtString term_to_text(NodeRef t);

// The printed form of array c (released; cray_require first): "cray" wrapped
// as "(/ " + t + " " + element + ")" per slot, an empty slot printing "Z".
RtString cray_to_text(NodeRef c);

// The data-text form of array c (released; cray_require first): "[", then per
// slot a nested array's own data-text form or "[\"" + printed element + "]",
// then "]".
RtString cray_to_zits_text(NodeRef c);

// prefix followed by term_to_text of the borrowed node t, made at once in
// one string (a huge value is not copied to be prefixed).
RtString term_to_text_after(const char* prefix, const Node* t);

// term_to_text of a borrowed node, appended to out.
void term_print_append(const Node* t, std::string& out);
