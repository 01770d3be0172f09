// Pieces of the engine that its tests reach directly.
#ifndef KERNELS_GROEBNER_INTERNAL_H_
#define KERNELS_GROEBNER_INTERNAL_H_

#include <cstddef>

#include "kernels/groebner/groebner.h"

namespace kernels::groebner::internal {

// Grobner's pair loop on a completion's state: takes pairs off *pairset until it is empty,
// discarding each by Criterion1 or Criterion2 (critcnt + 1), or reducing its S-polynomial
// against *basis (zerocnt + 1 when that gives zero; otherwise the result joins the basis through
// ReduceAll and NewBasis, and addcnt + 1). Grobner runs it after its first ReduceAll and
// NewBasis; it never finds a pair there, so tests start it on a state of their own.
void treat_pairs(npt_** pending, npt_** newpols, npt_** basis, nst_** pairset);

// Number of different records on the chain that starts at `head`, following chain_next: its
// length, or, when the chain runs into a loop, the records before the loop plus those of the
// loop once. Linear in that number; reads nothing but chain_next.
std::size_t chain_records(const mpt* head);

}  // namespace kernels::groebner::internal

#endif  // KERNELS_GROEBNER_INTERNAL_H_
