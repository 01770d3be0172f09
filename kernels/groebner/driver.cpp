// The driver: options, the variable table, the driver chains and the completion of the input.
#include <cstddef>

#include "kernels/groebner/groebner.h"
#include "kernels/groebner/internal.h"
#include "kernels/shell/shell.h"

namespace kernels::groebner {
namespace {

constexpr int kVarnamesEntries = sizeof varnames / sizeof varnames[0];
constexpr std::size_t kNameBytes = 16;

npt_* g_last_basis = nullptr;

const mpt* advance(const mpt* r, std::size_t steps) {
  for (; steps > 0; --steps) r = r->chain_next;
  return r;
}

}  // namespace

namespace internal {

// Brent's cycle finding: the hare runs ahead in stretches of doubling length, the tortoise
// waits at the start of each stretch, and they meet only inside a loop.
std::size_t chain_records(const mpt* head) {
  if (head == nullptr) return 0;
  std::size_t power = 1;
  std::size_t loop = 1;
  std::size_t walked = 1;
  const mpt* tortoise = head;
  const mpt* hare = head->chain_next;
  while (hare != nullptr && hare != tortoise) {
    if (power == loop) {
      tortoise = hare;
      power *= 2;
      loop = 0;
    }
    hare = hare->chain_next;
    ++loop;
    ++walked;
  }
  if (hare == nullptr) return walked;  // no loop: the hare has counted every record
  // The loop is `loop` records long; a walker that far ahead meets a second one where it begins.
  std::size_t before = 0;
  const mpt* behind = head;
  const mpt* ahead = advance(head, loop);
  while (behind != ahead) {
    behind = behind->chain_next;
    ahead = ahead->chain_next;
    ++before;
  }
  return before + loop;
}

}  // namespace internal

void main_bb(int argc, char** argv) {
  int opt_o = 0;
  int opt_p = 0;
  int opt_a = 0;
  for (int i = 0; i < argc; ++i) {
    const char* arg = argv[i];
    if (arg == nullptr || arg[0] != '-') continue;
    switch (arg[1]) {
      case 'o':
        opt_o = 1;
        break;
      case 'p':
        opt_p = 1;
        break;
      case 'a':
        opt_a = 1;
        break;
      default:
        break;
    }
  }
  static_cast<void>(opt_o);  // set by -o and read by nothing
  static_cast<void>(opt_p);  // set by -p and read by nothing

  // The table has 100 entries; a larger nvars fills them all and stops there.
  for (int i = 0; i < nvars && i < kVarnamesEntries; ++i)
    varnames[i] = shell::arena_new<char>(kNameBytes);

  s.word = 0;
  // The read step reads no polynomial: the driver's count of input polynomials is 0.
  pols.word = 0;
  pairs.word = 0;

  for (mpt* r = s.head; r != nullptr;) {
    mpt* next = r->chain_next;
    r->chain_next = nullptr;
    r = next;
  }

  // npt_add of each record of the chain in turn. The records up to the first repeat are all
  // different, so each one is new to F and goes first; from a repeat on, the walk would only
  // meet records F already holds, and never end, so it stops there.
  npt_* F = nullptr;
  const std::size_t records = internal::chain_records(pols.head);
  mpt* r = pols.head;
  for (std::size_t i = 0; i < records; ++i, r = r->chain_next) {
    npt_* node = shell::arena_new<npt_>();
    node->pol = r;
    node->next = F;
    F = node;
  }

  npt_* basis = Grobner(&F);
  g_last_basis = basis;

  if (opt_a != 0) {
    for (int i = 0; i < nvars; ++i) {
    }
    [[maybe_unused]] std::size_t members = 0;
    for (npt_* n = basis; n != nullptr; n = n->next) ++members;
    for (npt_* n = basis; n != nullptr; n = n->next) mpolout(n->pol);
  }
}

npt_* last_driver_basis() {
  return g_last_basis;
}

void reset_driver_state() {
  nvars = 0;
  for (char*& name : varnames) name = nullptr;
  s = pols = pairs = pol_chain{0, nullptr};
  addcnt = zerocnt = critcnt = 0.0f;
}

}  // namespace kernels::groebner
