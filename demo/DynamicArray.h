#pragma once

#include <cstdint>
#include <exception>
#include <memory>

#include "demo/Int16.h"

// An access to an element that the array does not have.
class IndexOutOfRangeError : public std::exception {
 public:
  const char* what() const noexcept override { return "index out of range: the array has no element there"; }
};

// A release or reallocation while the array's storage is held.
class ArrayHeldError : public std::exception {
 public:
  const char* what() const noexcept override {
    return "array held: it cannot be released or reallocated while its storage is in use";
  }
};

// A one-dimensional array with inclusive 16-bit index bounds, absent until
// allocated. Every element access is checked against the bounds.
template <typename Element>
class DynamicArray {
 public:
  DynamicArray() = default;
  DynamicArray(const DynamicArray&) = delete;
  DynamicArray& operator=(const DynamicArray&) = delete;
  ~DynamicArray() = default;

  bool Present() const { return elements_ != nullptr; }

  // Every element zero; what the array held before is freed.
  void Allocate(Int16 lower, Int16 upper) {
    if (holds_ != 0) throw ArrayHeldError();
    if (upper < lower) throw IndexOutOfRangeError();
    // At most 65,536 elements, which the type itself shows: the size in
    // bytes cannot wrap, so no check for that is made.
    std::uint32_t count = static_cast<std::uint16_t>(upper.Value() - lower.Value()) + 1u;
    // Allocated before anything changes: if it fails, the array is as it was.
    elements_ = std::make_unique<Element[]>(count);
    count_ = count;
    lower_ = lower;
  }

  // Absent again. Releasing an absent array does nothing.
  void Release() {
    if (holds_ != 0) throw ArrayHeldError();
    elements_.reset();
    count_ = 0;
  }

  Element& operator()(Int16 index) {
    // An index below the lower bound wraps to a large offset, so one
    // comparison checks both bounds; an absent array counts no elements.
    std::uint32_t offset = static_cast<std::uint32_t>(index.Value() - lower_.Value());
    if (offset >= count_) throw IndexOutOfRangeError();
    return elements_[offset];
  }

 private:
  template <typename>
  friend class HeldStorage;

  std::unique_ptr<Element[]> elements_;
  Int16 lower_;
  std::uint32_t count_ = 0;
  std::uint32_t holds_ = 0;
};

// The storage of one element, located with the bounds check, with the array
// held so that the storage stays valid until this object is gone. Made as a
// temporary, it holds the array for exactly the statement that uses it.
template <typename Element>
class HeldStorage {
 public:
  HeldStorage(DynamicArray<Element>& array, Int16 index) : array_(array), storage_(&array(index)) { ++array_.holds_; }
  HeldStorage(const HeldStorage&) = delete;
  HeldStorage& operator=(const HeldStorage&) = delete;
  ~HeldStorage() { --array_.holds_; }

  operator const void*() const { return storage_; }  // NOLINT: stands for the storage

 private:
  DynamicArray<Element>& array_;
  const Element* storage_;
};
