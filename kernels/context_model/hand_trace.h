// A model traced by hand, for the tests of the model and of whatever reports on it: "abab" and
// then the end-of-input symbol, each coded with encode_symbol(symbol, 0) on a fresh model with the
// initial parameters. Not installed.
#ifndef KERNELS_CONTEXT_MODEL_HAND_TRACE_H_
#define KERNELS_CONTEXT_MODEL_HAND_TRACE_H_

#include <array>
#include <string_view>

namespace kernels::context_model::hand_trace {

// The text, coded byte by byte before the end of input.
inline constexpr std::string_view kAbabText = "abab";

// The arithmetic_encode calls, in order: cumLow, cumHigh, total.
inline constexpr std::array<std::array<int, 3>, 8> kAbabCoderCalls = {{{97, 98, 257},
                                                                       {0, 1, 2},
                                                                       {97, 98, 256},
                                                                       {3, 4, 4},
                                                                       {1, 2, 2},
                                                                       {0, 1, 2},
                                                                       {0, 2, 3},
                                                                       {254, 255, 255}}};

// Trie nodes 1 to trieFree - 1 afterwards: firstSymbol, count, escapeCount, lastSymbol.
inline constexpr std::array<std::array<int, 4>, 4> kAbabNodes = {
    {{8, 6, 3, 256}, {3, 3, 1, 98}, {6, 3, 2, 256}, {7, 1, 2, 256}}};

// Symbols entries 1 to symbolsFree - 1 afterwards: child, next, symbol.
inline constexpr std::array<std::array<int, 3>, 8> kAbabEntries = {{{2, 0, 97},
                                                                    {4, 1, 98},
                                                                    {3, 0, 98},
                                                                    {-3, 0, 97},
                                                                    {-3, 0, 97},
                                                                    {-5, 4, 256},
                                                                    {-5, 5, 256},
                                                                    {-5, 2, 256}}};

// inputPos afterwards: one per symbol, the end of input included.
inline constexpr int kAbabInputPos = 5;

}  // namespace kernels::context_model::hand_trace

#endif  // KERNELS_CONTEXT_MODEL_HAND_TRACE_H_
