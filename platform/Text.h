#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

// A counted string of characters. Short texts, every line this program
// writes among them, live inside the object; longer ones on the heap.
template <typename Char>
class CountedText {
 public:
  CountedText() = default;
  template <std::uint32_t N>
  CountedText(const Char (&literal)[N]) : CountedText(literal, N - 1) {}  // NOLINT: literals are texts
  CountedText(const Char* characters, std::uint32_t length) { Append(characters, length); }
  CountedText(const CountedText& other) { Append(other.Data(), other.length_); }
  CountedText(CountedText&& other) noexcept { Take(other); }
  CountedText& operator=(CountedText&& other) noexcept {
    if (this != &other) Take(other);
    return *this;
  }
  CountedText& operator=(const CountedText& other) { return *this = CountedText(other); }
  ~CountedText() = default;

  std::uint32_t Length() const { return length_; }
  const Char* Data() const { return heap_ ? heap_.get() : inline_; }
  Char* Data() { return heap_ ? heap_.get() : inline_; }

  void Append(const Char* characters, std::uint32_t length) {
    Reserve(length);
    std::memcpy(Data() + length_, characters, length * sizeof(Char));
    length_ += length;
  }
  void Append(Char character) { Append(&character, 1); }

  friend CountedText operator+(CountedText left, const CountedText& right) {
    left.Append(right.Data(), right.length_);
    return left;
  }
  // A literal joins without first becoming a text of its own.
  template <std::uint32_t N>
  friend CountedText operator+(CountedText left, const Char (&literal)[N]) {
    left.Append(literal, N - 1);
    return left;
  }

 private:
  static constexpr std::uint32_t InlineCapacity = 32;

  // Takes other's characters, leaving it empty.
  void Take(CountedText& other) noexcept {
    heap_ = std::move(other.heap_);
    length_ = other.length_;
    capacity_ = other.capacity_;
    if (!heap_) std::memcpy(inline_, other.inline_, length_ * sizeof(Char));
    other.length_ = 0;
    other.capacity_ = InlineCapacity;
  }

  // Room for `more` characters beyond the current ones.
  void Reserve(std::uint32_t more) {
    if (more <= capacity_ - length_) return;
    // No more than an array may hold, so that the size in bytes never wraps.
    constexpr std::uint32_t most = PTRDIFF_MAX / sizeof(Char) < UINT32_MAX ? PTRDIFF_MAX / sizeof(Char) : UINT32_MAX;
    if (more > most - length_) throw std::bad_alloc();
    std::uint32_t wanted = length_ + more;
    std::uint32_t grown = capacity_ > most / 2 ? most : capacity_ * 2;
    capacity_ = grown > wanted ? grown : wanted;
    Storage larger(static_cast<Char*>(::operator new (std::size_t{capacity_} * sizeof(Char))));
    std::memcpy(larger.get(), Data(), length_ * sizeof(Char));
    heap_ = std::move(larger);
  }

  // Raw storage: characters need no construction, and a size already
  // bounded needs no second check.
  struct Release {
    void operator()(Char* characters) const noexcept { ::operator delete(characters); }
  };
  using Storage = std::unique_ptr<Char[], Release>;

  Storage heap_;
  std::uint32_t length_ = 0;
  std::uint32_t capacity_ = InlineCapacity;
  Char inline_[InlineCapacity];
};

// Every text the program holds is UTF-16.
using Text = CountedText<char16_t>;

// What the console entry points take.
using SingleByteText = CountedText<char>;

// A text of exactly N characters: longer texts are cut, shorter ones padded
// with spaces. It starts as N characters of code 0.
template <std::uint32_t N>
class FixedText {
 public:
  FixedText() = default;
  FixedText(const char16_t* characters, std::uint32_t length) {
    for (std::uint32_t at = 0; at < N; ++at) characters_[at] = at < length ? characters[at] : u' ';
  }
  template <std::uint32_t M>
  explicit constexpr FixedText(const char16_t (&literal)[M]) {
    static_assert(M - 1 == N, "a fixed text's literal has its exact length");
    for (std::uint32_t at = 0; at < N; ++at) characters_[at] = literal[at];
  }

  static constexpr std::uint32_t Length() { return N; }
  const char16_t* Data() const { return characters_; }

  friend constexpr bool operator==(const FixedText& left, const FixedText& right) {
    for (std::uint32_t at = 0; at < N; ++at)
      if (left.characters_[at] != right.characters_[at]) return false;
    return true;
  }

 private:
  char16_t characters_[N] = {};
};
