// The list of active contexts and the Context table it lives in.
#include "kernels/context_model/context_model.h"
#include "kernels/context_model/internal.h"
#include "kernels/shell/shell.h"

namespace kernels::context_model {

using internal::g_observer;

ContextEntry Context[kContextEntries];
std::int32_t contextLength = 0;
std::int32_t contextUsed = 0;
std::int32_t contextFree = 0;
std::int32_t contextHead = 0;
std::int32_t contextTail = 0;

void initContext() {
  contextUsed = 0;
  contextFree = 0;
  contextHead = 0;
  contextTail = 0;
}

int freeContext() {
  return internal::free_context();
}

void releaseList(int ctx) {
  internal::release_list(ctx);
}

void startContext() {
  internal::start_context();
}

int predict() {
  return internal::predict_context();
}

int nextContext(int ctx) {
  return Context[ctx].next;
}

// A ctx that is not the head: the decoder meets it on a fresh model at its third symbol (see
// coding_test's DecoderLosesAContextAtItsThirdSymbol).
int dropContext(int ctx) {
  return internal::drop_context(ctx);
}

// The walk itself reads and writes nothing that anyone can see, so only the call is observed.
void dumpList(int* stream, int ctx) {
  if (g_observer != nullptr && g_observer->dumpList != nullptr)
    g_observer->dumpList(g_observer->context, stream, ctx);
}

void printFree(int* stream) {
  if (g_observer != nullptr && g_observer->printFree != nullptr)
    g_observer->printFree(g_observer->context, stream);
}

}  // namespace kernels::context_model
