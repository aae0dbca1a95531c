// A plug-in's one way to the host: binds what its descriptor declares and
// offers each host function as a required call (throws when the host lacks
// it), an optional call (null when the host lacks it) or a text read into a
// buffer of the right size. How a plug-in meets a missing function is its
// own choice; this layer only says which functions are there.
#pragma once

#include "frame/deliverable.h"

#include <cassert>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

namespace tl {

// Thrown by HostAccess::required: "the host does not offer <name>".
class MissingHostFunction : public std::runtime_error {
public:
    explicit MissingHostFunction(const char* name)
        : std::runtime_error(std::string("the host does not offer ") + name) {}
};

class HostAccess {
public:
    explicit HostAccess(const Deliverable& deliverable) : deliverable_(deliverable) {}
    HostAccess(const HostAccess&) = delete;
    HostAccess& operator=(const HostAccess&) = delete;

    const Deliverable& deliverable() const { return deliverable_; }

    // Finds the first loaded host module of the deliverable's names, looks
    // up its version function, then every other host function and extension
    // the descriptor declares, in family order. False (and an empty table)
    // when no host module is loaded or it lacks the version function.
    // Also points the frame's file writer at the host's outcome extension.
    bool bind();

    // The version gate: reads the host's version; when it is below the
    // descriptor's minimum, shows the descriptor's message (when the host
    // has a message box) and returns false. Needs a successful bind().
    bool versionAccepted() const;

    // The first of `functions` that the host does not export, or nullptr.
    // A start-up check: a function the descriptor does not declare counts
    // as missing, since it is never bound.
    const char* firstMissing(std::initializer_list<HostFunction> functions) const;

    bool offers(HostFunction function) const { return isBound(table_, function); }

    // The function, or null when the host does not export it.
    template <HostFunction F>
    typename HostFunctionField<F>::Type optional() const {
        assert(deliverable_.calls(F) && "the descriptor does not declare this host function");
        return HostFunctionField<F>::get(table_);
    }

    // The function; throws MissingHostFunction when the host does not export it.
    template <HostFunction F>
    typename HostFunctionField<F>::Type required() const {
        auto function = optional<F>();
        if (!function) throw MissingHostFunction(HostFunctionField<F>::kName);
        return function;
    }

    // Text reading: F(args..., buffer) with a zeroed buffer of `capacity`
    // bytes; the text ends at its first zero, at the latest before the
    // buffer's last byte.
    // readText: empty when the host lacks F; F's result is not looked at.
    template <HostFunction F, class... Args>
    std::string readText(std::size_t capacity, Args... args) const {
        std::string text;
        if (auto function = optional<F>()) callInto(function, text, capacity, args...);
        return text;
    }
    // readRequiredText: throws MissingHostFunction when the host lacks F.
    template <HostFunction F, class... Args>
    std::string readRequiredText(std::size_t capacity, Args... args) const {
        std::string text;
        callInto(required<F>(), text, capacity, args...);
        return text;
    }
    // readAnswer: false when the host lacks F or F returns 0 (a cancelled
    // dialog); `text` is then left as it was.
    template <HostFunction F, class... Args>
    bool readAnswer(std::string& text, std::size_t capacity, Args... args) const {
        auto function = optional<F>();
        if (!function) return false;
        std::string answer;
        if (!callInto(function, answer, capacity, args...)) return false;
        text = answer;
        return true;
    }

    // The extensions, null unless the descriptor declares them and the
    // host exports them.
    decltype(HostTable::talvoraFixedClock) fixedClock() const { return table_.talvoraFixedClock; }
    decltype(HostTable::talvoraNoteFileOutcome) noteFileOutcome() const {
        return table_.talvoraNoteFileOutcome;
    }

    // The bound table; tests fill it with their own functions.
    HostTable& table() { return table_; }
    const HostTable& table() const { return table_; }

private:
    // Calls `function` with a fresh buffer last; true unless it returned 0.
    template <class Function, class... Args>
    static bool callInto(Function function, std::string& text, std::size_t capacity, Args... args) {
        std::vector<char> buffer(capacity == 0 ? 1 : capacity, '\0');
        bool answered = true;
        if constexpr (std::is_void_v<decltype(function(args..., buffer.data()))>)
            function(args..., buffer.data());
        else
            answered = function(args..., buffer.data()) != 0;
        text = textOf(buffer);
        return answered;
    }
    static std::string textOf(const std::vector<char>& buffer);

    const Deliverable& deliverable_;
    HostTable table_;
};

}  // namespace tl
