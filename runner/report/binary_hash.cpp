#include "report/binary_hash.h"

#include "job/digest.h"

#if KERNELS_HAVE_LIBELF
#include <fcntl.h>
#include <gelf.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

namespace kernels::runner {

#if KERNELS_HAVE_LIBELF
namespace {

bool left_out(const char* name) {
  return std::strcmp(name, ".comment") == 0 || std::strncmp(name, ".note", 5) == 0;
}

// The hash of an open ELF descriptor, or "unknown (WHY)".
std::string hash_elf(Elf* elf) {
  if (elf_kind(elf) != ELF_K_ELF) return "unknown (not an ELF file)";
  std::size_t names = 0;
  if (elf_getshdrstrndx(elf, &names) != 0) return std::string("unknown (") + elf_errmsg(-1) + ")";
  Fnv1a hash;
  for (Elf_Scn* section = elf_nextscn(elf, nullptr); section != nullptr;
       section = elf_nextscn(elf, section)) {
    GElf_Shdr header;
    if (gelf_getshdr(section, &header) == nullptr)
      return std::string("unknown (") + elf_errmsg(-1) + ")";
    const char* name = elf_strptr(elf, names, header.sh_name);
    if (name == nullptr) return std::string("unknown (") + elf_errmsg(-1) + ")";
    // Only what the program loads: symbols and debug information change with the build folder
    // and with tools that rewrite them (objcopy, strip) while the code stays the same.
    if ((header.sh_flags & SHF_ALLOC) == 0 || header.sh_type == SHT_NOTE || left_out(name))
      continue;
    hash.bytes(name, std::strlen(name) + 1);
    hash.u32(header.sh_type);
    if (header.sh_type == SHT_NOBITS) continue;
    for (Elf_Data* data = elf_rawdata(section, nullptr); data != nullptr;
         data = elf_rawdata(section, data))
      if (data->d_buf != nullptr) hash.bytes(data->d_buf, data->d_size);
  }
  return hex_digest(hash.value());
}

}  // namespace

std::string binary_hash_of(const std::string& path) {
  if (elf_version(EV_CURRENT) == EV_NONE) return "unknown (libelf is out of date)";
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return "unknown (cannot read " + path + ": " + std::strerror(errno) + ")";
  std::string result;
  if (Elf* elf = elf_begin(fd, ELF_C_READ, nullptr); elf == nullptr) {
    result = std::string("unknown (") + elf_errmsg(-1) + ")";
  } else {
    result = hash_elf(elf);
    elf_end(elf);
  }
  close(fd);
  return result;
}

#else

std::string binary_hash_of(const std::string& /*path*/) {
  return "unknown (built without libelf)";
}

#endif

const std::string& binary_hash() {
  static const std::string hash = binary_hash_of("/proc/self/exe");
  return hash;
}

}  // namespace kernels::runner
