#include "libraries/lazy_library.h"

#include <dlfcn.h>

#include <stdexcept>

namespace corvale::lazy {

void Library::open() {
  std::call_once(opened_, [this] {
    handle_ = dlopen(soname_, RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
      const char* reason = dlerror();
      failure_ = std::string(soname_) + " could not be loaded" + (reason ? std::string(": ") + reason : "");
    }
  });
  if (!handle_) throw std::runtime_error(failure_);
}

std::string Library::openFailure() {
  try {
    open();
  } catch (const std::runtime_error& failure) {
    return failure.what();
  }
  return {};
}

void* Library::address(const char* name) {
  open();
  void* found = dlsym(handle_, name);
  if (!found) throw std::runtime_error(std::string(soname_) + " has no function " + name);
  return found;
}

// The names the libraries' files go by, read from the files at build time (engine/CMakeLists.txt).
Library& heif() {
  static Library library(CORVALE_HEIF_SONAME);
  return library;
}

Library& jxl() {
  static Library library(CORVALE_JXL_SONAME);
  return library;
}

Library& avif() {
  static Library library(CORVALE_AVIF_SONAME);
  return library;
}

}  // namespace corvale::lazy
