// Prints one line per builtin of the registry, in the registry's order:
//   name TAB arity TAB classes
// where classes is "=" followed by the class letters the builtin hands to
// the bridge ("=" alone for none), or "-" when it does not take its
// arguments through the bridge. tests/reference/builtins_doc reads it.
#include <cstdio>
#include <string>

#include "builtin_classes.h"
#include "registry.h"
#include "source.h"

int main() {
    prelude_load();
    for (const BuiltinSpec& spec : BUILTIN_SPECS) {
        std::string classes;
        bool bridged = builtin_classes_probe(spec.fn, spec.arity, &classes);
        std::printf("%s\t%d\t%s\n", spec.name, int(spec.arity), bridged ? ("=" + classes).c_str() : "-");
    }
    return 0;
}
