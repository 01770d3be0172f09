// size-context_model: the model's encoder over an empty input, as the runner's job calls it.
#include "kernels/context_model/context_model.h"
#include "kernels/shell/shell.h"

int main() {
  namespace cm = kernels::context_model;
  cm::init_symbols();
  cm::loadInput(kernels::shell::stream_handle(), 0, 0);
  cm::startInput();
  for (int c = cm::getInput(); c != -1; c = cm::getInput()) cm::encode_symbol(c, 0);
  cm::encode_symbol(cm::eof_symbol(), 0);
  return 0;
}
