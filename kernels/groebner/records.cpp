// The engine's file-level data and its monomial operations.
#include <cstddef>

#include "kernels/groebner/groebner.h"

namespace kernels::groebner {
namespace {

constexpr int kPrimeCount = 6542;  // primes below 65536

// Every prime below 65536, ascending, then 1 and 0: a sieve of Eratosthenes over the odd
// numbers, run by the compiler.
constexpr std::array<std::uint16_t, kPrimesEntries> sieve_primes() {
  constexpr int kLimit = 65536;
  std::array<bool, kLimit / 2> composite{};  // composite[i] stands for 2 * i + 1
  composite[0] = true;                       // 1 is not prime
  for (int i = 1; (2 * i + 1) * (2 * i + 1) < kLimit; ++i) {
    if (composite[i]) continue;
    const int p = 2 * i + 1;
    for (int m = p * p; m < kLimit; m += 2 * p) composite[m / 2] = true;
  }
  std::array<std::uint16_t, kPrimesEntries> table{};
  int n = 0;
  table[n++] = 2;
  for (int i = 1; i < kLimit / 2; ++i)
    if (!composite[i]) table[n++] = static_cast<std::uint16_t>(2 * i + 1);
  table[n++] = 1;
  table[n++] = 0;
  return table;
}

constexpr std::array<std::uint16_t, kPrimesEntries> kPrimes = sieve_primes();
static_assert(kPrimes[0] == 2 && kPrimes[1] == 3 && kPrimes[kPrimeCount - 1] == 65521);
static_assert(kPrimes[kPrimeCount] == 1 && kPrimes[kPrimeCount + 1] == 0);

const Observer* g_observer = nullptr;

}  // namespace

short nvars = 0;
char* varnames[100] = {};
pol_chain s = {0, nullptr};
pol_chain pols = {0, nullptr};
pol_chain pairs = {0, nullptr};

float addcnt = 0.0f;
float zerocnt = 0.0f;
float critcnt = 0.0f;

int deletion = 1;
int primesize = kPrimeCount;
constinit std::array<std::uint16_t, kPrimesEntries> primes = kPrimes;

std::int32_t PollPtr = 0;
std::int32_t memheld = 0;
std::int32_t order_exp = 0;
std::int32_t first_group = 0;
std::int32_t zero_poly_count = 0;
std::int32_t redgcd = 0;
std::int32_t order_on_pols = 0;
std::int32_t order_on_pairs = 0;
std::int32_t reduction_first = 0;
std::int32_t allow_same_lpp = 0;
std::int32_t spy = 0;

void set_observer(const Observer* observer) {
  g_observer = observer;
}

int expoequal(short* a, short* b) {
  if (g_observer != nullptr && g_observer->expoequal != nullptr)
    g_observer->expoequal(g_observer->context, a, b);
  return 1;
}

void expoadd(short* a, short* b, short* out) {
  if (g_observer != nullptr && g_observer->expoadd != nullptr)
    g_observer->expoadd(g_observer->context, a, b, out);
}

void expomax(short* a, short* b, short* out) {
  if (g_observer != nullptr && g_observer->expomax != nullptr)
    g_observer->expomax(g_observer->context, a, b, out);
}

int expodiv(short* a, short* b) {
  if (g_observer != nullptr && g_observer->expodiv != nullptr)
    g_observer->expodiv(g_observer->context, a, b);
  return 1;
}

void mpolfree(mpt* p) {
  if (g_observer != nullptr && g_observer->mpolfree != nullptr)
    g_observer->mpolfree(g_observer->context, p);
}

int mpolin(mpt* p) {
  if (g_observer != nullptr && g_observer->mpolin != nullptr)
    g_observer->mpolin(g_observer->context, p);
  return 1;
}

void mpolout(mpt* p) {
  if (g_observer != nullptr && g_observer->mpolout != nullptr)
    g_observer->mpolout(g_observer->context, p);
}

short* LP(mpt* p) {
  return p->lpp;
}

short* LCM(short* a, short* b) {
  static short res[4000];
  expomax(a, b, res);
  return res;
}

int divides(short* a, short* b) {
  return expodiv(a, b);
}

}  // namespace kernels::groebner
