// Reading program files and loading the prelude.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "registry.h"
#include "source.h"
#include "tables.h"

namespace {

std::string shape(const NodeRef& t) {
    if (!node_is_pair(t)) return string_to_std(node_text(t));
    std::string out(1, '(');  // appended: "(" + ... trips a false -Wrestrict at -O3
    out += shape(node_left(t));
    out += ' ';
    out += shape(node_right(t));
    return out + ')';
}

std::string defined(const char* key) {
    DefsMap& defs = definitions_instance();
    auto it = map_find(defs, string_from_cstr(key));
    return it == defs.end() ? "<none>" : shape(it->second);
}

// A file in the temporary folder holding exactly the given bytes.
class SourceFile : public ::testing::Test {
protected:
    std::string path;
    void SetUp() override {
        char name[] = "/tmp/vorn_source_test_XXXXXX";
        int fd = mkstemp(name);
        ASSERT_GE(fd, 0);
        close(fd);
        path = name;
    }
    void TearDown() override { std::remove(path.c_str()); }
    std::string read_back(const std::string& bytes) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        return string_to_std(file_read_text(string_from_std(path)));
    }
};

}  // namespace

TEST_F(SourceFile, ReadsEveryByteUntranslated) {
    EXPECT_EQ(read_back(""), "");
    std::string odd("a\r\n\0b\r\xff", 7);
    EXPECT_EQ(read_back(odd), odd);
    for (size_t n : {4095u, 4096u, 8191u, 100000u}) {
        std::string bytes(n, 'x');
        for (size_t i = 0; i < n; i += 97) bytes[i] = char(i);
        EXPECT_EQ(read_back(bytes), bytes) << n;
    }
}

TEST(Prelude, TextIsExact) {
    EXPECT_EQ(std::strlen(PRELUDE_TEXT), size_t(PRELUDE_LENGTH));
    EXPECT_EQ(std::string(PRELUDE_TEXT).substr(0, 14), ",A\\a\\aS BKK,B\\");
    EXPECT_NE(std::string(PRELUDE_TEXT).find(",[!]\\p\\   p H K,"), std::string::npos);
    EXPECT_EQ(std::string(PRELUDE_TEXT).substr(PRELUDE_LENGTH - 11), "[\"]\\I,[,]\\I");
}

TEST(Prelude, LoadsFiftyTwoDefinitions) {
    prelude_load();
    DefsMap& defs = definitions_instance();
    std::string keys;
    for (const auto& [key, term] : defs) keys += string_to_std(key);
    EXPECT_EQ(keys, "!\"#$%&'*+,-./:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ\\^`{|~");
    EXPECT_EQ(defs.size(), 52u);

    struct Case {
        const char* key;
        const char* term;
    } cases[] = {
        {"+", "plus"},
        {"~", "wave"},
        {"!", "((\\ p) ((p H) K))"},
        {"A", "((\\ a) ((a S) ((B K) K)))"},
        {"G", "((\\ a) ((V Z) ((((B W) (B C)) ((D D) V)) (V (X J)))))"},
        {"U", "((\\ a) ((\\ b) ((\\ c) ((\\ d) ((\\ e) ((e ((V a) b)) ((V c) d)))))))"},
        {"Y", "((\\ a) ((\\ b) ((a (Y a)) b)))"},
        {"Z", "((\\ a) Z)"},
        {"\\", "((\\ a) ((\\ b) ((\\ c) Z)))"},
        {"`", "((\\ a) Z)"},
        {".", "T"},
        {",", "I"},
        {"\"", "I"},
    };
    for (auto c : cases) EXPECT_EQ(defined(c.key), c.term) << c.key;

    EXPECT_TRUE(wrapped_names().empty());
    EXPECT_EQ(builtin_registry().size(), 255u);
    DefsMap& snapshot = prelude_snapshot();
    ASSERT_EQ(snapshot.size(), 52u);
    for (const auto& [key, term] : snapshot) {
        auto it = map_find(defs, string_copy(key));
        ASSERT_NE(it, defs.end());
        EXPECT_EQ(it->second.node, term.node) << string_to_std(key);  // shared, not copied
    }
}

TEST(Prelude, LoadingAgainResetsTheTables) {
    prelude_load();
    map_defs_get_or_insert(definitions_instance(), string_from_cstr("extra")) = noderef_from_cstr("7");
    map_defs_get_or_insert(definitions_instance(), string_from_cstr("A")) = noderef_from_cstr("7");
    set_names_insert(wrapped_names(), string_from_cstr("extra"));
    map_builtins_free_nodes(builtin_registry());
    map_builtins_get_or_insert(builtin_registry(), string_from_cstr("plus")).arity = 5;

    prelude_load();
    EXPECT_EQ(definitions_instance().size(), 52u);
    EXPECT_EQ(defined("A"), "((\\ a) ((a S) ((B K) K)))");
    EXPECT_EQ(defined("extra"), "<none>");
    EXPECT_TRUE(wrapped_names().empty());
    EXPECT_EQ(prelude_snapshot().size(), 52u);
    EXPECT_EQ(builtin_registry().size(), 255u);
    EXPECT_EQ(map_builtins_find(builtin_registry(), string_from_cstr("plus"))->second.arity, 2);
}

TEST(Prelude, SnapshotKeepsPreludeTerms) {
    prelude_load();
    map_defs_get_or_insert(definitions_instance(), string_from_cstr("K")) = noderef_from_cstr("7");
    auto it = map_find(prelude_snapshot(), string_from_cstr("K"));
    ASSERT_NE(it, prelude_snapshot().end());
    EXPECT_EQ(shape(it->second), "((\\ a) ((\\ b) a))");
}
