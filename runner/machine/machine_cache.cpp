#include "machine/machine_cache.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "files/files.h"

namespace kernels::runner {
namespace {

// Letters, digits, '.' and '_' kept; every run of anything else becomes one '-'.
std::string file_safe(const std::string& text) {
  std::string out;
  for (char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (std::isalnum(c) || ch == '.' || ch == '_')
      out += ch;
    else if (!out.empty() && out.back() != '-')
      out += '-';
  }
  while (!out.empty() && out.back() == '-') out.pop_back();
  return out.empty() ? "unknown" : out;
}

}  // namespace

std::string ceilings_path(const std::string& cpu, const std::string& version) {
  std::string folder;
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg != nullptr && *xdg != '\0')
    folder = xdg;
  else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
    folder = std::string(home) + "/.cache";
  else
    return "";
  return folder + "/kernels/machine-" + file_safe(cpu) + "-" + file_safe(version) + "-r" +
         std::to_string(kProbeRevision) + ".json";
}

std::optional<Ceilings> load_ceilings(const std::string& cpu, const std::string& version) {
  const std::string path = ceilings_path(cpu, version);
  if (path.empty()) return std::nullopt;
  std::ifstream in(path);
  if (!in) return std::nullopt;
  std::stringstream text;
  text << in.rdbuf();
  const auto j = nlohmann::ordered_json::parse(text.str(), nullptr, false);
  if (j.is_discarded()) return std::nullopt;
  std::optional<Ceilings> c = ceilings_from_json(j);
  if (!c || c->cpu != cpu || c->version != version) return std::nullopt;
  return c;
}

void save_ceilings(const Ceilings& c) {
  const std::string path = ceilings_path(c.cpu, c.version);
  if (path.empty())
    throw std::runtime_error(
        "cannot write the machine figures: neither XDG_CACHE_HOME nor HOME "
        "is set");
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  std::filesystem::create_directories(folder, error);
  if (error) throw std::runtime_error("cannot write " + path + ": " + error.message());
  write_file_whole(path, ceilings_json(c).dump(2) + "\n");
}

}  // namespace kernels::runner
