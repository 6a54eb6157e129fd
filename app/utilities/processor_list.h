// The processors Linux reports online, answered in the shape of the Windows registry keys the
// worker count is read from ("HARDWARE\DESCRIPTION\System\CentralProcessor\N", value "~Mhz").
#pragma once

#include <optional>
#include <string>

namespace lumivex {

// N for the key "HARDWARE\DESCRIPTION\System\CentralProcessor\N" with the value "~Mhz" (both
// compared without regard to case, as the registry does); nothing for any other key or value.
std::optional<int> ProcessorOfRegistryKey(const std::string& subKey, const std::string& valueName);

// True when processor `n` is in the kernel's list of online processors.
bool ProcessorIsOnline(int n);

// The clock of processor `n` in MHz, at least 1 (1 when the system does not tell).
long ProcessorMhz(int n);

// True when the kernel's processor list text (as in /sys/devices/system/cpu/online, for example
// "0-3,6,8-9") holds `n`. A malformed list holds nothing.
bool CpuListContains(const std::string& list, int n);

}  // namespace lumivex
