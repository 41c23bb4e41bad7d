// The error banner: a three-line drawing naming a report's kind, then the
// report's non-empty fields with every byte made visible, control bytes in
// green and high bytes in red.
#pragma once

#include "report.h"
#include "s.h"

// Ends any colour; also opens a run of plain bytes.
inline constexpr char ANSI_RESET[] = "\x1b[m";
// Opens a run of control bytes (0x00..0x20, 0x7F..0xA0, 0xFF).
inline constexpr char ANSI_GREEN[] = "\x1b[32m";
// Opens a run of high bytes (0xA1..0xFE).
inline constexpr char ANSI_RED[] = "\x1b[31m";

// Glyphs of the control bytes 0xFF, 0x00..0x1F (index byte + 1 mod 256);
// the final '_' stands for the blank in the glyph coding and is unused here.
inline constexpr char CONTROL_GLYPHS_FF[] = "]JABCDEFGHI,KLMNOPQRSTUVWXYZ(){}[_";
// Glyphs of the bytes 0x7F..0xA0 (index byte - 0x7F).
inline constexpr char CONTROL_GLYPHS_7F[] = "~!@#$%^&*<>-|+/=\\.`'\":;?0123456789";

// The three art lines, each ending in a newline, with kind's bytes copied
// as they are between the brackets of the second line.
RtString banner_art(const RtString& kind);

// The banner of report: the art lines for its kind, then for way, vip, tip
// and say in that order, when not empty, " <field> ", the field made
// visible and a newline. Releases the report.
RtString report_format_banner(Report report);

// text with each byte written as its glyph, and an escape sequence wherever
// the glyph class changes (plain bytes need none at the start); a colour
// still on at the end is closed with ANSI_RESET. Releases text.
RtString report_render_visible(RtString text);
