// COM on the calling thread, a single-threaded apartment, for as long as its owner lives. It is
// uninitialised only when this owner's call initialised it (a thread already in COM keeps it).
#pragma once

#include <objbase.h>

class ComApartment {
 public:
  ComApartment() : result_(CoInitialize(nullptr)) {}
  ~ComApartment() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  bool Ready() const { return SUCCEEDED(result_); }

 private:
  HRESULT result_;
};
