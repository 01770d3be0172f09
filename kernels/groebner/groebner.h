// The Groebner basis engine: polynomial records and their monomial operations, polynomial sets
// and ordered pair sets, the completion of a set into a basis, and the driver main_bb.
//
// The monomial operations have a fixed form: every power product divides every other, any two
// are equal, and the least common multiple of two is always the one static vector of LCM; a
// completed basis holds at most one polynomial of its input.
//
// All state is file-level data of this namespace; the engine is single-threaded and not
// reentrant. Records and set nodes come from the run arena (kernels/shell) and are never
// released: they stay valid until the arena is reset.
//
// The operations come first, from the driver down to the monomial operations it rests on; the
// records and the file-level data follow in their own part at the end. Tests and the runner's
// digests read that data by these names: every name and type in this header, odd spellings
// included, is the engine's contract and stays as it is.
#ifndef KERNELS_GROEBNER_GROEBNER_H_
#define KERNELS_GROEBNER_GROEBNER_H_

#include <array>
#include <cstdint>

namespace kernels::groebner {

// The records (defined with the exposed state below): a polynomial, a node of a polynomial set
// and a node of a pair set.
struct mpt;
struct npt_;
struct nst_;

// =============================================================================================
// Operations
// =============================================================================================

// ---------------------------------------------------------------------------------------------
// The driver.
// ---------------------------------------------------------------------------------------------

// Completes the chain of `pols`. Scans every argument, argv[0] included: an argument starting
// with '-' sets the flag named by its second character (-o, -p or -a; anything else, a lone "-"
// and every later character are ignored, so -ao sets only -a). Then stores a new name buffer
// (16 zero bytes from the run arena) in varnames[i] for 0 <= i < nvars, clears the `word` of s,
// pols and pairs, unlinks every record of the chain of s (s.head itself is kept), builds the
// input set by npt_add of each record of the chain of pols in turn (so it lists the chain in
// reverse) and completes it with Grobner. With -a it then hands each basis member, first to
// last, to mpolout. No input polynomial is read: the input is the chain of pols.
// Edges: argc <= 0 scans nothing, and a null argv[i] sets no flag. nvars < 0 obtains no buffer;
// nvars > 100 fills all 100 entries and writes nothing beyond the table. A chain of pols that
// runs into a loop is taken up to the last record before the first repeat (the input set holds
// each record once), where the plain walk would never end.
// REQUIRES: argv[0..argc-1] are null or null-terminated strings; chains hold valid records.
void main_bb(int argc, char** argv);

// The basis of the most recent main_bb call, for callers that inspect the driver's result; null
// before the first call. Its nodes live in the run arena: a reset invalidates them.
npt_* last_driver_basis();

// Puts the data that main_bb reads and writes back to its start values: nvars 0, every varnames
// entry null, the chains of s, pols and pairs all 0, and the three counters 0, so that the next
// run starts as the first did. Records already handed out are not touched (reset the run arena
// for that) and last_driver_basis() is not cleared.
void reset_driver_state();

// ---------------------------------------------------------------------------------------------
// Basis completion. Throughout, a record's term_count says whether it is zero: NormalForm
// treats exactly 0 as zero, ReduceAll and Grobner any value of 0 or below. To "replace" a set
// variable means to build the new set, empty the variable and store the new set in it.
// REQUIRES (all): every member of every set involved is a valid record.
// ---------------------------------------------------------------------------------------------

// The normal form of f with respect to the set whose first node is `set`: f itself when its
// term_count is 0 or the set is empty (the first member's lpp divides every lpp); otherwise f
// is handed to mpolfree and the result is a new record with term_count 0, serial -1 and every
// other field 0 or null. f itself is never changed; a negative term_count counts as nonzero.
mpt* NormalForm(npt_* set, mpt* f);

// Reduces every member of *pending into *newpols. Each pass takes the first member h of
// *pending and reduces it against *basis and *newpols together; a result of term_count 0 or
// below is dropped. Otherwise the members of *basis and *newpols that h's lpp divides are taken
// off them and put back on *pending, the pairs with a member taken off *basis are dropped (the
// pair set is rebuilt through nst_add even when none is), and h is added to *newpols. An empty
// *pending changes nothing.
void ReduceAll(npt_** pending, npt_** newpols, npt_** basis, nst_** pairset);

// Replaces *basis by its union with *newpols, adds a pair for each two different records x of
// the new basis and y of *newpols (in that order), and replaces every basis element by its
// normal form with respect to the others, zero results included. *newpols is left as it was.
void NewBasis(npt_** newpols, npt_** basis, nst_** pairset);

// 1 when a member h of *basis other than f and g has an lpp that divides LCM(LP(f), LP(g)) and
// *pairset holds neither (f, h) nor (g, h); otherwise 0. Tests are made in that order per
// member, walking *basis from its first node.
int Criterion1(mpt* f, mpt* g, npt_** basis, nst_** pairset);

// Whether the pair (f, g) can be discarded by its own leading power products: returns 1.
// Calls expomax and expoadd of the two lpps into its two 4000-entry working vectors, then
// expoequal of the sum and the maximum.
// REQUIRES: f and g are valid records.
int Criterion2(mpt* f, mpt* g);

// The completed basis of the set *F: the first member of *F with a positive term_count, alone,
// or the empty set when there is none. *F's nodes are only read. Runs ReduceAll and NewBasis
// from empty state; no pair forms, so no counter (addcnt, zerocnt, critcnt) changes.
npt_* Grobner(npt_** F);

// ---------------------------------------------------------------------------------------------
// Polynomial sets. Operations take the address of a set variable. Members are compared by
// identity and never read through. Sets built only through npt_add hold each record once. Built
// sets come out in reverse order: each new member is put first. No operation changes a node that
// is already in a set, so other variables pointing into the same nodes keep seeing them.
// REQUIRES (all): the set variables hold null-terminated lists without loops.
// ---------------------------------------------------------------------------------------------

// Takes the first member off *set: returns its `pol`, and *set moves on to the next node. On an
// empty set returns null and *set stays empty.
mpt* npt_choose(npt_** set);
// Empties the variable *set (it becomes null). The nodes are not changed.
void npt_free(npt_** set);
// Puts p first in *set with a new node, unless some node already holds p (then nothing changes).
// Linear in the size of the set. p may be null; it is not read.
void npt_add(npt_** set, mpt* p);
// 1 when some node of *set holds p, otherwise 0.
int npt_in(npt_** set, mpt* p);
// A new set built as npt_add of each member of *a, first to last, then of each member of *b,
// onto an empty set: the members of b not in a, in reverse order of first occurrence in b, then
// those of a, in reverse order of first occurrence. *a and *b are not changed and share no node
// with the result. Linear in the sizes of a and b (large sets use a scratch table from the run
// arena).
npt_* npt_union(npt_** a, npt_** b);
// A new set built as npt_add of each member of *a, first to last, that is not in *b: those
// members in reverse order. *a and *b are not changed and share no node with the result. Linear
// in the sizes of a and b (large sets use a scratch table from the run arena).
npt_* npt_minus(npt_** a, npt_** b);

// ---------------------------------------------------------------------------------------------
// Pair sets.
// ---------------------------------------------------------------------------------------------

// The order of pairs: returns 0, ranking no pair below another. Calls expomax with the lpps of
// x's two records and its first 4000-entry working vector, then with y's and its second.
// REQUIRES: x, y and their four records are valid (their lpp fields are read).
int lesspair(nst_* x, nst_* y);
// Adds the pair (a, b) with a new node unless *set holds it in either order: first in an empty
// set, else directly behind the first node (where lesspair's order puts it). a == b is accepted.
// REQUIRES: a, b and the records of the first two nodes are valid (lesspair reads them).
void nst_add(nst_** set, mpt* a, mpt* b);
// 1 when some node of *set holds (a, b) or (b, a), otherwise 0.
int nst_in(nst_** set, mpt* a, mpt* b);

// ---------------------------------------------------------------------------------------------
// Monomial operations. The seven fixed-form ones (expoequal to mpolout) read nothing through
// their arguments: any pointers, null included, may be passed. Each notifies the observer.
// ---------------------------------------------------------------------------------------------

// Whether power products a and b are equal: always 1.
int expoequal(short* a, short* b);
// Would store the product of a and b in `out`: does nothing, `out` is not written.
void expoadd(short* a, short* b, short* out);
// Would store the least common multiple of a and b in `out`: does nothing, `out` is not written.
void expomax(short* a, short* b, short* out);
// Whether a divides b: always 1.
int expodiv(short* a, short* b);
// Gives up record p: does nothing; p stays valid and unchanged.
void mpolfree(mpt* p);
// Would read a polynomial into p: reads nothing, changes nothing, returns 1 on every call.
int mpolin(mpt* p);
// Would write p: writes nothing.
void mpolout(mpt* p);

// The record's `lpp` pointer itself (null when it is null).
// REQUIRES: p points to a record.
short* LP(mpt* p);
// Calls expomax(a, b, res) on the 4000-entry static vector `res` of LCM and returns `res`. Every
// call returns the same vector, whose entries stay 0; it is valid until the next call.
short* LCM(short* a, short* b);
// Whether a divides b: the result of expodiv(a, b), that is 1. Callers pass the divisor first.
int divides(short* a, short* b);

// Observer of the fixed-form operations above: each calls its member, when the observer is
// installed and the member is not null, with `context` and its own arguments. Observing never
// changes what the engine does.
struct Observer {
  void* context = nullptr;
  void (*expoequal)(void* context, short* a, short* b) = nullptr;
  void (*expoadd)(void* context, short* a, short* b, short* out) = nullptr;
  void (*expomax)(void* context, short* a, short* b, short* out) = nullptr;
  void (*expodiv)(void* context, short* a, short* b) = nullptr;
  void (*mpolfree)(void* context, mpt* p) = nullptr;
  void (*mpolin)(void* context, mpt* p) = nullptr;
  void (*mpolout)(void* context, mpt* p) = nullptr;
};

// Installs `observer` (it must outlive its installation); null removes it. With none installed
// each fixed-form operation costs one predictable branch.
void set_observer(const Observer* observer);

// =============================================================================================
// Exposed state: the records, and the file-level data that the operations above read and write
// and that callers (tests, digests) may read.
// =============================================================================================

// ---------------------------------------------------------------------------------------------
// Records
// ---------------------------------------------------------------------------------------------

// A polynomial record. Records are told apart by identity: two records with equal contents are
// different polynomials.
struct mpt {
  std::int32_t reserved0;   // no operation reads or writes it
  std::int32_t serial;      // number the read step gives the record, from 0 in reading order
  std::int32_t read_mark;   // cleared by the read step; nothing else uses it
  mpt* chain_next;          // next record of a driver chain; null ends the chain
  std::int16_t term_count;  // number of terms; 0 is the zero polynomial (see NormalForm)
  std::int16_t aux_count;   // cleared by the read step; nothing else uses it
  std::int32_t reserved1;   // no operation reads or writes it
  short* lpp;               // leading power product, an exponent vector (see LP)
};

// A driver chain: `head` is the first record of a chain linked through chain_next.
struct pol_chain {
  std::int32_t word;  // cleared by main_bb; nothing reads it
  mpt* head;          // null for an empty chain
};

// A node of a polynomial set. A set is an `npt_*` to its first node; null is the empty set.
struct npt_ {
  mpt* pol;    // the member
  npt_* next;  // null ends the set
};

// A node of a pair set. A set is an `nst_*` to its first node; null is the empty set. For
// membership a pair is unordered: (a, b) and (b, a) are the same pair.
struct nst_ {
  mpt* first;
  mpt* second;
  nst_* next;  // null ends the set
};

// ---------------------------------------------------------------------------------------------
// File-level data. Every value below is its start value; nothing resets it between calls.
// ---------------------------------------------------------------------------------------------

// Number of variables, read by main_bb as the bound of its loops over `varnames`. Starts at 0;
// nothing in the engine writes it.
extern short nvars;
// The variable-name table; all null at start. main_bb stores a new name buffer in each of the
// first min(nvars, 100) entries.
extern char* varnames[100];
// The driver chains; all fields 0 at start. main_bb clears their `word`, unlinks the chain of
// `s` and takes the chain of `pols` as its input. Nothing in the engine writes a `head`.
extern pol_chain s;
extern pol_chain pols;
extern pol_chain pairs;

// Counters of Grobner's pair loop (pairs added to the basis, reduced to zero, discarded by a
// criterion), each 0 at start and grown by adding 1.0f; they add up over all completions.
extern float addcnt;
extern float zerocnt;
extern float critcnt;

// Data that no operation reads or writes, at its start values.
extern int deletion;   // 1
extern int primesize;  // 6542, the number of primes in `primes`
// Every prime below 65536 ascending (2 to 65521), then 1, then 0.
inline constexpr int kPrimesEntries = 6544;
extern std::array<std::uint16_t, kPrimesEntries> primes;
// Each 0.
extern std::int32_t PollPtr;
extern std::int32_t memheld;
extern std::int32_t order_exp;
extern std::int32_t first_group;
extern std::int32_t zero_poly_count;
extern std::int32_t redgcd;
extern std::int32_t order_on_pols;
extern std::int32_t order_on_pairs;
extern std::int32_t reduction_first;
extern std::int32_t allow_same_lpp;
extern std::int32_t spy;

}  // namespace kernels::groebner

#endif  // KERNELS_GROEBNER_GROEBNER_H_
