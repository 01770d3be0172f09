// A context model over an input buffer: each symbol is predicted from the contexts of the
// preceding 0, 1, 2, ... symbols (a list of active contexts), whose statistics live in a trie of
// counts. A symbol is coded in the longest context that has seen it, after escapes with exclusion
// from the longer ones; a symbol no context has seen is coded in the order -1 context, where every
// symbol 0 to 256 counts 1. After each symbol every active context is updated and moved one
// symbol deeper.
//
// Symbols: 0 to 255 are bytes, 256 is the end-of-input symbol, 257 stands for an escape in the
// counting operations. Index 0 means "none" in all three tables (Context, Symbols, Trie); trie node
// 1 is the root. All state is namespace-scope data; nothing is reentrant and nothing allocates.
//
// Calling order: init_arguments (if parameters are to be bounded), init_symbols, on the encoding
// side loadInput, then startInput, then one encode_symbol (or decode_symbol) per symbol.
//
// The entry operations come first, then the named steps they are built from, then the exposed
// state (parameters, tables, free lists, coder state, the input buffer), which tests, digests and
// fuzz targets read by these names. Helpers of the model's own files are in internal.h.
#ifndef KERNELS_CONTEXT_MODEL_CONTEXT_MODEL_H_
#define KERNELS_CONTEXT_MODEL_CONTEXT_MODEL_H_

#include <cstdint>

namespace kernels::context_model {

// =============================================================================================
// Operations
// =============================================================================================

// ---------------------------------------------------------------------------------------------
// Entry operations: set-up, coding a symbol, the input buffer.
// ---------------------------------------------------------------------------------------------

// Sets debugLevel to 0, then, for each argument position argStart + k (k = 1 .. 9) that is present
// (argStart + k <= argc), applies that position's bound, stopping at the first absent one:
//   k = 1: max_order below -1 becomes -1;  k = 2, 3, 4: nothing;
//   k = 5 .. 8: tcount_init, tescape_init, tcount_incr, tescape_incr of 0 or less become 1;
//   k = 9: max_total_count above 16383 becomes 16383, else 257 or less becomes 258.
// argv is never read: argument texts do not set parameters. Calling it again applies the same
// bounds again. The position counter wraps at 32 bits, as the model's integers do.
void init_arguments(int argc, char** argv, int argStart);

// initContext, then contextLength = 0 (so that a repeated initialisation gives exactly the fresh
// model of the first one), initSymbols and initTrie; the shortage record is cleared.
void init_symbols();

// The end-of-input symbol, the one past the bytes.
int eof_symbol();

// Codes symbol and updates the model: startContext, predict, encode_context, update (with dump
// calls at debugLevel > 1 and > 2). With skipCoding nonzero no interval reaches the coder, but the
// model changes exactly as with 0. A symbol outside 0..256 is ignored (the call does nothing): the
// exclusion arrays have no element for it.
void encode_symbol(int symbol, int skipCoding);

// Decodes one symbol (startContext, predict, decode_context), stores its low 8 bits in Input at
// inputPos (a position outside Input is not stored: the shortage is recorded), updates the model
// and returns the symbol (0..256).
int decode_symbol();

// dumpRoot with the shared block.
void report_model();

// The value of preload_limit (initially -1).
int preloadInput();

// Stores the byte 1 from position pos up to limit (at least one position, pos itself), sets
// inputLen to the end and returns it. A limit of 0 or less has no end: the buffer is filled to its
// end (inputLen = kInputSize). Positions outside Input (negative, or from kInputSize on) are not
// stored and the end is clamped to kInputSize, so loadInput never stores outside the buffer.
// Positions below pos keep what they held. The stream is not read.
int loadInput(int* stream, int pos, int limit);

// Sets inputPos to 0.
void startInput();

// The byte at inputPos (0..255), or -1 when inputPos is not in [0, inputLen). Does not advance.
int getInput();

// inputLen.
int lengthInput();

// ---------------------------------------------------------------------------------------------
// Coding steps and model update.
// ---------------------------------------------------------------------------------------------

// Codes symbol from context entry ctx (0: the order -1 context at once): escapes, with exclusion,
// down the list until a context's entry for symbol counts above 0; each escape raises that node's
// escapeCount by tescape_incr, also when nothing was coded. REQUIRES: 0 <= symbol <= 256,
// 0 <= ctx < kContextEntries.
void encode_context(int ctx, int symbol, int skipCoding);

// Decodes one symbol from context entry ctx, escaping likewise; past the end of the list (entry
// 0, whose trieNode is 0) it decodes in the order -1 context. REQUIRES: 0 <= ctx < kContextEntries.
int decode_context(int ctx);

// Adds 1 to inputPos and updates every entry of the list from the head with upd.
void update(int symbol);

// Updates entry ctx with symbol (level - 1 is its order; firstVisit nonzero for the head) and
// returns the entry to visit next: sets lastSymbol, adds tcount_incr to the count on the first
// visit, drops the entry when it is too deep, records a new symbol with a pending child (and drops
// the entry), or moves the entry to the child node, creating it from a pending child. When a needed
// entry, node or input position is not available the entry is dropped instead and nothing is
// made (see Shortage). REQUIRES: 0 < ctx < kContextEntries, 0 <= symbol <= 256.
int upd(int ctx, int symbol, int level, int firstVisit);

// ---------------------------------------------------------------------------------------------
// Counts and coding intervals.
//
// A context node N other than 0, with E its escapeCount, has the cumulative table: the escape on
// [0, E), then each non-excluded entry of its list in list order on [r, r + k), k its effective
// count: k = getCount(entry); if E is 1 and k > 1, k * determ_factor; otherwise, if the entry's
// symbol is N's lastSymbol and N's count is not 0, k + N's count * recent_factor (both in double,
// truncated toward zero; a value outside the 32-bit range becomes INT32_MIN, as the 32-bit
// hardware conversion gives). Node 0 (order -1) gives each non-excluded symbol 0..256 a count of 1.
// An exclusion array has 257 elements, indexed by symbol; nonzero excludes.
// ---------------------------------------------------------------------------------------------

// Halves (rounding up, (x + 1) / 2) the node's count and escapeCount and the count of every child
// node of its list; pending children are left alone. REQUIRES: 0 < nodeIndex < trieFree.
void scale_counts(int nodeIndex);

// Codes symbol (0..256, or 257 for the escape) in context nodeIndex. A node with escapeCount 0
// codes nothing. The total is halved with scale_counts until it is at most max_total_count, or
// until a halving changes no count (the total then goes on as computed). An empty or out-of-range
// interval, or a total above max_total_count, calls dumpTrie(nodeIndex, 0). Unless skipCoding,
// hands the interval to arith_encode. REQUIRES: exclusion has 257 elements; 0 <= nodeIndex <
// trieFree.
void encode_counts(int nodeIndex, int symbol, int* exclusion, int skipCoding);

// Decodes one symbol in context nodeIndex: 257 at once for a node with escapeCount 0; otherwise
// the total as encode_counts computes it (halving likewise), the target arith_decode_target(total)
// and the symbol whose interval holds it (257 for the escape), handed to arith_decode. In the
// order -1 context a negative target decodes 0 and a target at or past the total decodes 256.
// REQUIRES: as encode_counts.
int decode_counts(int nodeIndex, int* exclusion);

// Calls dumpRoot when total > max_total_count; then arithmetic_encode unless the interval is the
// whole range (cumLow 0 and cumHigh == total).
void arith_encode(int cumLow, int cumHigh, int total);
// arithmetic_decode unless the interval is the whole range.
void arith_decode(int cumLow, int cumHigh, int total);

// ((S_value - S_low + 1) * total - 1) / (S_high - S_low + 1) in unsigned 32-bit arithmetic,
// returned as a signed value: total - 1 with the state at 0. A divisor that wraps to 0 stands for
// 2^32 (the whole 32-bit range), and the result is then 0 instead of a division by zero.
int arith_decode_target(int total);

// The coder calls: fixed in form, they notify the observer and do nothing else.
void arithmetic_encode(int cumLow, int cumHigh, int total);
void arithmetic_decode(int cumLow, int cumHigh, int total);

// ---------------------------------------------------------------------------------------------
// The context list.
// ---------------------------------------------------------------------------------------------

// Empties the active list and both free sources: contextUsed, contextFree, contextHead and
// contextTail become 0. contextLength is left as it was (init_symbols resets it).
void initContext();

// Returns a free entry with trieNode and next set to 0: the most recently released one if any,
// else the next never-used index (ascending from 1, up to 15,999). Returns 0 and changes nothing
// when neither source has one, and records the shortage.
int freeContext();

// Puts entry ctx at the front of the released chain and subtracts 1 from contextLength. It does not
// unlink ctx from the active list. REQUIRES: 0 < ctx < kContextEntries.
void releaseList(int ctx);

// Appends a new order-0 context (on the root) at the tail and adds 1 to contextLength, unless
// contextLength - 1 > max_order. When freeContext has no entry it appends nothing and leaves
// contextLength alone (entry 0 is never written). At debugLevel > 2 calls dumpList from the head.
void startContext();

// The entry to predict from: contextHead, or its next when contextLength - 1 > max_order (the head
// is one order too deep). 0 for an empty list, or a too-deep head without a successor.
int predict();

// The next of entry ctx. REQUIRES: 0 <= ctx < kContextEntries.
int nextContext(int ctx);

// Makes ctx's successor the head (and clears contextTail when there is none), releases ctx with
// releaseList and returns the new head. When ctx is not the head it first calls printFree and then
// goes on as written: the entries ahead of ctx leave the list without being released or counted
// out, so contextLength stays above the list's true length from then on.
// REQUIRES: 0 < ctx < kContextEntries.
int dropContext(int ctx);

// Diagnostic walk of a list from ctx: notifies the observer and writes nothing.
void dumpList(int* stream, int ctx);

// Diagnostic hook: notifies the observer and does nothing else.
void printFree(int* stream);

// ---------------------------------------------------------------------------------------------
// Symbol lists and the trie.
// ---------------------------------------------------------------------------------------------

// Sets symbolsFree to 1: the table is empty again.
void initSymbols();

// A new Symbols entry with child 0, next 0 and the given symbol. Returns 0 (and records the
// shortage) when the table is full; also 0 before initSymbols. Index 0 is never handed out.
// REQUIRES: 0 <= symbol <= 256.
int freeSymbol(int symbol);

// The entry of node nodeIndex's list holding symbol, or 0. REQUIRES: 0 <= nodeIndex < trieFree.
int findSymbol(int nodeIndex, int symbol);

// The entry of nodeIndex's list holding symbol; if there is none, a new one put at the front of
// the list. Returns 0 (list unchanged) when a new entry is needed and Symbols is full.
// REQUIRES: 0 < nodeIndex < trieFree, 0 <= symbol <= 256.
int addSymbol(int nodeIndex, int symbol);

// Makes node 1 the root (empty list, count 0, escapeCount 0, lastSymbol -1); trieFree becomes 2.
void initTrie();

// A new node (empty list, count 0, escapeCount 0, lastSymbol -1). Returns 0 (and records the
// shortage) when the table is full; also 0 before initTrie.
int freeTrie();

// The count that entry contributes: 0 for entry 0 or a child of 0, 1 for a pending child, else
// the child node's count. At debugLevel > 3 a positive result calls dumpSymbol with the entry's
// symbol. REQUIRES: 0 <= entry < symbolsFree.
int getCount(int entry);

// Diagnostic: notifies the observer, does nothing else.
void dumpSymbol(int* stream, int symbol);
// Diagnostic visit of text from start for length bytes: notifies the observer, reads nothing.
void dumpString(int* stream, char* text, int start, int length);
// Walks the subtree of nodeIndex depth first, in list order: dumpString over the path buffer's
// first depth bytes, then, for a node (nodeIndex >= 1), for each entry: the symbol's low byte into
// dumpTrieStr[depth] (when depth < 16,000), and the same walk for the entry's child at depth + 1.
// Writes nothing to the stream. Any trie depth is safe: the walk keeps its own stack.
// REQUIRES: nodeIndex < trieFree.
void dumpTrie(int* stream, int nodeIndex, int depth);
// dumpTrie(stream, 1, 0).
void dumpRoot(int* stream);
// dumpRoot with the shared block as the stream handle.
void junk();

// ---------------------------------------------------------------------------------------------
// Observing the fixed-form operations: the coder calls and the dump walks. None of them writes
// anything; each notifies the installed observer (if any, and if its member is set) with its
// arguments. Observing never changes what the model does.
// ---------------------------------------------------------------------------------------------

// One function pointer per fixed-form operation (null: not observed), each called with
// `context` and the operation's arguments.
struct Observer {
  void* context = nullptr;
  void (*arithmetic_encode)(void* context, int cumLow, int cumHigh, int total) = nullptr;
  void (*arithmetic_decode)(void* context, int cumLow, int cumHigh, int total) = nullptr;
  void (*dumpSymbol)(void* context, int* stream, int symbol) = nullptr;
  void (*dumpString)(void* context, int* stream, const char* text, int start, int length) = nullptr;
  // Once per dumpTrie call, the recursive steps of the walk included.
  void (*dumpTrie)(void* context, int* stream, int nodeIndex, int depth) = nullptr;
  void (*dumpRoot)(void* context, int* stream) = nullptr;
  void (*dumpList)(void* context, int* stream, int ctx) = nullptr;
  void (*printFree)(void* context, int* stream) = nullptr;
};

// Installs `observer` (it must outlive its installation); null removes it.
void set_observer(const Observer* observer);

// =============================================================================================
// Exposed state. Namespace-scope data that the operations above read and write and that
// callers (tests, digests) may read; the parameters may also be set directly.
// =============================================================================================

// ---------------------------------------------------------------------------------------------
// Parameters. Each holds its initial value until init_arguments brings it into range; nothing else
// in the model writes them.
// ---------------------------------------------------------------------------------------------

// Ceiling on a context's total (escape count plus effective symbol counts); above it the counts
// are halved. Also the bound of the coder-side consistency checks. Initially 16383.
extern std::int32_t max_total_count;
// Highest context order used for prediction. Initially 5.
extern std::int32_t max_order;
// What preloadInput reports. Initially -1.
extern std::int32_t preload_limit;
// Count of a newly created trie node (not the root). Initially 1.
extern std::int32_t tcount_init;
// Escape count of a newly created trie node (not the root). Initially 1.
extern std::int32_t tescape_init;
// Added to the count of the first visited context's node at each update. Initially 2.
extern std::int32_t tcount_incr;
// Added to a node's escape count each time an escape is coded or decoded from it. Initially 1.
extern std::int32_t tescape_incr;
// Multiplier for symbol counts above 1 in a context whose escape count is exactly 1. Initially 3.
extern float determ_factor;
// Weight of the context's own count in the boost of its most recent symbol. Initially 0.1f.
extern float recent_factor;
// Diagnostic level: above 0, 1, 2, 3 it switches on more dump calls (which write nothing).
// Initially 0.
extern std::int32_t debugLevel;

// ---------------------------------------------------------------------------------------------
// Where the model ran short of room. The tables are fixed; when one cannot supply an entry the
// model stops growing there (no entry, node or context is made) and the context that needed it is
// dropped as if it could not be extended, so encoding and decoding stay in step. Each field is
// the position (inputPos) of the symbol being coded when the first request went unmet, or -1 while
// none has. init_symbols resets all four to -1.
// ---------------------------------------------------------------------------------------------

struct Shortage {
  std::int32_t context = -1;  // no Context entry for startContext (the list stays as it is)
  std::int32_t symbols = -1;  // Symbols full: a new list entry was refused
  std::int32_t trie = -1;     // Trie full: a new node was refused
  std::int32_t history = -1;  // a position outside Input would have been stored, named or read
};
extern Shortage shortage;

// ---------------------------------------------------------------------------------------------
// The context list.
// ---------------------------------------------------------------------------------------------

// One entry of the Context table.
struct ContextEntry {
  std::int32_t trieNode;  // the trie node this context has reached (1 is the root)
  std::int32_t next;      // next entry of the active list or of the released chain; 0 ends it
};

// Entries in the Context table (index 0 included).
inline constexpr int kContextEntries = 16000;

// The Context table, entries 0 to 15,999. Entry 0 is never handed out and its trieNode stays 0:
// decode_context reads it when its walk runs past the end of the list (order -1).
extern ContextEntry Context[kContextEntries];
// Number of entries counted in the active list. It can run above the list's true length: see
// dropContext.
extern std::int32_t contextLength;
// First entry of the chain of released entries (linked through next), 0 when empty.
extern std::int32_t contextUsed;
// Highest entry index handed out so far from entries never used before, 0 when none.
extern std::int32_t contextFree;
// First (longest) and last (shortest) entry of the active list, 0 when it is empty.
extern std::int32_t contextHead;
extern std::int32_t contextTail;

// ---------------------------------------------------------------------------------------------
// Symbol lists and the trie.
// ---------------------------------------------------------------------------------------------

// One entry of a node's symbol list.
struct SymbolEntry {
  // > 0: trie node of the context extended by this symbol. < 0: minus the input position of the
  // symbol that followed the one earlier occurrence (a pending child). 0: no successor recorded.
  std::int32_t child;
  std::int32_t next;    // next entry of the same list, 0 ends it
  std::int32_t symbol;  // 0 to 256
};

// One trie node: one context string (the root is the empty one).
struct TrieNode {
  std::int32_t firstSymbol;  // first entry of the list (most recently added), 0 when empty
  std::int32_t count;        // the count this node's context contributes in its parent's list
  std::int32_t escapeCount;  // 0: an escape here is coded without any interval
  std::int32_t lastSymbol;   // symbol most recently seen after this context, -1 for none
};

// Sizes of the Symbols table, the Trie and the dumpTrie path buffer (index 0 included).
inline constexpr int kSymbolEntries = 3000000;
inline constexpr int kTrieNodes = 2000000;
inline constexpr int kDumpTrieStrSize = 16000;

// Entries 1 to symbolsFree - 1 are in use.
extern SymbolEntry Symbols[kSymbolEntries];
extern std::int32_t symbolsFree;
// Nodes 1 to trieFree - 1 are in use; node 1 is the root.
extern TrieNode Trie[kTrieNodes];
extern std::int32_t trieFree;
// Path buffer of dumpTrie: position d holds the low 8 bits of the symbol by which the walk went
// down to depth d + 1. Depths from 16,000 on are walked but not stored.
extern char dumpTrieStr[kDumpTrieStrSize];

// ---------------------------------------------------------------------------------------------
// The coder.
// ---------------------------------------------------------------------------------------------

// The decoder's coder state; 0 at the start and never written by the model.
extern std::uint32_t S_low;
extern std::uint32_t S_high;
extern std::uint32_t S_value;

// ---------------------------------------------------------------------------------------------
// The input buffer: the symbols to code and the model's history.
// ---------------------------------------------------------------------------------------------

// Bytes in the input buffer.
inline constexpr int kInputSize = 13000000;

extern unsigned char Input[kInputSize];
// Position of the next symbol to code. startInput sets it to 0; update adds 1 per symbol.
extern std::int32_t inputPos;
// Just past the last byte stored by the most recent loadInput; never above kInputSize.
extern std::int32_t inputLen;

}  // namespace kernels::context_model

#endif  // KERNELS_CONTEXT_MODEL_CONTEXT_MODEL_H_
