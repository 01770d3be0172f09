#include "report/context.h"

#include <unistd.h>

#include <chrono>
#include <ctime>
#include <fstream>
#include <thread>

#include "machine/ceilings.h"
#include "report/binary_hash.h"
#include "report/build_info.h"

namespace kernels::runner {
namespace {

std::string cpu_model() {
  std::ifstream in("/proc/cpuinfo");
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("model name", 0) != 0) continue;
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::size_t start = line.find_first_not_of(" \t", colon + 1);
    return start == std::string::npos ? "unknown" : line.substr(start);
  }
  return "unknown";
}

std::string host_name() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') return "unknown";
  return name;
}

std::string utc_now() {
  const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
  std::tm utc{};
  gmtime_r(&now, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

std::string field(const Json& context, const char* key) {
  const auto it = context.find(key);
  if (it == context.end()) return "?";
  return it->is_string() ? it->get<std::string>() : it->dump();
}

}  // namespace

const Json& run_context() {
  static const Json context = [] {
    const BuildInfo& b = build_info();
    Json c;
    c["version"] = b.version;
    c["compiler"] = b.compiler;
    c["build_type"] = b.build_type;
    c["flags"] = b.flags;
    c["binary_hash"] = binary_hash();
    c["cpu"] = cpu_model();
    c["cpus"] = std::thread::hardware_concurrency();
    c["host"] = host_name();
    c["date"] = utc_now();
    c["caches"] = caches_json(read_caches().caches);
    return c;
  }();
  return context;
}

std::string context_text(const Json& context) {
  const Json c = context.is_object() ? context : Json::object();
  return "kernels " + field(c, "version") + ", " + field(c, "compiler") + ", " +
         field(c, "build_type") + " (" + field(c, "flags") + "), " + field(c, "cpu") + " × " +
         field(c, "cpus") + ", " + field(c, "host") + ", " + field(c, "date");
}

}  // namespace kernels::runner
