// Program files and the prelude.
#include "source.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "errno_guard.h"
#include "names.h"
#include "node.h"
#include "normalize.h"
#include "parse.h"
#include "registry.h"
#include "tables.h"

// The definition of '!' keeps three blanks after its second backslash, which
// normalisation removes; U's comma lies inside parentheses.
const char PRELUDE_TEXT[] =
    ",A\\a\\aS BKK,B\\a\\b\\c\\a b(c),C\\a\\b\\c\\a c b,D\\a\\b\\c\\d\\a b c(d)"
    ",E\\a\\b\\c\\d\\e\\a b c(d)e,F\\a\\b\\Vb a,G\\a\\VZ(BW BC DDV V(XJ))"
    ",H\\a\\I,I\\a\\a,J\\a\\b\\c\\Va b,K\\a\\b\\a,L\\a\\aK K(KH),M\\a\\a a,N\\a\\K"
    ",O\\a\\b\\b a(b),P\\a\\a XS I,Q\\a\\aZK,R\\a\\aZH"
    ",U\\a\\b\\c\\d\\e\\e(Va b,Vc d),S\\a\\b\\c\\a c b(c),T\\a\\b\\b a"
    ",V\\a\\b\\c\\c a b,W\\a\\b\\a b b,Z\\a\\Z,X\\a\\b\\c\\d\\Vb a(d)c"
    ",Y\\a\\b\\a Ya b,[\\]\\a\\b\\c\\Z,[{]\\a\\b\\c\\Z,[`]\\a\\Z,[!]\\p\\   p H K"
    ",[&]\\q\\r\\q r H,[|]\\q\\r\\q K r,[+]\\plus,[-]\\dash,[*]\\mult"
    ",[/]\\over,[%]\\cent,[^]\\powa,[<]\\less,[>]\\gteq,[=]\\same"
    ",[#]\\diff,[$]\\buck,[~]\\wave,[.]\\T,[@]\\T,[:]\\I,[?]\\I,[;]\\I"
    ",[']\\I,[\"]\\I,[,]\\I";

RtString file_read_text(RtString path) {
    ErrnoGuard keep;  // the program starts with the errno it would have had
    std::FILE* file = std::fopen(string_cstr(path), "r");
    VORN_ASSERT(file != nullptr);
    // One buffer grown by doubling: appending chunk by chunk to a string
    // would copy the text read so far at every chunk.
    i64 capacity = 4096, length = 0;
    u8* text = static_cast<u8*>(std::malloc(size_t(capacity)));
    VORN_ASSERT(text != nullptr);
    u8 chunk[4096];
    for (;;) {
        size_t n = std::fread(chunk, 1, 4095, file);
        if (n == 0) break;  // end of file or error: the two are not told apart
        if (length + i64(n) > capacity) {
            capacity *= 2;
            text = static_cast<u8*>(std::realloc(text, size_t(capacity)));
            VORN_ASSERT(text != nullptr);
        }
        std::memcpy(text + length, chunk, n);
        length += i64(n);
    }
    VORN_ASSERT(std::fclose(file) == 0);
    RtString result = string_from_bytes(text, length);
    std::free(text);
    return result;
}

void globals_reset() {
    map_defs_free_nodes(definitions_instance());
    set_names_free_nodes(wrapped_names());
    map_builtins_free_nodes(builtin_registry());  // the registry fills it first
    map_defs_free_nodes(prelude_snapshot());
}

void prelude_load() {
    globals_reset();
    builtin_registry();
    RtString text = source_normalize_space(string_from_bytes(PRELUDE_TEXT, PRELUDE_LENGTH));
    PositionList commas = text_find_top_level(string_copy(text), ",");
    DefsMap& definitions = definitions_instance();
    while (!list_is_empty(commas)) {
        // Each piece is HEAD\BODY, parsed as ((\ HEAD) BODY).
        NodeRef term = parse_expression(operand_pop_next(commas, string_copy(text)));
        NodeRef head = node_right(node_left(term));
        RtString key = name_normalize(node_text(head));
        map_defs_get_or_insert(definitions, key) = node_right(term);
    }
    prelude_snapshot() = map_defs_clone_nodes(definitions);
}
