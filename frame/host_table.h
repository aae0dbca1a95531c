// The host functions as data: an id per function, a set of ids (what a
// deliverable binds), and one table of pointers with a field per function,
// named after it. Fields the host does not export stay null.
#pragma once

#include "frame/host_api.h"

#include <cstddef>
#include <cstdint>

namespace tl {

using UntypedHostFunction = void (*)();

// One id per host function, in family (binding) order.
enum class HostFunction : int {
#define TL_HOST_FUNCTION_ID(name, typed, ret, params) name,
    TALVORA_HOST_FUNCTIONS(TL_HOST_FUNCTION_ID)
#undef TL_HOST_FUNCTION_ID
};

constexpr int kNrOfHostFunctions = 0
#define TL_HOST_FUNCTION_ONE(name, typed, ret, params) +1
    TALVORA_HOST_FUNCTIONS(TL_HOST_FUNCTION_ONE)
#undef TL_HOST_FUNCTION_ONE
    ;

// The exported name of a host function.
const char* hostFunctionName(HostFunction function);

// A set of host functions, usable in constant expressions.
class HostFunctionSet {
public:
    static constexpr HostFunctionSet all() {
        HostFunctionSet set;
        for (int i = 0; i < kNrOfHostFunctions; ++i) set.put(i, true);
        return set;
    }
    constexpr HostFunctionSet without(HostFunction function) const {
        HostFunctionSet set = *this;
        set.put(static_cast<int>(function), false);
        return set;
    }
    // Removes `first` ... `last` inclusive, in family order.
    constexpr HostFunctionSet withoutRange(HostFunction first, HostFunction last) const {
        HostFunctionSet set = *this;
        for (int i = static_cast<int>(first); i <= static_cast<int>(last); ++i) set.put(i, false);
        return set;
    }
    constexpr bool contains(HostFunction function) const { return has(static_cast<int>(function)); }
    constexpr bool has(int index) const {
        return index >= 0 && index < kNrOfHostFunctions && ((words_[index / 64] >> (index % 64)) & 1u) != 0;
    }
    constexpr int count() const {
        int n = 0;
        for (int i = 0; i < kNrOfHostFunctions; ++i) n += has(i) ? 1 : 0;
        return n;
    }

private:
    constexpr void put(int index, bool on) {
        const std::uint64_t bit = std::uint64_t{1} << (index % 64);
        words_[index / 64] = on ? (words_[index / 64] | bit) : (words_[index / 64] & ~bit);
    }
    std::uint64_t words_[(kNrOfHostFunctions + 63) / 64] = {};
};

// The optional functions of the stand-in host.
enum class HostExtension : unsigned {
    NoteFileOutcome = 1u << 0,  // talvoraNoteFileOutcome
    FixedClock = 1u << 1,       // talvoraFixedClock
};
constexpr unsigned operator|(HostExtension a, HostExtension b) {
    return static_cast<unsigned>(a) | static_cast<unsigned>(b);
}

// One field per host function, then one per extension. Functions no
// plug-in calls are untyped. Every field is one pointer.
struct HostTable {
#define TL_HOST_FIELD(name, typed, ret, params) TL_HOST_FIELD_##typed(name, ret, params)
#define TL_HOST_FIELD_1(name, ret, params) ret(*name) params = nullptr;
#define TL_HOST_FIELD_0(name, ret, params) UntypedHostFunction name = nullptr;
    TALVORA_HOST_FUNCTIONS(TL_HOST_FIELD)
#undef TL_HOST_FIELD_0
#undef TL_HOST_FIELD_1
#undef TL_HOST_FIELD
#define TL_HOST_EXTENSION_FIELD(name, ret, params) ret(*name) params = nullptr;
    TALVORA_HOST_EXTENSIONS(TL_HOST_EXTENSION_FIELD)
#undef TL_HOST_EXTENSION_FIELD
};

// Stores `address` in the field of `function`; the one place that turns an
// untyped address into a typed field.
void storeHostFunction(HostTable& table, HostFunction function, void* address);
// Whether the field of `function` is bound.
bool isBound(const HostTable& table, HostFunction function);

// The typed field of a host function that plug-ins call.
template <HostFunction F>
struct HostFunctionField;
#define TL_HOST_TRAITS(name, typed, ret, params) TL_HOST_TRAITS_##typed(name, ret, params)
#define TL_HOST_TRAITS_0(name, ret, params)
#define TL_HOST_TRAITS_1(name, ret, params)                            \
    template <>                                                        \
    struct HostFunctionField<HostFunction::name> {                     \
        using Type = ret(*) params;                                    \
        static constexpr const char* kName = #name;                    \
        static Type get(const HostTable& table) { return table.name; } \
    };
TALVORA_HOST_FUNCTIONS(TL_HOST_TRAITS)
#undef TL_HOST_TRAITS_1
#undef TL_HOST_TRAITS_0
#undef TL_HOST_TRAITS

}  // namespace tl
