// What can go wrong in the registry's rows and the families behind them: a
// name entered twice, an implementation filed under two names by mistake, or
// a class string that is malformed or does not match the arity the name is
// registered with (the builtin would then read arguments it was never given).
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "builtin_classes.h"
#include "registry.h"
#include "source.h"

namespace {

TEST(HostRegistry, EveryNameIsRegisteredOnceWithItsRow) {
    std::set<std::string> seen;
    BuiltinTable& table = builtin_registry();
    for (const BuiltinSpec& spec : BUILTIN_SPECS) {
        EXPECT_TRUE(seen.insert(spec.name).second) << spec.name << " has two rows";
        auto it = map_builtins_find(table, string_from_cstr(spec.name));
        ASSERT_NE(it, table.end()) << spec.name;
        EXPECT_EQ(it->second.arity, spec.arity) << spec.name;
        EXPECT_EQ(it->second.fn, spec.fn) << spec.name;
    }
    EXPECT_EQ(table.size(), seen.size());
}

TEST(HostRegistry, OnlyTheThreeKnownPairsShareAnImplementation) {
    std::map<BuiltinFn, std::set<std::string>> names_of;
    for (const BuiltinSpec& spec : BUILTIN_SPECS) names_of[spec.fn].insert(spec.name);
    std::set<std::set<std::string>> shared;
    for (const auto& [fn, names] : names_of)
        if (names.size() > 1) shared.insert(names);
    std::set<std::set<std::string>> expected = {
        {"atoi", "atol"}, {"memcpy", "memmove"}, {"ai_passive", "sock_stream"}};
    EXPECT_EQ(shared, expected);
}

// Every builtin that takes its arguments through the bridge names one
// well-formed class per argument of its registered arity.
TEST(HostRegistry, ClassStringsMatchTheArities) {
    prelude_load();
    int bridged = 0;
    for (const BuiltinSpec& spec : BUILTIN_SPECS) {
        std::string classes;
        if (!builtin_classes_probe(spec.fn, spec.arity, &classes)) continue;
        ++bridged;
        EXPECT_TRUE(builtin_classes_well_formed(classes)) << spec.name << ": \"" << classes << "\"";
        EXPECT_EQ(classes.size(), size_t(spec.arity)) << spec.name << ": \"" << classes << "\"";
    }
    // The host library and the sockets, less assert and the host's constants
    // of arity 0, and the raw-memory accessors: 159. A family that stopped
    // taking its arguments through the bridge shows here.
    EXPECT_GE(bridged, 150);
}

}  // namespace
