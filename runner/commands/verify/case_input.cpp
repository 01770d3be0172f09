#include "commands/verify/case_input.h"

#include <filesystem>
#include <limits>

#include "files/files.h"
#include "job/int32_le.h"
#include "jobs/generated_input.h"
#include "kernels/pyramid/pyramid.h"

namespace kernels::runner {
namespace {

std::vector<std::uint8_t> int32_bytes(const Json& values) {
  if (!values.is_array()) throw UsageError("input \"int32\" must be a list of numbers");
  std::vector<std::uint8_t> out;
  for (const Json& v : values) {
    if (!v.is_number_integer() ||
        v.get<std::int64_t>() < std::numeric_limits<std::int32_t>::min() ||
        v.get<std::int64_t>() > std::numeric_limits<std::int32_t>::max())
      throw UsageError("input \"int32\" holds " + v.dump() + ", not a 32-bit integer");
    put_int32_le(out, v.get<std::int32_t>());
  }
  return out;
}

std::vector<std::uint8_t> pyramid_bytes(const Json& shape) {
  if (!shape.is_array() || shape.size() != 3 || !shape[0].is_number_integer() ||
      !shape[1].is_number_integer() || !shape[2].is_number_integer())
    throw UsageError("input \"sample_pyramid\" must be [width, height, levels]");
  const std::int64_t w = shape[0], h = shape[1], l = shape[2];
  if (w < 1 || h < 1 || w * h > (std::int64_t{1} << 22) || l < 1 || l > 29 ||
      pyramid::check_pyramid(static_cast<int>(w), static_cast<int>(h), static_cast<int>(l)) !=
          pyramid::PyramidStatus::kOk)
    throw UsageError("input \"sample_pyramid\" " + shape.dump() + " is not a pyramid's shape");
  std::vector<int> values(static_cast<std::size_t>(w * h));
  pyramid::sample_pyramid(values.data(), static_cast<int>(w), static_cast<int>(h),
                          static_cast<int>(l));
  return int32_le_bytes(values);
}

std::vector<std::uint8_t> generated_bytes(const Json& input) {
  const Json& kind = input["generate"];
  const auto found =
      kind.is_string() ? generated_kinds().find(kind.get<std::string>()) : generated_kinds().end();
  if (found == generated_kinds().end())
    throw UsageError("input \"generate\" " + kind.dump() + " is not a generated kind");
  const Json length = input.value("length", Json());
  if (!length.is_number_integer() || length.get<std::int64_t>() < 1 ||
      length.get<std::int64_t>() > (std::int64_t{1} << 26))
    throw UsageError("input \"length\" must be a number from 1 to 67108864");
  return generate_input(found->second, length.get<std::size_t>());
}

}  // namespace

std::vector<std::uint8_t> case_input_bytes(const Json& input) {
  if (!input.is_object() || !input.contains("name") || !input["name"].is_string())
    throw UsageError("an input needs a \"name\"");
  int kinds = 0;
  for (const char* k : {"text", "int32", "sample_pyramid", "generate"}) kinds += input.contains(k);
  if (kinds != 1)
    throw UsageError("input " + input["name"].get<std::string>() +
                     " needs exactly one of \"text\", \"int32\", \"sample_pyramid\", \"generate\"");
  if (input.contains("text")) {
    if (!input["text"].is_string()) throw UsageError("input \"text\" must be a text");
    const std::string& text = input["text"].get_ref<const std::string&>();
    return {text.begin(), text.end()};
  }
  if (input.contains("int32")) return int32_bytes(input["int32"]);
  if (input.contains("sample_pyramid")) return pyramid_bytes(input["sample_pyramid"]);
  return generated_bytes(input);
}

std::string write_case_input(const Json& input, const std::string& dir) {
  const std::vector<std::uint8_t> bytes = case_input_bytes(input);
  const std::string name = input["name"].get<std::string>();
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
    throw UsageError("input name '" + name + "' is not a plain file name");
  const std::string path = (std::filesystem::path(dir) / name).string();
  write_file_whole(path, {reinterpret_cast<const char*>(bytes.data()), bytes.size()});
  return path;
}

}  // namespace kernels::runner
