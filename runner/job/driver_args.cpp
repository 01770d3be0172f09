#include "job/driver_args.h"

#include "job/allocation_failure.h"

namespace kernels::runner {

DriverArgs::DriverArgs(std::string name, std::vector<std::string> args) {
  texts_.push_back(std::move(name));
  for (auto& a : args) texts_.push_back(std::move(a));
  point();
}

DriverArgs DriverArgs::of_count(std::string name, std::size_t count) {
  DriverArgs d;
  d.texts_.push_back(std::move(name));
  d.repeat_empty_ = count > 0 ? count - 1 : 0;
  d.point();
  return d;
}

DriverArgs::DriverArgs(const DriverArgs& other)
    : texts_(other.texts_), repeat_empty_(other.repeat_empty_) {
  point();
}

DriverArgs& DriverArgs::operator=(const DriverArgs& other) {
  if (this != &other) {
    texts_ = other.texts_;
    repeat_empty_ = other.repeat_empty_;
    point();
  }
  return *this;
}

void DriverArgs::point() {
  static char empty[1] = {'\0'};
  pointers_.clear();
  const std::size_t count = texts_.size() + repeat_empty_ + 1;
  try {
    pointers_.reserve(count);
  } catch (const std::bad_alloc&) {
    throw AllocationFailure(count * sizeof(char*));
  }
  for (auto& t : texts_) pointers_.push_back(t.data());
  for (std::size_t i = 0; i < repeat_empty_; ++i) pointers_.push_back(empty);
  pointers_.push_back(nullptr);
}

}  // namespace kernels::runner
