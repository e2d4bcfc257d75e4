#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

// A program run by a test: in a pseudo-terminal, as a person would run it,
// or with its standard streams on descriptors the test chose.
class Child {
 public:
  using Seconds = std::chrono::duration<double>;
  static constexpr Seconds Patience{10};

  // In a new pseudo-terminal whose settings `adjust` may change first.
  static Child InTerminal(const std::vector<std::string>& command,
                          const std::function<void(int terminal)>& adjust = nullptr);
  // A descriptor of Inherited leaves the test's own; Closed starts it closed.
  static constexpr int Inherited = -1, Closed = -2;
  static Child WithStreams(const std::vector<std::string>& command, int input, int output, int error);

  Child(Child&& other) noexcept;
  Child& operator=(Child&&) = delete;
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child();

  // The terminal's output so far, read until `wanted` has appeared or the
  // patience runs out.
  const std::string& ReadUntil(const std::string& wanted, Seconds patience = Patience);
  // The terminal's output so far, after taking whatever arrives for `time`.
  const std::string& ReadFor(Seconds time);
  void Type(const std::string& keys) const;
  bool Running();
  // The exit status, or -1 when it had to be killed (or died by a signal).
  int Wait(Seconds patience = Patience);
  // Asks it to end (SIGTERM), and waits until it has.
  void Stop();

 private:
  Child(pid_t pid, int terminal) : pid_(pid), terminal_(terminal) {}

  pid_t pid_;
  int terminal_;
  int status_ = 0;
  bool reaped_ = false;
  std::string screen_;
};

// The command that runs `program`, built for the machine under test: through
// its emulator where that is not this one.
std::vector<std::string> Built(const std::string& program);

// For InTerminal: output exactly as the program sent it, with no "\n" made
// "\r\n" on the way.
void RawOutput(int terminal);

// A pipe whose ends close with it, or sooner when asked.
struct Pipe {
  int read = -1, write = -1;
  Pipe();
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;
  ~Pipe();
  void CloseRead();
  void CloseWrite();
};

// Helpers around the test's own files.
std::string ReadAll(int descriptor);
// The whole of the file at `path`; empty when it cannot be read.
std::string FileText(const std::string& path);
std::string TemporaryFolder();
void CopyFile(const std::string& from, const std::string& to);
// A file holding `text`, open for reading from its start, already unlinked.
int InputFile(const std::string& text);
// An empty file open for writing, already unlinked.
int OutputFile();
