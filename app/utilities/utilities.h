// Clock, path and platform helpers shared by the batch pipeline and both front ends. None of them
// keeps state of its own. Paths are UTF-8 with "/" as the separator.
#pragma once

#include <cstdint>
#include <string>

namespace lumivex {

// Milliseconds of a steady clock; only the difference of two readings means anything.
std::int64_t ClockMs();

// The text after the last "/", or the whole path when it has none.
std::string FileNameOf(const std::string& path);

// The text up to and including the last "/", or the empty string when the path has none.
std::string FolderOf(const std::string& path);

// True when the path names an existing regular file (hidden ones included). Never fails: an
// empty, invalid or unreachable path answers false.
bool FileExists(const std::string& path);

// True when the path names an existing folder, and also when it names an existing file (callers
// use it to decide whether a folder still has to be created, and a file there blocks that too).
bool FolderExists(const std::string& path);

// Answers the processor registry keys "HARDWARE\DESCRIPTION\System\CentralProcessor\N", value
// "~Mhz", from the processors Linux reports online: a decimal number above 0 when processor N is
// online (its clock in MHz, or 1 when the clock is unknown). Any other key or value answers the
// empty string. The root key is accepted and ignored.
std::string ReadRegValue(std::intptr_t rootKey, const std::string& subKey, const std::string& valueName);

// The HKEY_LOCAL_MACHINE root handle, for callers that want to spell the call as it reads.
inline constexpr std::intptr_t kHkeyLocalMachine = static_cast<std::intptr_t>(0x80000002);

// Sets the C library up for a process that resizes photos, once at start-up, for both front ends.
// A 12-megapixel photo is a 48 MB picture, above the size from which the library maps every
// allocation afresh and unmaps it on release; the next photo would then fault in (and the kernel
// zero) all its pages again, which costs about as much as decoding it. Instead released memory is
// kept for the next photo and given back when the process ends; the large buffers themselves ask
// for huge pages where they are allocated (gdi::AdviseHugePages).
void KeepReleasedMemoryForTheNextPhoto();

// The folder of the running executable, with a trailing "/"; empty when it cannot be found.
std::string ExecutableFolder();

}  // namespace lumivex
