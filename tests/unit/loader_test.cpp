// Run-time loading: builtins load and road over one table of texts, the
// text sources, nesting and loading from a check-time line mark.
#include "loader.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "check.h"
#include "eval_fixture.h"
#include "integer.h"
#include "intern.h"
#include "machine.h"
#include "post.h"
#include "report.h"
#include "stack_fixture.h"
#include "status.h"
#include "tables.h"
#include "term_sexpr.h"

namespace {

EVAL_SUITE(Loader);

struct Answer {
    std::string value;  // printed; "raised" for an error term
    std::string kind, say, vip, tip, way;
};

// The answer of load or road applied to the argument a.
Answer call(NodeRef (*builtin)(NodeRef), const char* name, NodeRef a) {
    NodeRef r = builtin(node_make_app(noderef_from_cstr(name), std::move(a)));
    if (node_is_pair(r) && node_first_byte(node_left(r)) == ']') {
        Report report = report_from_text(node_text(node_right(r)));
        return {"raised", string_to_std(report.kind), string_to_std(report.say), string_to_std(report.vip),
                string_to_std(report.tip), string_to_std(report.way)};
    }
    return {eval_print(r), "", "", "", "", ""};
}

NodeRef post_of(const std::string& text) { return post_make(string_from_std(text)); }

Answer load_text(const std::string& text) { return call(builtin_load, "load", post_of(text)); }
Answer road_text(const std::string& text) { return call(builtin_road, "road", post_of(text)); }

bool defined(const std::string& name) {
    DefsMap& defs = definitions_instance();
    return defs.find(string_from_std(name)) != defs.end();
}

std::string body_of(const std::string& name) { return defined(name) ? sexpr_print(eval_def(name)) : "<none>"; }

bool wrapped(const std::string& name) {
    return set_names_find(wrapped_names(), string_from_std(name)) != wrapped_names().end();
}

// The names of a comma-separated list.
std::vector<std::string> names_of(const std::string& list) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start < list.size()) {
        size_t end = list.find(',', start);
        if (end == std::string::npos) end = list.size();
        names.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

// n lambdas over the names a..., b..., each of `width` letters, before body.
std::string lambdas(int n, int width, const std::string& body) {
    std::string text;
    for (int i = 0; i < n; ++i) text += std::string(width, char('a' + i % 26)) + std::string(i / 26, 'z') + "\\";
    return text + body;
}

}  // namespace

// One row per refusal of both builtins and per decided point. program is the
// checked program the row starts from; value is load's answer (road answers
// the same when kind is empty); defined and undefined are the names the
// call leaves defined and undefined (for both builtins); a refusal marked
// unchanged leaves `definitions`, `wrapped_names` and the interned terms as
// they were.
TEST_F(Loader, TextsThroughThePipeline) {
    struct Case {
        std::string program, text, value;
        const char *kind, *say, *vip, *tip, *way;
        std::string defined, undefined;
        bool unchanged;
    } cases[] = {
        {"0", "1+2", "3", "", "", "", "", "", "", "", false},
        {"0", "0,identity\\x\\x", "0", "", "", "", "", "", "identity", "", false},
        {"0", "0,ab\\y\\y,ab\\7", "0", "", "", "", "", "", "ab", "", false},
        {"0", "0,3,g x,7\\x,hh(x)\\1", "0", "", "", "", "", "", "", "hh", false},  // ignored pieces
        {"0", "ff 0,ff\\n\\(n<5)(n+ff(n+1),0)", "10", "", "", "", "", "", "ff", "", false},  // recursive
        {"0", "gg 1,gg\\x\\x", "1", "", "", "", "", "", "gg", "", false},
        {"0", "0,gg\\x\\nope x", "0", "", "", "", "", "", "", "gg", false},
        {"0", "0,bad\\x\\y", "0", "", "", "", "", "", "", "bad", false},  // a free letter is a name
        {"0", lambdas(10, 1, "1"), "(\\a (\\b (\\c (\\d (\\e (\\f (\\g (\\h (\\i \\j1)))))))))", "", "", "", "",
         "", "", "", false},
        {"0", "0,[+]\\minus", "Z", "roads", "Attempt to redefine function + using the road function.", "+", "",
         "0,[+]\\minus", "", "", true},
        // Refusals.
        {"0", "(]", "Z", "match", "'(' at [_____] doesn't fit ']' at [____a].", "_____", "____a", "yes", "", "",
         true},
        {"0", "[abc", "Z", "match", "Dangling left-bracket at [_____].", "_____", "", "yes", "", "", true},
        {"0", "g  (a,b)", "Z", "comma", "Comma at [____e] is not part of a valid call list.", "____e", "",
         "g (a,b)", "", "", true},
        {"0", "((A,b))", "Z", "comma", "Comma at [____c] is not part of a valid call list.", "____c", "",
         "((A,b))", "", "", true},
        {"0", "0,x\\y\\y", "Z", "lower", "Single lowercase letters (x) cannot be defined as global variables.",
         "____b", "x", "0,x\\y\\y", "", "", true},
        {"0", "g 0,g\\x\\nope x", "Z", "lower",
         "Single lowercase letters (g) cannot be defined as global variables.", "____d", "g", "g 0,g\\x\\nope x",
         "", "", true},
        {"0", "0,aa\\1,g()\\x", "Z", "lower", "Single lowercase letters (g) cannot be defined as global variables.",
         "____g", "g", "0,aa\\1,g()\\x", "", "aa", true},
        {"0", "0,[\\]\\x", "Z", "built", "Built in function \\ cannot be re-defined.", "____b", "\\", "0,[\\]\\x",
         "", "", true},
        {"0", "0,[{]\\x", "Z", "built", "Built in function { cannot be re-defined.", "____b", "{", "0,[{]\\x", "",
         "", true},
        {"0", "0,puts\\1", "Z", "roads", "Attempt to redefine function puts using the road function.", "puts", "",
         "0,puts\\1", "", "", true},
        {"0,hh\\3,ff\\2", "0,hh\\3,ff\\2,new\\1", "Z", "roads",
         "Attempt to redefine function ff using the road function.", "ff", "", "0,hh\\3,ff\\2,new\\1", "", "new",
         true},
        {"0", "nope 0", "Z", "alive", "Alive function TOP references undefined function nope.", "TOP", "nope",
         "nope 0", "", "", true},
        {"0", "bad 1,bad\\x\\y", "Z", "alive", "Alive function bad references undefined function y.", "bad", "y",
         "bad 1,bad\\x\\y", "", "bad", true},
        {"0", "", "Z", "alive", "Alive function TOP references undefined function }.", "TOP", "}", "", "", "",
         true},
        {"0", "0,pp\\" + lambdas(27, 2, "1"), "Z", "place", "Place error in function pp.", "pp", "", nullptr, "",
         "pp", true},
        {"0", lambdas(27, 2, "1"), "Z", "place", "Place error.", "", "", nullptr, "", "", true},
        {"0", "0,ff\\" + lambdas(11, 1, "1"), "Z", "arity", "Arity of function ff may not exceed ten.", "ff", "",
         nullptr, "", "ff", true},
        {"0", lambdas(11, 1, "1"), "Z", "arity", "Arity of function  may not exceed ten.", "", "", nullptr, "", "",
         true},
        {"0", "0,ff\\7\\x", "Z", "funky", "Funky key in expression \\7x in function ff.", "ff", "\\7x", "0,ff\\7\\x",
         "", "ff", true},
        {"0", "x,ff\\7\\x", "Z", "funky", "Funky key in expression \\7x in function ff.", "ff", "\\7x", "x,ff\\7\\x",
         "", "ff", true},  // the binder check comes before reachability
        {"0", "7\\x", "Z", "funky", "Funky key in expression \\7x.", "", "\\7x", "7\\x", "", "", true},
        {"0", "0,hello\\(hh\\hh)hh,hh\\1", "Z", "local", "Local variable a unbound in function hello.", "hello \"",
         "a", "0,hello\\(hh\\hh)hh,hh\\1", "hello,hh", "", false},  // committed before the check
        {"0", "(hh\\hh)hh,hh\\1", "Z", "local", "Local variable a unbound.", "", "a", "(hh\\hh)hh,hh\\1", "hh", "",
         false},
        // Marks naming the text's own names, closed or open.
        {"0", "`(gg 1),gg\\x\\x", "Z", "alive", "Alive function TOP references undefined function gg.", "TOP", "gg",
         "`(gg 1),gg\\x\\x", "", "gg", true},
        {"0", "0,ff\\x\\`(gg x)+`(zz x),zz\\x\\x,gg\\x\\x", "Z", "alive",
         "Alive function ff references undefined function gg.", "ff", "gg", nullptr, "", "ff,gg,zz", true},
        // A marked expression that loads a name of the text itself.
        {"0", "`(load[0,dup\\1]),dup\\2", "Z", "roads", "Attempt to redefine function dup using the road function.",
         "dup", "", "`(load[0,dup\\1]),dup\\2", "dup", "", false},
    };
    for (const Case& c : cases) {
        for (bool road : {false, true}) {
            SCOPED_TRACE((road ? "road " : "load ") + c.text);
            eval_load(c.program);
            i64 definitions_before = i64(definitions_instance().size());
            i64 wrapped_before = i64(wrapped_names().size());
            i64 interned_before = intern_count();
            Answer a = road ? road_text(c.text) : load_text(c.text);
            if (!road || *c.kind == 0) {
                EXPECT_EQ(a.value, c.value);
            } else {
                EXPECT_EQ(a.value, "raised");
                EXPECT_EQ(a.kind, c.kind);
                EXPECT_EQ(a.say, c.say);
                EXPECT_EQ(a.vip, c.vip);
                EXPECT_EQ(a.tip, c.tip);
                if (c.way != nullptr) {
                    EXPECT_EQ(a.way, c.way);
                }
            }
            for (const std::string& name : names_of(c.defined)) EXPECT_TRUE(defined(name)) << name;
            for (const std::string& name : names_of(c.undefined)) EXPECT_FALSE(defined(name)) << name;
            if (c.unchanged) {
                EXPECT_EQ(i64(definitions_instance().size()), definitions_before);
                EXPECT_EQ(i64(wrapped_names().size()), wrapped_before);
                EXPECT_EQ(intern_count(), interned_before);
            }
        }
    }
}

TEST_F(Loader, WayIsTheTextShortened) {
    std::string text = "0,pp\\" + lambdas(27, 2, "1");
    Answer a = road_text(text);
    EXPECT_EQ(a.way.size(), 72u);
    EXPECT_EQ(a.way, text.substr(0, 72));
    EXPECT_EQ(road_text("0,\n  ff\\7\\x").way, "0,ff\\7\\x");  // normalised
    EXPECT_EQ(road_text("0,ff\\7\\x,gg\\(1").way, "yes");
}

TEST_F(Loader, WrappedNames) {
    EXPECT_EQ(load_text("0,wrap()\\y\\y").value, "0");
    EXPECT_EQ(body_of("wrap"), "(I ((\\ y) y))");
    EXPECT_TRUE(wrapped("wrap"));
    // A later piece of the same name replaces the earlier, wrapped state too.
    EXPECT_EQ(load_text("0,twice()\\1,twice\\2").value, "0");
    EXPECT_EQ(body_of("twice"), "2");
    EXPECT_FALSE(wrapped("twice"));
    // A dropped wrapped definition still enters the wrapped names; a later
    // plain definition of the name takes it out again, so its value is cached.
    EXPECT_EQ(load_text("0,ww()\\nope").value, "0");
    EXPECT_FALSE(defined("ww"));
    EXPECT_TRUE(wrapped("ww"));
    EXPECT_EQ(load_text("ww,ww\\1+1").value, "2");
    EXPECT_FALSE(wrapped("ww"));
    EXPECT_EQ(body_of("ww"), "2");
}

TEST_F(Loader, TextSources) {
    EXPECT_EQ(load_text(std::string("K 1 \0", 5)).value, "1");  // a NUL byte reads as the empty array
    EXPECT_EQ(load_text(std::string("1+\0", 3)).value, "Z");
    EXPECT_EQ(call(builtin_load, "load", noderef_from_cstr("[1+2]")).value, "3");
    NodeRef zits_pair = node_make_app(noderef_from_cstr("[K 7 ]"), noderef_from_cstr("[1 2]"));
    EXPECT_EQ(call(builtin_load, "load", zits_pair).value, "7");  // "K 7 [1 2]"
    EXPECT_EQ(call(builtin_load, "load", noderef_from_cstr("[[q]]")).value, "[q]");  // escapes stay as written
    const char* c_text = "20+22";
    NodeRef address = integer_make_leaf(i64(reinterpret_cast<uintptr_t>(c_text)));
    EXPECT_EQ(call(builtin_load, "load", address).value, "42");
    EXPECT_EQ(call(builtin_road, "road", noderef_from_cstr("\n")).say,
              "Alive function TOP references undefined function }.");  // an array is the empty text
    for (auto builtin : {builtin_load, builtin_road}) {
        for (const char* z : {"0", " 12345678", "00K", "K", "]x"}) {
            NodeRef a = z[0] == ' ' ? noderef_from_string(string_from_bytes(z, 9)) : noderef_from_cstr(z);
            EXPECT_EQ(call(builtin, "x", a).value, "Z") << z;
        }
        EXPECT_EQ(call(builtin, "x", eval_parse("x\\x")).value, "Z");
    }
}

TEST_F(Loader, Nesting) {
    // An inner call sees what the outer calls committed before it.
    EXPECT_EQ(load_text("load[qq+1],qq\\5").value, "6");
    EXPECT_EQ(load_text("0,base\\40").value, "0");
    EXPECT_EQ(load_text("base+2").value, "42");
    // A marked expression's nested load commits before the outer text does.
    EXPECT_EQ(load_text("`(load[0,inner\\5])+1,outer\\7").value, "1");
    EXPECT_EQ(body_of("inner"), "5");
    EXPECT_EQ(body_of("outer"), "7");
    // A report raised by a nested road is load's answer.
    Answer a = load_text("road[0,x\\y\\y]");
    EXPECT_EQ(a.kind, "lower");
    // Leaves ")NAME" and "]NAME" are ordinary answers.
    NodeRef cycle = builtin_load(node_make_app(noderef_from_cstr("load"), post_of("ys,ys\\ys+1")));
    EXPECT_EQ(string_to_std(node_text(cycle)), ")ys");
}

// An open mark's record carries its line in the loaded text, whatever marks
// the same text or earlier texts had.
TEST_F(Loader, OpenMarksKeepTheirOwnLines) {
    EXPECT_EQ(load_text("`(1+0),\nff\\x\\`(x+1)").value, "1");
    EXPECT_EQ(load_text("0,\n\ngg\\x\\`(x+1),\nhh\\x\\`(x+1)").value, "0");
    EXPECT_EQ(load_text("ff 5 (p\\q\\p K)").value, "2");
    EXPECT_EQ(load_text("gg 5 (p\\q\\p K)").value, "3");
    EXPECT_EQ(load_text("hh 5 (p\\q\\p K)").value, "4");
    EXPECT_EQ(load_text("hh 5 (p\\q\\q H)").value, "6");
}

TEST_F(Loader, CommittedFreeLetterEndsTheEvaluation) {
    EXPECT_EQ(load_text("0,ff\\(hh\\hh)hh,hh\\1").value, "Z");
    NodeRef r = builtin_load(node_make_app(noderef_from_cstr("load"), post_of("ff")));
    EXPECT_EQ(string_to_std(node_text(r)), "]a");
    EXPECT_TRUE(node_is_leaf(r.node));
}

// Every level loads the same text again until the limit refuses; each level
// takes a machine run's stack, so this runs on a thread with a run's stack.
TEST_F(Loader, NestingLimitAnswersZ) {
    EXPECT_EQ(load_text("0,rec\\n\\load[rec 0]").value, "0");
    auto body = [](void*) -> uint32_t { return load_text("rec 0").value == "Z"; };
    EXPECT_EQ(status_run_on_thread(RUN_STACK_BYTES, RUN_STACK_MIN_BYTES, body, nullptr), 1u);
    EXPECT_EQ(load_text("1").value, "1");  // nothing is left counted
}

// On a small stack the stack's room, not the count, ends the nesting: the
// innermost call answers Z, load's and road's alike, and nothing overruns
// the stack. A few levels still fit.
TEST_F(Loader, NestingStopsAtTheStacksRoom) {
    EXPECT_EQ(load_text("0,rec\\n\\load[rec 0]").value, "0");
    EXPECT_EQ(road_text("0,rod\\n\\road[rod 0]").value, "0");
    auto body = [](void*) -> uint32_t {
        return load_text("rec 0").value == "Z" && road_text("rod 0").value == "Z" &&
               load_text("load[load[load[7]]]").value == "7";
    };
    for (size_t bytes : {size_t(2) << 20, size_t(8) << 20})
        EXPECT_EQ(stack_test::run_on_stack(bytes, body, nullptr), 1u) << bytes;
    // With less room than one level needs, every call answers Z at once.
    auto starved = [](void*) -> uint32_t { return load_text("7").value == "Z" && road_text("7").value == "Z"; };
    EXPECT_EQ(stack_test::run_on_stack(LOADER_STACK_RESERVE / 2, starved, nullptr), 1u);
    EXPECT_EQ(load_text("1").value, "1");
}

TEST_F(Loader, FromACheckTimeLineMark) {
    eval_load("a\\`(load[0,early\\5])+load[early]");
    EXPECT_EQ(body_of("early"), "5");
    EXPECT_EQ(load_text("early+1").value, "6");
    // A free letter met by a load at check time unwinds through the loader
    // into the checker's "local" report; nothing stays counted.
    eval_define("`(load[0,ff\\(hh\\hh)hh,hh\\1]+load[ff])");
    Report r = program_check();
    EXPECT_EQ(string_to_std(r.kind), "local");
    EXPECT_EQ(string_to_std(r.say), "Local variable a unbound in function ff.");
    eval_load("0");
    EXPECT_EQ(load_text("0,late\\1").value, "0");
}
