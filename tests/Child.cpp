#include "tests/Child.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <thread>

namespace {

[[noreturn]] void Exec(const std::vector<std::string>& command) {
  std::vector<char*> arguments;
  arguments.reserve(command.size() + 1);
  for (const std::string& argument : command) arguments.push_back(const_cast<char*>(argument.c_str()));
  arguments.push_back(nullptr);
  execv(arguments[0], arguments.data());
  _exit(127);
}

}  // namespace

Child Child::InTerminal(const std::vector<std::string>& command, const std::function<void(int)>& adjust) {
  int terminal = -1;
  winsize size{24, 80, 0, 0};
  pid_t pid = forkpty(&terminal, nullptr, nullptr, &size);
  if (pid < 0) throw std::runtime_error("forkpty failed");
  if (pid == 0) {
    if (adjust) adjust(STDIN_FILENO);
    Exec(command);
  }
  return Child(pid, terminal);
}

Child Child::WithStreams(const std::vector<std::string>& command, int input, int output, int error) {
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    int wanted[] = {input, output, error};
    for (int target = 0; target < 3; ++target) {
      if (wanted[target] == Closed)
        close(target);
      else if (wanted[target] >= 0 && wanted[target] != target)
        dup2(wanted[target], target);
    }
    Exec(command);
  }
  return Child(pid, -1);
}

Child::Child(Child&& other) noexcept
    : pid_(other.pid_),
      terminal_(other.terminal_),
      status_(other.status_),
      reaped_(other.reaped_),
      screen_(std::move(other.screen_)) {
  other.reaped_ = true;
  other.terminal_ = -1;
}

Child::~Child() {
  if (!reaped_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (terminal_ >= 0) close(terminal_);
}

const std::string& Child::ReadUntil(const std::string& wanted, Seconds patience) {
  auto deadline = std::chrono::steady_clock::now() + patience;
  while (screen_.find(wanted) == std::string::npos) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd ready{terminal_, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(left.count())) <= 0) break;
    char bytes[4096];
    ssize_t count = read(terminal_, bytes, sizeof bytes);
    if (count <= 0) break;  // the terminal's other end closed
    screen_.append(bytes, static_cast<size_t>(count));
  }
  return screen_;
}

const std::string& Child::ReadFor(Seconds time) { return ReadUntil("\x01never\x01", time); }

void Child::Type(const std::string& keys) const {
  if (write(terminal_, keys.data(), keys.size()) != static_cast<ssize_t>(keys.size()))
    throw std::runtime_error("typing failed");
}

bool Child::Running() {
  if (reaped_) return false;
  pid_t done = waitpid(pid_, &status_, WNOHANG);
  if (done == pid_) reaped_ = true;
  return !reaped_;
}

int Child::Wait(Seconds patience) {
  auto deadline = std::chrono::steady_clock::now() + patience;
  while (Running()) {
    if (terminal_ >= 0)
      ReadFor(std::chrono::milliseconds(20));  // keep the terminal drained
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      reaped_ = true;
      return -1;
    }
  }
  return WIFEXITED(status_) ? WEXITSTATUS(status_) : -1;
}

void Child::Stop() {
  if (Running()) kill(pid_, SIGTERM);
  Wait();
}

std::vector<std::string> Built(const std::string& program) {
  std::vector<std::string> command;
#if defined(PROGRAM_EMULATOR)
  // Its words, separated by spaces.
  std::string emulator = PROGRAM_EMULATOR;
  for (size_t start = 0, end; start <= emulator.size(); start = end + 1) {
    end = emulator.find(' ', start);
    if (end == std::string::npos) end = emulator.size();
    command.push_back(emulator.substr(start, end - start));
  }
#endif
  command.push_back(program);
  return command;
}

void RawOutput(int terminal) {
  termios settings;
  tcgetattr(terminal, &settings);
  settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  tcsetattr(terminal, TCSANOW, &settings);
}

Pipe::Pipe() {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  read = ends[0];
  write = ends[1];
}

Pipe::~Pipe() {
  CloseRead();
  CloseWrite();
}

void Pipe::CloseRead() {
  if (read >= 0) close(read);
  read = -1;
}

void Pipe::CloseWrite() {
  if (write >= 0) close(write);
  write = -1;
}

std::string FileText(const std::string& path) {
  int file = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (file < 0) return "";
  std::string text = ReadAll(file);
  close(file);
  return text;
}

std::string ReadAll(int descriptor) {
  std::string all;
  char bytes[4096];
  ssize_t count = 0;
  while ((count = read(descriptor, bytes, sizeof bytes)) > 0) all.append(bytes, static_cast<size_t>(count));
  return all;
}

std::string TemporaryFolder() {
  std::string pattern = (std::getenv("TMPDIR") ? std::string(std::getenv("TMPDIR")) : "/tmp") + "/kestrune-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  return pattern;
}

void CopyFile(const std::string& from, const std::string& to) {
  int source = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  int target = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0755);
  if (source < 0 || target < 0) throw std::runtime_error("cannot copy " + from);
  std::string bytes = ReadAll(source);
  bool written = write(target, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  close(source);
  close(target);
  if (!written) throw std::runtime_error("cannot copy " + from);
}

namespace {

int UnlinkedFile(const std::string& text) {
  std::string folder = TemporaryFolder();
  std::string path = folder + "/file";
  int file = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  unlink(path.c_str());
  rmdir(folder.c_str());
  if (file < 0 || write(file, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
    throw std::runtime_error("cannot make a file");
  lseek(file, 0, SEEK_SET);
  return file;
}

}  // namespace

int InputFile(const std::string& text) { return UnlinkedFile(text); }

int OutputFile() { return UnlinkedFile(""); }
