// A shared library opened on its first use instead of when the program starts. libheif, libavif and
// libjxl pull in a dozen codecs (libde265, x265, aom, dav1d, rav1e, SVT-AV1, highway, ...) whose
// loading and set-up take about 15 ms at every start: as long as two phone photos take to resize,
// paid by every run, while most runs never read or write those formats.
//
// The headers beside this one (lazy_heif.h, lazy_jxl.h, lazy_avif.h) include the library's own
// header and then name each function the program calls as a macro that looks the function up in
// the opened library, so the code that calls them reads as plain library calls.
#pragma once

#include <mutex>
#include <string>

namespace corvale::lazy {

class Library {
 public:
  explicit Library(const char* soname) : soname_(soname) {}
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  // Opens the library if it is not open yet; throws std::runtime_error when it cannot be opened.
  // A decoder that runs in a forked child calls it before the fork, so that the child never opens
  // a library itself.
  void open();
  // Opens the library if it is not open yet, and says why it could not be opened: empty when it
  // is open. A reader names this reason for the file it cannot decode.
  std::string openFailure();
  // The address of a function of the library; throws when the library or the name is missing.
  void* address(const char* name);

 private:
  const char* soname_;
  std::once_flag opened_;
  void* handle_ = nullptr;
  std::string failure_;
};

Library& heif();
Library& jxl();
Library& avif();

template <typename Function>
Function function(Library& library, const char* name) {
  return reinterpret_cast<Function>(library.address(name));
}

}  // namespace corvale::lazy

// The function `name` of `library` (heif, jxl or avif), typed as the library's header declares it.
#define CORVALE_LAZY(library, name) \
  (::corvale::lazy::function<decltype(&::name)>(::corvale::lazy::library(), #name))
