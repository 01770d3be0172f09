// Helpers shared by the engine's tests: a clean engine per test, sets written out as vectors,
// and a log of the fixed-form calls.
#ifndef KERNELS_GROEBNER_TEST_SUPPORT_H_
#define KERNELS_GROEBNER_TEST_SUPPORT_H_

#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "kernels/groebner/groebner.h"
#include "kernels/shell/shell.h"

namespace kernels::groebner::testing {

// Resets the run arena and every piece of engine data that a test may change, before and after.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override { clean(); }
  void TearDown() override {
    set_observer(nullptr);
    clean();
  }
  static void clean() {
    shell::arena_reset();
    reset_driver_state();
  }
};

// A new record with the given term count and serial, from the run arena.
inline mpt* record(short term_count, int serial = 0) {
  mpt* r = shell::arena_new<mpt>();
  r->term_count = term_count;
  r->serial = serial;
  return r;
}

// A set listing `members` in this order (repeats kept), built node by node.
inline npt_* set_of(const std::vector<mpt*>& members) {
  npt_* head = nullptr;
  for (auto it = members.rbegin(); it != members.rend(); ++it) {
    npt_* n = shell::arena_new<npt_>();
    n->pol = *it;
    n->next = head;
    head = n;
  }
  return head;
}

inline std::vector<mpt*> members(const npt_* set) {
  std::vector<mpt*> out;
  for (; set != nullptr; set = set->next) out.push_back(set->pol);
  return out;
}

inline std::vector<std::pair<mpt*, mpt*>> pairs_of(const nst_* set) {
  std::vector<std::pair<mpt*, mpt*>> out;
  for (; set != nullptr; set = set->next) out.emplace_back(set->first, set->second);
  return out;
}

// Every call that reaches the observer, as (operation, first, second, third argument): 'e'
// expoequal, '+' expoadd, 'm' expomax, 'd' expodiv, 'f' mpolfree, 'i' mpolin, 'o' mpolout.
struct Calls {
  using Call = std::tuple<char, const void*, const void*, const void*>;
  std::vector<Call> seen;
  Observer observer;

  Calls() {
    observer.context = this;
    observer.expoequal = [](void* c, short* a, short* b) { log(c, 'e', a, b, nullptr); };
    observer.expoadd = [](void* c, short* a, short* b, short* out) { log(c, '+', a, b, out); };
    observer.expomax = [](void* c, short* a, short* b, short* out) { log(c, 'm', a, b, out); };
    observer.expodiv = [](void* c, short* a, short* b) { log(c, 'd', a, b, nullptr); };
    observer.mpolfree = [](void* c, mpt* p) { log(c, 'f', p, nullptr, nullptr); };
    observer.mpolin = [](void* c, mpt* p) { log(c, 'i', p, nullptr, nullptr); };
    observer.mpolout = [](void* c, mpt* p) { log(c, 'o', p, nullptr, nullptr); };
  }
  Calls(const Calls&) = delete;
  Calls& operator=(const Calls&) = delete;

  // Only the calls of one operation.
  std::vector<Call> of(char op) const {
    std::vector<Call> out;
    for (const Call& c : seen)
      if (std::get<0>(c) == op) out.push_back(c);
    return out;
  }

 private:
  static void log(void* c, char op, const void* a, const void* b, const void* d) {
    static_cast<Calls*>(c)->seen.emplace_back(op, a, b, d);
  }
};

}  // namespace kernels::groebner::testing

#endif  // KERNELS_GROEBNER_TEST_SUPPORT_H_
