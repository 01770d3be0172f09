// The binary hash: what a tracker compares to tell whether two reports came from the same code.
#ifndef KERNELS_RUNNER_REPORT_BINARY_HASH_H_
#define KERNELS_RUNNER_REPORT_BINARY_HASH_H_

#include <string>

namespace kernels::runner {

// The hash of the ELF file at `path`: 64-bit FNV-1a, as 16 lower-case hexadecimal digits, over
// each section that the program loads (SHF_ALLOC), in the order of the section headers, except
// the .note* sections (SHT_NOTE, or named so: the build ID, which changes while the code does
// not); .comment, the compiler's identification, is not loaded. Each section counts with its
// name, a zero byte, its type as 4 bytes little-endian, and its contents (nothing for a section
// with no bytes in the file, such as .bss). Symbols and debug information do not count, so two
// builds of the same code by the same compiler have the same hash, in any folder, stripped or not.
// Returns "unknown (WHY)" when the file cannot be read or is not ELF, or when the runner was
// built without libelf; never throws.
std::string binary_hash_of(const std::string& path);

// binary_hash_of this process's own program (/proc/self/exe), computed on the first call.
const std::string& binary_hash();

}  // namespace kernels::runner

#endif  // KERNELS_RUNNER_REPORT_BINARY_HASH_H_
