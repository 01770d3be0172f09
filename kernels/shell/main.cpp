// The process entry of kernel-image. It ignores its arguments, calls no kernel, prints nothing and
// returns 1 on every run; the platform's ordinary start-up runs the static constructors before it.
int main(int /*argc*/, char** /*argv*/) {
  return 1;
}
