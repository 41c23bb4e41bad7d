// Reports: the record that carries one error in the user's program from the
// stage that finds it to the error banner, its one-line text form (which an
// error term carries through the reduction machine) and the five-character
// position codes with which messages name places in source text.
#pragma once

#include "node.h"
#include "s.h"

// The error record. kind "check" means no error; every other kind is an
// error. Copies share the strings; a field changes only by assignment.
struct Report {
    RtString say;   // the message, a full sentence
    RtString kind;  // the error kind, a short lowercase word
    RtString vip;   // the first subject: a position code or a name
    RtString tip;   // the second subject
    RtString way;   // the text that builtin road was loading, or "yes"
};

// A new report: kind "check", every other field "".
Report report_init();

// A report sharing each of source's five strings.
Report report_copy(const Report& source);

// Gives target each of source's strings in turn, say to way; assigning a
// report to itself changes nothing.
void report_assign(Report& target, const Report& source);

// Releases way, tip, vip, kind and say, in that order; the report may then
// only be assigned or destroyed.
void report_release(Report& report);

// The text form "['" + ("[\"" field "]") for say, kind, vip, tip and way +
// "]", fields copied unescaped. The report is released.
RtString report_to_text(Report report);

// The report whose fields text holds. Fields are read from the right (way,
// tip, vip, kind by square-bracket matching, say is what lies before), so a
// say with unbalanced square brackets still reads back. Text of any other
// shape gives say = the whole text and every other field "" (kind included).
// Never reads outside the text. The text is released.
Report report_from_text(RtString text);

// The error term of the report: (] T), a new leaf "]" applied to a new leaf
// holding report_to_text of the report. The report is released.
NodeRef report_to_error_term(Report report);

// The five DIGIT64_ALPHABET digits of offset n, most significant first and
// "_" for leading zeros; "!!!!!" for n >= 2^30. A negative n is a fatal
// assertion.
RtString position_to_code(i64 n);
