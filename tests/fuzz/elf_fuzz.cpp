// Plug-in files of any bytes, judged as every tool judges a file before it may load it: the
// reader answers a reason or accepts, and asks only for bytes inside the file, having checked
// each offset first. Anything else (a read past the end, a crash, a sanitizer report, a hang, a
// leak) is a fault.
#include <elf.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "universe/module_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const host::ReadAt read = [data, size](uint64_t offset, void* out, size_t wanted) {
        if (offset > size || wanted > size - offset) std::abort();
        if (wanted) std::memcpy(out, data + offset, wanted);
        return true;
    };
    const host::MachineKind self = host::thisMachine();
    host::whyNotAPlugin(size, read, self);
    // And as though built for this machine, whichever class and processor it names, so that the
    // tables of both classes are read.
    if (size >= EI_NIDENT + 4) {
        host::MachineKind claimed = self;
        claimed.elfClass = data[EI_CLASS];
        std::memcpy(&claimed.machine, data + EI_NIDENT + 2, sizeof(claimed.machine));
        host::whyNotAPlugin(size, read, claimed);
    }
    return 0;
}
