// One process-wide table of host function pointers per deliverable, one field
// per host function, named after it. Fields the host does not export stay
// null; callers must check a field before calling through it.
#pragma once

#include "frame/host_api.h"
#include "frame/module_lookup.h"

#include <initializer_list>

namespace tl {

using UntypedHostFunction = void (*)();

// Pick a deliverable's column from the membership flags.
#define TL_SEL_N(n, m, g, l) n
#define TL_SEL_M(n, m, g, l) m
#define TL_SEL_G(n, m, g, l) g
#define TL_SEL_L(n, m, g, l) l

#define TL_FIELD(flag, typed, name, ret, params) TL_FIELD_I(flag, typed, name, ret, params)
#define TL_FIELD_I(flag, typed, name, ret, params) TL_FIELD_##flag##_##typed(name, ret, params)
#define TL_FIELD_1_1(name, ret, params) ret(*name) params = nullptr;
#define TL_FIELD_1_0(name, ret, params) UntypedHostFunction name = nullptr;
#define TL_FIELD_0_1(name, ret, params)
#define TL_FIELD_0_0(name, ret, params)

#define TL_COUNT(flag) TL_COUNT_I(flag)
#define TL_COUNT_I(flag) +flag

#define TL_HOST_TABLE(Type, SEL)                                                                   \
    struct Type {                                                                                  \
        TALVORA_HOST_FUNCTIONS(TL_HOST_TABLE_FIELD_##SEL)                                          \
        static constexpr int kNrOfFunctions = 0 TALVORA_HOST_FUNCTIONS(TL_HOST_TABLE_COUNT_##SEL); \
    };

#define TL_HOST_TABLE_FIELD_N(name, n, m, g, l, typed, ret, params) TL_FIELD(n, typed, name, ret, params)
#define TL_HOST_TABLE_FIELD_M(name, n, m, g, l, typed, ret, params) TL_FIELD(m, typed, name, ret, params)
#define TL_HOST_TABLE_FIELD_G(name, n, m, g, l, typed, ret, params) TL_FIELD(g, typed, name, ret, params)
#define TL_HOST_TABLE_FIELD_L(name, n, m, g, l, typed, ret, params) TL_FIELD(l, typed, name, ret, params)
#define TL_HOST_TABLE_COUNT_N(name, n, m, g, l, typed, ret, params) TL_COUNT(n)
#define TL_HOST_TABLE_COUNT_M(name, n, m, g, l, typed, ret, params) TL_COUNT(m)
#define TL_HOST_TABLE_COUNT_G(name, n, m, g, l, typed, ret, params) TL_COUNT(g)
#define TL_HOST_TABLE_COUNT_L(name, n, m, g, l, typed, ret, params) TL_COUNT(l)

TL_HOST_TABLE(NodoraHostTable, N)
TL_HOST_TABLE(MirelHostTable, M)
TL_HOST_TABLE(CausalisHostTable, G)
TL_HOST_TABLE(LatmapHostTable, L)

// The first loaded host module answering to one of `names`, in order.
platform::ModuleHandle findHostModule(std::initializer_list<const char*> names);

// Number of non-null fields of a table (every field is one pointer).
template <class Table>
int countBound(const Table& table) {
    static_assert(sizeof(Table) == sizeof(void*) * Table::kNrOfFunctions,
                  "a host table holds exactly one pointer per host function");
    const auto* fields = reinterpret_cast<void* const*>(&table);
    int n = 0;
    for (int i = 0; i < Table::kNrOfFunctions; ++i) n += fields[i] != nullptr;
    return n;
}

// Fill every field of `table` that `SEL` selects from `module`, in family order.
#define TL_BIND(flag, table, module, name) TL_BIND_I(flag, table, module, name)
#define TL_BIND_I(flag, table, module, name) TL_BIND_##flag(table, module, name)
#define TL_BIND_1(table, module, name) \
    table.name = reinterpret_cast<decltype(table.name)>(::tl::platform::GetProcAddress(module, #name));
#define TL_BIND_0(table, module, name)
#define TL_BIND_ONE_N(name, n, m, g, l, typed, ret, params) TL_BIND(n, table, module, name)
#define TL_BIND_ONE_M(name, n, m, g, l, typed, ret, params) TL_BIND(m, table, module, name)
#define TL_BIND_ONE_G(name, n, m, g, l, typed, ret, params) TL_BIND(g, table, module, name)
#define TL_BIND_ONE_L(name, n, m, g, l, typed, ret, params) TL_BIND(l, table, module, name)

// Defines a deliverable's table `global` and its binding function: find the
// first host module of the given names, look up the mandatory version
// function, then every other name in family order, each stored as it comes.
#define TL_DEFINE_HOST_TABLE_BINDING(Type, global, bindFunction, SEL, versionFunction, ...) \
    Type global;                                                                            \
    bool bindFunction() {                                                                   \
        platform::ModuleHandle module = findHostModule({__VA_ARGS__});                      \
        if (!module) return false;                                                          \
        Type& table = global;                                                               \
        table = Type{};                                                                     \
        TL_BIND_1(table, module, versionFunction)                                           \
        if (!table.versionFunction) return false;                                           \
        TALVORA_HOST_FUNCTIONS(TL_BIND_ONE_##SEL)                                           \
        return true;                                                                        \
    }

}  // namespace tl
