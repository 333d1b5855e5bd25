#include "sysinfo/cpu_name.h"

namespace melkrin {
namespace {

std::string registerText(std::uint32_t value) {
    // CPUID strings are the registers' bytes, lowest first.
    std::string text(4, '\0');
    for (int i = 0; i < 4; ++i) text[static_cast<std::size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return text;
}

std::string vendorOf(Cpuid& cpu) {
    const CpuidRegisters r = cpu.query(0);
    return registerText(r.ebx) + registerText(r.edx) + registerText(r.ecx);
}

// Built by appending: GCC 12 warns falsely about "literal" + std::string.
std::string numbered(const char* before, unsigned number, const char* after) {
    std::string text(before);
    text += std::to_string(number);
    text += after;
    return text;
}

std::string intelName(unsigned family, unsigned model) {
    switch (family) {
        case 4: return "486";
        case 5: return model == 4 || model == 8 ? "Pentium MMX" : "Pentium";
        case 6:
            switch (model) {
                case 1: return "Pentium Pro";
                case 3:
                case 5: return "Pentium II";
                case 6: return "Celeron";
                case 7:
                case 8:
                case 10:
                case 11: return "Pentium III";
                case 9:
                case 13: return "Pentium M";
                default: return numbered("P6 (Model ", model, ")");
            }
        case 15: return "Pentium 4";
        default: return numbered("P", family, "");
    }
}

std::string amdName(unsigned family, unsigned model) {
    switch (family) {
        case 4: return "Am486";
        case 5:
            if (model <= 3) return "K5";
            if (model <= 7) return "K6";
            if (model == 8) return "K6-2";
            if (model == 9 || model == 13) return "K6-III";
            return {};
        case 6:
            if (model == 3 || model == 7) return "Duron";
            if (model == 6 || model == 8 || model == 10) return "Athlon XP";
            return "Athlon";
        case 15: return "Athlon 64";
        default: return {};
    }
}

}  // namespace

std::string namedProcessor(const std::string& vendor, unsigned family, unsigned model) {
    if (vendor == "GenuineIntel") return intelName(family, model);
    if (vendor == "AuthenticAMD") return amdName(family, model);
    if (vendor == "CyrixInstead") return family == 6 ? "6x86MX" : family == 5 ? "6x86" : "";
    if (vendor == "CentaurHauls") return family == 6 ? "C3" : family == 5 ? "WinChip" : "";
    return {};
}

std::string cpuName(Cpuid& cpu) {
    if (!cpu.available()) return {};
    if (cpu.query(0x80000000).eax >= 0x80000004) {
        std::string brand;
        for (std::uint32_t function = 0x80000002; function <= 0x80000004; ++function) {
            const CpuidRegisters r = cpu.query(function);
            brand += registerText(r.eax) + registerText(r.ebx) + registerText(r.ecx) + registerText(r.edx);
        }
        const auto nul = brand.find('\0');
        if (nul != std::string::npos) brand.resize(nul);
        return brand;
    }
    const std::string vendor = vendorOf(cpu);
    if (cpu.query(0).eax < 1) return {};
    const std::uint32_t signature = cpu.query(1).eax;
    const unsigned family = (signature >> 8) & 0xF;
    const unsigned model = (signature >> 4) & 0xF;
    return namedProcessor(vendor, family, model);
}

bool hasTimeStampCounter(Cpuid& cpu) {
    if (!cpu.available() || cpu.query(0).eax < 1) return false;
    return (cpu.query(1).edx & (1u << 4)) != 0;
}

}  // namespace melkrin
