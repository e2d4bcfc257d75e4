#pragma once

#include <cstdint>
#include <exception>

#include "platform/Text.h"

// A sum that does not fit in 16 bits.
class OverflowError : public std::exception {
 public:
  const char* what() const noexcept override { return "overflow: the result does not fit in a 16-bit integer"; }
};

// A 16-bit signed integer whose additions are checked. Its storage is exactly
// its two bytes, so its address is the address of the value.
class Int16 {
 public:
  constexpr Int16() = default;
  constexpr explicit Int16(std::int16_t value) : value_(value) {}
  // Constants are checked where they are written: one out of range does not compile.
  consteval Int16(int constant) : value_(static_cast<std::int16_t>(constant)) {  // NOLINT: constants convert
    if (constant < INT16_MIN || constant > INT16_MAX) throw "a 16-bit constant out of range";
  }

  constexpr std::int16_t Value() const { return value_; }

  friend Int16 operator+(Int16 left, Int16 right) {
    std::int16_t sum = 0;
    if (__builtin_add_overflow(left.value_, right.value_, &sum)) throw OverflowError();
    return Int16(sum);
  }
  friend constexpr auto operator<=>(Int16, Int16) = default;

 private:
  std::int16_t value_ = 0;
};

static_assert(sizeof(Int16) == 2, "an Int16 is its two bytes and nothing else");

// The decimal digits of `number`, with a minus sign before a negative one.
Text Decimal(Int16 number);
