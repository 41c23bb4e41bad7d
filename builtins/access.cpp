// Memory accessors over the bytes of terms.
#include "access.h"

#include <algorithm>
#include <cstring>

#include "bits.h"
#include "bridge.h"
#include "integer.h"
#include "memory.h"
#include "post.h"
#include "views.h"
#include "zits.h"

namespace {

// Where a family's bytes lie in one container, found once per call.
struct AccessArea {
    u8* bytes = nullptr;
    i64 length = 0;
    bool in_leaf = true;   // false for a flattened data pair: writes go to a copy
    bool writable = true;  // false for a vector's slots
    i64 write_floor = 0;   // offsets below it are a post's length digits and ")"
    ZitsContent zits;
};

// What sets one family apart; the table below has one row per family.
struct AccessRules {
    char number_class;  // BRIDGE_INTEGER (checked) or BRIDGE_NUMBER (unchecked)
    bool checked;       // a negative offset counts from the end once
    bool in_place_always;
    bool keeps_balance;  // a write must keep the brackets of the bytes it replaces
    bool (*container)(const NodeRef& t);
    void (*area)(const NodeRef& t, AccessArea* out);
    NodeRef (*make_copy)(RtString bytes);  // the changed copy of a shared container
};

enum AccessFamily { REC, RED, REL, REM };

bool access_is_zits(const NodeRef& t) { return term_is_zits(noderef_copy(t)); }

bool access_is_leaf(const NodeRef& t) { return node_is_leaf(t.node); }

bool access_is_post(const NodeRef& t) { return node_lead_byte(t.node) == '('; }

void access_zits_area(const NodeRef& t, AccessArea* out) {
    zits_content_view(t.node, &out->zits);
    out->bytes = const_cast<u8*>(out->zits.bytes);
    out->length = out->zits.length;
    out->in_leaf = out->zits.in_leaf;
}

void access_post_area(const NodeRef& t, AccessArea* out) {
    out->bytes = const_cast<u8*>(post_node_payload(t.node, &out->length));
}

// Bytes 1 .. L - 1 of a leaf; the slots of a vector and the header of a
// post may be read but not written, since the node store reads them.
void access_leaf_area(const NodeRef& t, AccessArea* out) {
    out->bytes = leaf_bytes(t.node) + 1;
    out->length = std::max<i64>(leaf_node_byte_length(t.node) - 1, 0);
    u8 first = leaf_bytes(t.node)[0];
    if (first == 0x0A) out->writable = false;
    if (first == '(') {
        i64 payload;
        out->write_floor = leaf_post_close_index(t.node, &payload);  // text index 1 + o past ")"
    }
}

const AccessRules ACCESS_RULES[] = {
    /* REC */ {BRIDGE_INTEGER, true, false, true, access_is_zits, access_zits_area, zits_from_string},
    /* RED */ {BRIDGE_NUMBER, false, true, false, access_is_leaf, access_leaf_area, nullptr},
    /* REL */ {BRIDGE_INTEGER, true, false, false, access_is_post, access_post_area, post_make},
    /* REM */ {BRIDGE_NUMBER, false, true, false, access_is_post, access_post_area, nullptr},
};

// One accessor call: the application and a handle on each argument, held
// until the call returns. The container's handle is the accessor's own, so
// an unshared container is held exactly three times.
struct AccessCall {
    NodeRef app{nullptr};
    NodeRef arg[3]{nullptr, nullptr, nullptr};
    u64 word[3] = {};
};

// Takes the n arguments of app and tests them in order: the container, then
// the numbers by the family's class; converts the numbers when all pass.
bool access_take(AccessCall& call, NodeRef app, int n, const AccessRules& rules) {
    call.app = std::move(app);
    bridge_arguments(call.app, n, call.arg);
    if (!rules.container(call.arg[0])) return false;
    for (int k = 1; k < n; ++k)
        if (!bridge_test(rules.number_class, call.arg[k])) return false;
    for (int k = 1; k < n; ++k) {
        NodeRef arg = noderef_copy(call.arg[k]);
        call.word[k] = rules.number_class == BRIDGE_INTEGER ? u64(integer_to_i64(std::move(arg)))
                                                            : integer_to_u64(std::move(arg));
    }
    return true;
}

// The offset of a value of w bytes in an area of n bytes: the range rule
// for the checked families; the offset as it is, inside the area, for the
// others. Never forms offset + w.
bool access_offset(const AccessRules& rules, i64 n, int w, u64 word, i64* offset) {
    if (rules.checked) {
        *offset = i64(word);
        return memory_offset_in_range(n, w, offset);
    }
    if (n < w || word > u64(n - w)) return false;
    *offset = i64(word);
    return true;
}

// The sum of the bracket classes of the bytes: +1 for "[", -1 for "]".
i64 access_balance(const u8* bytes, int n) {
    i64 balance = 0;
    for (int k = 0; k < n; ++k) balance += (bytes[k] == '[') - (bytes[k] == ']');
    return balance;
}

// Takes the call's arguments, finds the container's area and places a value
// of w bytes in it; false at the first refusal.
bool access_locate(AccessCall& call, NodeRef app, int n, const AccessRules& rules, int w, AccessArea* area,
                   i64* offset) {
    if (!access_take(call, std::move(app), n, rules)) return false;
    rules.area(call.arg[0], area);
    return access_offset(rules, area->length, w, call.word[1], offset);
}

template <AccessFamily F, int W>
NodeRef access_read(NodeRef app) {
    AccessCall call;
    AccessArea area;
    i64 offset;
    if (!access_locate(call, std::move(app), 2, ACCESS_RULES[F], W, &area, &offset)) return bridge_error();
    return integer_make_leaf_u64(memory_load<W>(area.bytes + offset));
}

template <AccessFamily F, int W>
NodeRef access_write(NodeRef app) {
    const AccessRules& rules = ACCESS_RULES[F];
    AccessCall call;
    AccessArea area;
    i64 offset;
    if (!access_locate(call, std::move(app), 3, rules, W, &area, &offset)) return bridge_error();
    if (!area.writable || offset < area.write_floor) return bridge_error();
    u8 bytes[W];
    memory_store<W>(bytes, call.word[2]);
    // Tested before anything is written: a refused write changes nothing.
    if (rules.keeps_balance && access_balance(area.bytes + offset, W) != access_balance(bytes, W))
        return bridge_error();
    if (area.in_leaf && (rules.in_place_always || memory_container_unshared(call.arg[0]))) {
        std::memcpy(area.bytes + offset, bytes, W);
        return std::move(call.arg[0]);
    }
    RtString copy = string_from_bytes(area.bytes, area.length);
    std::memcpy(string_writable_bytes(copy) + offset, bytes, W);
    return rules.make_copy(std::move(copy));
}

}  // namespace

NodeRef builtin_rech(NodeRef app) { return access_read<REC, 1>(std::move(app)); }
NodeRef builtin_reci(NodeRef app) { return access_read<REC, 2>(std::move(app)); }
NodeRef builtin_recj(NodeRef app) { return access_read<REC, 4>(std::move(app)); }
NodeRef builtin_reck(NodeRef app) { return access_read<REC, 8>(std::move(app)); }
NodeRef builtin_recl(NodeRef app) { return access_write<REC, 1>(std::move(app)); }
NodeRef builtin_recm(NodeRef app) { return access_write<REC, 2>(std::move(app)); }
NodeRef builtin_recn(NodeRef app) { return access_write<REC, 4>(std::move(app)); }
NodeRef builtin_reco(NodeRef app) { return access_write<REC, 8>(std::move(app)); }

NodeRef builtin_redh(NodeRef app) { return access_read<RED, 1>(std::move(app)); }
NodeRef builtin_redi(NodeRef app) { return access_read<RED, 2>(std::move(app)); }
NodeRef builtin_redj(NodeRef app) { return access_read<RED, 4>(std::move(app)); }
NodeRef builtin_redk(NodeRef app) { return access_read<RED, 8>(std::move(app)); }
NodeRef builtin_redl(NodeRef app) { return access_write<RED, 1>(std::move(app)); }
NodeRef builtin_redm(NodeRef app) { return access_write<RED, 2>(std::move(app)); }
NodeRef builtin_redn(NodeRef app) { return access_write<RED, 4>(std::move(app)); }
NodeRef builtin_redo(NodeRef app) { return access_write<RED, 8>(std::move(app)); }

NodeRef builtin_relh(NodeRef app) { return access_read<REL, 1>(std::move(app)); }
NodeRef builtin_reli(NodeRef app) { return access_read<REL, 2>(std::move(app)); }
NodeRef builtin_relj(NodeRef app) { return access_read<REL, 4>(std::move(app)); }
NodeRef builtin_relk(NodeRef app) { return access_read<REL, 8>(std::move(app)); }
NodeRef builtin_rell(NodeRef app) { return access_write<REL, 1>(std::move(app)); }
NodeRef builtin_relm(NodeRef app) { return access_write<REL, 2>(std::move(app)); }
NodeRef builtin_reln(NodeRef app) { return access_write<REL, 4>(std::move(app)); }
NodeRef builtin_relo(NodeRef app) { return access_write<REL, 8>(std::move(app)); }

NodeRef builtin_remh(NodeRef app) { return access_read<REM, 1>(std::move(app)); }
NodeRef builtin_remi(NodeRef app) { return access_read<REM, 2>(std::move(app)); }
NodeRef builtin_remj(NodeRef app) { return access_read<REM, 4>(std::move(app)); }
NodeRef builtin_remk(NodeRef app) { return access_read<REM, 8>(std::move(app)); }
NodeRef builtin_reml(NodeRef app) { return access_write<REM, 1>(std::move(app)); }
NodeRef builtin_remm(NodeRef app) { return access_write<REM, 2>(std::move(app)); }
NodeRef builtin_remn(NodeRef app) { return access_write<REM, 4>(std::move(app)); }
NodeRef builtin_remo(NodeRef app) { return access_write<REM, 8>(std::move(app)); }
