#include "universe/module_file.h"

#include <dlfcn.h>
#include <elf.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "universe/host_error.h"

namespace host {

namespace {

// No plug-in comes near these; a file beyond them is no plug-in, and is not read further.
constexpr uint64_t kMaxSectionTable = uint64_t{1} << 24;  // bytes
constexpr uint64_t kMaxSymbolTable = uint64_t{1} << 26;
constexpr uint64_t kMaxSymbolNames = uint64_t{1} << 26;

constexpr char kEntry[] = "NodeLoader";  // compared with its terminating NUL

struct Elf32 {
    using Ehdr = Elf32_Ehdr;
    using Shdr = Elf32_Shdr;
    using Sym = Elf32_Sym;
};
struct Elf64 {
    using Ehdr = Elf64_Ehdr;
    using Shdr = Elf64_Shdr;
    using Sym = Elf64_Sym;
};

/// Whether [offset, offset + size) lies inside a file of `fileSize` bytes; never overflows.
bool within(uint64_t offset, uint64_t size, uint64_t fileSize) {
    return offset <= fileSize && size <= fileSize - offset;
}

std::string classWords(unsigned char elfClass) {
    switch (elfClass) {
        case ELFCLASS32:
            return "32-bit";
        case ELFCLASS64:
            return "64-bit";
        default:
            return "ELF class " + std::to_string(elfClass);
    }
}

std::string encodingWords(unsigned char encoding) {
    switch (encoding) {
        case ELFDATA2LSB:
            return "little-endian";
        case ELFDATA2MSB:
            return "big-endian";
        default:
            return "ELF data encoding " + std::to_string(encoding);
    }
}

std::string typeWords(unsigned type) {
    switch (type) {
        case ET_EXEC:
            return "an executable, not a shared object";
        case ET_REL:
            return "an object file, not a shared object";
        case ET_CORE:
            return "a core dump, not a shared object";
        default:
            return "not a shared object (ELF type " + std::to_string(type) + ")";
    }
}

template <typename Elf>
std::string checkTables(uint64_t fileSize, const ReadAt& read, const MachineKind& machine) {
    using Shdr = typename Elf::Shdr;
    using Sym = typename Elf::Sym;
    typename Elf::Ehdr header;
    if (fileSize < sizeof(header) || !read(0, &header, sizeof(header)))
        return "truncated ELF header";
    if (header.e_machine != machine.machine)
        return "built for another processor (ELF machine " + std::to_string(header.e_machine) +
               ", this one is " + std::to_string(machine.machine) + ")";
    if (header.e_type != ET_DYN) return typeWords(header.e_type);

    // The dynamic symbols are found through the section table, as nm -D finds them.
    if (header.e_shoff == 0) return "no section table to find its symbols by";
    if (header.e_shentsize != sizeof(Shdr))
        return "malformed: section headers of " + std::to_string(header.e_shentsize) + " bytes";
    uint64_t count = header.e_shnum;
    if (count == 0) {  // more sections than the header holds: the count is in section 0
        Shdr first;
        if (!within(header.e_shoff, sizeof(first), fileSize) ||
            !read(header.e_shoff, &first, sizeof(first)))
            return "malformed: section table beyond the end of the file";
        count = first.sh_size;
    }
    if (count > kMaxSectionTable / sizeof(Shdr)) return "malformed: too many sections";
    if (!within(header.e_shoff, count * sizeof(Shdr), fileSize))
        return "malformed: section table beyond the end of the file";
    std::vector<Shdr> sections(static_cast<size_t>(count));
    if (count && !read(header.e_shoff, sections.data(), count * sizeof(Shdr)))
        return "malformed: section table beyond the end of the file";

    const Shdr* symbols = nullptr;
    for (const Shdr& section : sections)
        if (section.sh_type == SHT_DYNSYM) {
            symbols = &section;
            break;
        }
    if (!symbols) return "no dynamic symbol table";
    if (symbols->sh_entsize != sizeof(Sym))
        return "malformed: dynamic symbols of " + std::to_string(symbols->sh_entsize) + " bytes";
    if (symbols->sh_link >= count || sections[symbols->sh_link].sh_type != SHT_STRTAB)
        return "malformed: the dynamic symbols have no name table";
    const Shdr& names = sections[symbols->sh_link];
    if (symbols->sh_size > kMaxSymbolTable || names.sh_size > kMaxSymbolNames)
        return "more dynamic symbols than a plug-in has";
    if (!within(symbols->sh_offset, symbols->sh_size, fileSize) ||
        !within(names.sh_offset, names.sh_size, fileSize))
        return "malformed: dynamic symbols beyond the end of the file";
    std::vector<Sym> table(symbols->sh_size / sizeof(Sym));
    std::vector<char> text(names.sh_size);
    if ((!table.empty() && !read(symbols->sh_offset, table.data(), table.size() * sizeof(Sym))) ||
        (!text.empty() && !read(names.sh_offset, text.data(), text.size())))
        return "malformed: dynamic symbols beyond the end of the file";

    bool named = false;
    for (const Sym& symbol : table) {
        if (symbol.st_name >= text.size() || text.size() - symbol.st_name < sizeof(kEntry) ||
            std::memcmp(&text[symbol.st_name], kEntry, sizeof(kEntry)) != 0)
            continue;
        named = true;
        const unsigned bind = ELF64_ST_BIND(symbol.st_info);  // the same bits in both classes
        const unsigned visibility = ELF64_ST_VISIBILITY(symbol.st_other);
        if (symbol.st_shndx != SHN_UNDEF && symbol.st_shndx < SHN_LORESERVE &&
            ELF64_ST_TYPE(symbol.st_info) == STT_FUNC && (bind == STB_GLOBAL || bind == STB_WEAK) &&
            (visibility == STV_DEFAULT || visibility == STV_PROTECTED))
            return "";
    }
    return named ? "its NodeLoader is not an exported function" : "exports no NodeLoader";
}

bool nativeIsLittleEndian() {
    const uint16_t one = 1;
    unsigned char first;
    std::memcpy(&first, &one, 1);
    return first == 1;
}

}  // namespace

MachineKind thisMachine() {
    // The host library is mapped from its first byte, so its ELF header is in memory.
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&thisMachine), &info) || !info.dli_fbase)
        throw HostError("cannot find the host library's ELF header");
    const auto* ident = static_cast<const unsigned char*>(info.dli_fbase);
    if (std::memcmp(ident, ELFMAG, SELFMAG) != 0)
        throw HostError("cannot find the host library's ELF header");
    MachineKind kind;
    kind.elfClass = ident[EI_CLASS];
    kind.dataEncoding = ident[EI_DATA];
    // e_machine follows e_ident and e_type in both classes.
    std::memcpy(&kind.machine, ident + EI_NIDENT + 2, sizeof(kind.machine));
    return kind;
}

std::string whyNotAPlugin(uint64_t fileSize, const ReadAt& read, const MachineKind& machine) {
    unsigned char ident[EI_NIDENT];
    if (fileSize < EI_NIDENT || !read(0, ident, EI_NIDENT) ||
        std::memcmp(ident, ELFMAG, SELFMAG) != 0)
        return "not an ELF file";
    if (ident[EI_CLASS] != machine.elfClass)
        return "built for " + classWords(ident[EI_CLASS]) + ", this machine is " +
               classWords(machine.elfClass);
    if (ident[EI_DATA] != machine.dataEncoding)
        return "built for " + encodingWords(ident[EI_DATA]) + ", this machine is " +
               encodingWords(machine.dataEncoding);
    if (ident[EI_VERSION] != EV_CURRENT)
        return "unknown ELF version " + std::to_string(ident[EI_VERSION]);
    // The tables are read in this host's byte order, which is the module's from here on.
    if ((machine.dataEncoding == ELFDATA2LSB) != nativeIsLittleEndian())
        return "in a byte order this host does not read";
    if (machine.elfClass == ELFCLASS64) return checkTables<Elf64>(fileSize, read, machine);
    if (machine.elfClass == ELFCLASS32) return checkTables<Elf32>(fileSize, read, machine);
    return "built for " + classWords(machine.elfClass) + ", which this host does not read";
}

std::string whyNotAPlugin(int fd, uint64_t fileSize, const MachineKind& machine) {
    const ReadAt read = [fd](uint64_t offset, void* out, size_t size) {
        auto* bytes = static_cast<char*>(out);
        while (size > 0) {
            const ssize_t got = pread(fd, bytes, size, static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            bytes += got;
            size -= static_cast<size_t>(got);
            offset += static_cast<uint64_t>(got);
        }
        return true;
    };
    return whyNotAPlugin(fileSize, read, machine);
}

}  // namespace host
