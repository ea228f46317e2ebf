#pragma once

// The pattern syntax ("#-#5 -#-2"), shared by the command language and the composition reader.
// The rules carry no state; the actions below fill any state with `steps`, `stepOn` and
// `stepPitch` members, so another grammar can reuse both.

#include "sequencer/Step.h"

#include <tao/pegtl.hpp>

#include <charconv>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zaffo::pattern_grammar {

namespace pegtl = tao::pegtl;

// A "-" right after "#" belongs to the hit only when a digit follows: "#-2" is one hit,
// "#-" a hit and a rest.
struct pitch : pegtl::seq<pegtl::opt<pegtl::one<'-'>>, pegtl::plus<pegtl::digit>> {};
struct hit : pegtl::seq<pegtl::one<'#'>, pegtl::opt<pitch>> {};
struct rest : pegtl::one<'-'> {};
struct step : pegtl::sor<hit, rest> {};
struct pattern : pegtl::seq<pegtl::plus<step>, pegtl::star<pegtl::one<' '>, pegtl::plus<step>>> {};

// The decimal value of a matched integer, or a parse error naming it when it does not fit.
template <typename ActionInput>
int32_t toInt32(const ActionInput& in) {
    const std::string_view text = in.string_view();
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        throw pegtl::parse_error("number too large: " + std::string(text), in);
    }
    return value;
}

template <typename Rule>
struct action : pegtl::nothing<Rule> {};

template <>
struct action<pitch> {
    template <typename ActionInput, typename State>
    static void apply(const ActionInput& in, State& state) {
        state.stepPitch = toInt32(in);
    }
};

template <>
struct action<hit> {
    template <typename ActionInput, typename State>
    static void apply(const ActionInput&, State& state) {
        state.stepOn = true;
    }
};

template <>
struct action<rest> {
    template <typename ActionInput, typename State>
    static void apply(const ActionInput&, State& state) {
        state.stepOn = false;
    }
};

template <>
struct action<step> {
    template <typename ActionInput, typename State>
    static void apply(const ActionInput&, State& state) {
        state.steps.push_back(Step{state.stepOn, state.stepPitch});
        state.stepPitch = 0;
    }
};

// Reads the pattern at the start of `text` (anything after it is ignored) into `steps`.
// Returns false, leaving `steps` alone, when the text does not start with a pattern.
// Throws pegtl::parse_error when a pitch does not fit in 32 bits.
bool readPattern(std::string_view text, std::vector<Step>& steps);

}  // namespace zaffo::pattern_grammar
