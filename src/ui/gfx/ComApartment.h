// COM on the calling thread for as long as its owner lives, in the apartment the flags ask for
// (a single-threaded one by default). It is uninitialised only when this owner's call
// initialised it: a thread already in COM keeps it as it was.
#pragma once

#include <objbase.h>

namespace gfx {

class ComApartment {
 public:
  explicit ComApartment(DWORD flags = COINIT_APARTMENTTHREADED) : result_(CoInitializeEx(nullptr, flags)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  // The thread was in the other kind of apartment already and stays there.
  bool InOtherApartment() const { return result_ == RPC_E_CHANGED_MODE; }

 private:
  HRESULT result_;
};

}  // namespace gfx
