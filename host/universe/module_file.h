// What a file is, judged from its ELF header and dynamic symbol table before anything loads it.
//
// Loading a library runs its constructors, so a file is read as data first: only a shared object
// of this process's kind that exports NodeLoader goes on to the dynamic loader. The file is
// hostile input: every offset and size in it is checked against the file's length before use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace host {

/// The ELF header fields a module must share with the process that loads it.
struct MachineKind {
    uint8_t elfClass = 0;      ///< ELFCLASS32 or ELFCLASS64
    uint8_t dataEncoding = 0;  ///< ELFDATA2LSB or ELFDATA2MSB
    uint16_t machine = 0;      ///< EM_X86_64, EM_AARCH64, ...
};

/// This process's kind, read from the ELF header of the loaded host library. Throws HostError
/// when that header cannot be found.
MachineKind thisMachine();

/// Fills `out` with the `size` bytes at `offset`; false when the file has no such bytes.
using ReadAt = std::function<bool(uint64_t offset, void* out, size_t size)>;

/// Why the file of `fileSize` bytes behind `read` is not a plug-in module for `machine`, in a few
/// words ("not an ELF file", "exports no NodeLoader", ...); empty when it is one. Reads at most
/// the headers, the section table, the dynamic symbols and their names, each bounded in size.
std::string whyNotAPlugin(uint64_t fileSize, const ReadAt& read, const MachineKind& machine);

/// whyNotAPlugin of the open regular file `fd`, read with pread.
std::string whyNotAPlugin(int fd, uint64_t fileSize, const MachineKind& machine);

}  // namespace host
