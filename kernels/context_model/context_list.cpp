// The list of active contexts and the Context table it lives in.
#include "kernels/context_model/context_model.h"
#include "kernels/context_model/internal.h"
#include "kernels/shell/shell.h"

namespace kernels::context_model {

using internal::g_observer;
using internal::shared_stream;

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
  int entry;
  if (contextUsed != 0) {
    entry = contextUsed;
    contextUsed = Context[entry].next;
  } else if (contextFree < kContextEntries - 1) {
    entry = ++contextFree;
  } else {
    internal::note_shortage(shortage.context, inputPos);
    return 0;
  }
  Context[entry].trieNode = 0;
  Context[entry].next = 0;
  return entry;
}

void releaseList(int ctx) {
  Context[ctx].next = contextUsed;
  contextUsed = ctx;
  contextLength = shell::wrapping_sub(contextLength, 1);
}

void startContext() {
  if (shell::wrapping_sub(contextLength, 1) > max_order) return;
  const int entry = freeContext();
  if (entry == 0) return;  // no room: the list stays as it is, entry 0 untouched
  Context[entry].trieNode = 1;
  Context[entry].next = 0;
  if (contextTail == 0) {
    contextHead = entry;
  } else {
    Context[contextTail].next = entry;
  }
  contextTail = entry;
  contextLength = shell::wrapping_add(contextLength, 1);
  if (debugLevel > 2) dumpList(shared_stream(), contextHead);
}

int predict() {
  int ctx = contextHead;
  if (ctx != 0 && shell::wrapping_sub(contextLength, 1) > max_order) ctx = Context[ctx].next;
  return ctx;
}

int nextContext(int ctx) {
  return Context[ctx].next;
}

int dropContext(int ctx) {
  if (ctx != contextHead) printFree(shared_stream());
  contextHead = Context[ctx].next;
  if (contextHead == 0) contextTail = 0;
  releaseList(ctx);
  return contextHead;
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
