// The Windows executables' structure, read with tools no one here wrote.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "tests/Child.h"
#include "tests/Tools.h"

namespace {

const std::string I686 = WINDOWS_I686_EXECUTABLE;
const std::string X86_64 = WINDOWS_X86_64_EXECUTABLE;

class WindowsExecutable : public testing::Test {
 protected:
  static void RequireBuilt(const std::string& path) {
    ASSERT_TRUE(Exists(path)) << path << " is not built: run ./build-and-test.sh, or the windows workflow presets";
  }
};

struct Build {
  const char* name;
  const std::string* path;
  const char* format;
  const char* magic;
};

void PrintTo(const Build& build, std::ostream* out) { *out << build.name; }

class PortableExecutable : public testing::TestWithParam<Build> {};

TEST_P(PortableExecutable, IsAGuiProgramImportingOnlySystemLibraries) {
  const Build& build = GetParam();
  ASSERT_TRUE(Exists(*build.path)) << *build.path << " is not built: run ./build-and-test.sh";
  std::string headers = ToolOutput("objdump", "binutils", "-p " + *build.path);
  EXPECT_NE(headers.find(std::string("file format ") + build.format + "\n"), std::string::npos);
  EXPECT_TRUE(std::regex_search(headers, std::regex(std::string("Magic\\s+\\w+\\s+\\(") + build.magic + "\\)")));
  EXPECT_TRUE(std::regex_search(headers, std::regex("Subsystem\\s+00000002\\s+\\(Windows GUI\\)")));

  std::set<std::string> libraries;
  std::regex dll("DLL Name: (\\S+)");
  for (std::sregex_iterator at(headers.begin(), headers.end(), dll), end; at != end; ++at) libraries.insert((*at)[1]);
  EXPECT_EQ(libraries, (std::set<std::string>{"KERNEL32.dll", "msvcrt.dll"}));

  // Bound by name at run time, so none of them is in the import table.
  for (const char* entry :
       {"AllocConsole", "FreeConsole", "GetStdHandle", "WriteConsoleA", "ReadConsoleA", "RtlMoveMemory", "MessageBoxA"})
    EXPECT_FALSE(std::regex_search(headers, std::regex(std::string("\\s") + entry + "\\n"))) << entry << " is imported";
}

INSTANTIATE_TEST_SUITE_P(Builds, PortableExecutable,
                         testing::Values(Build{"i686", &I686, "pei-i386", "PE32"},
                                         Build{"x86_64", &X86_64, "pei-x86-64", "PE32\\+"}),
                         [](const testing::TestParamInfo<Build>& info) { return std::string(info.param.name); });

TEST_F(WindowsExecutable, FitsIn64KiB) {
  RequireBuilt(I686);
  struct stat status;
  ASSERT_EQ(stat(I686.c_str(), &status), 0);
  EXPECT_LE(status.st_size, 64 * 1024) << "Kestrune.exe, resources and all";
}

TEST_F(WindowsExecutable, IconHasTheThreeImages) {
  RequireBuilt(I686);
  std::string folder = TemporaryFolder();
  std::string icon = folder + "/Kestrune.ico";
  ToolOutput("wrestool", "icoutils", "-x --type=14 --name=1 -o " + icon + " " + I686);
  EXPECT_EQ(ToolOutput("icotool", "icoutils", "-l " + icon),
            "--icon --index=1 --width=32 --height=32 --bit-depth=1 --palette-size=2\n"
            "--icon --index=2 --width=32 --height=32 --bit-depth=4 --palette-size=16\n"
            "--icon --index=3 --width=16 --height=16 --bit-depth=4 --palette-size=16\n");
  unlink(icon.c_str());
  rmdir(folder.c_str());
}

// One node of a version resource: a key, a value, and nodes within it.
struct VersionNode {
  std::u16string key;
  std::string value;  // the raw bytes
  bool text = false;
  std::vector<VersionNode> children;
};

std::uint16_t Word(const std::string& bytes, size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1])
                                                                                << 8);
}

std::uint32_t DoubleWord(const std::string& bytes, size_t at) {
  return Word(bytes, at) | static_cast<std::uint32_t>(Word(bytes, at + 2)) << 16;
}

size_t Aligned(size_t at) { return (at + 3) & ~size_t{3}; }

VersionNode Parse(const std::string& bytes, size_t at) {
  VersionNode node;
  size_t end = at + Word(bytes, at);
  size_t valueLength = Word(bytes, at + 2);
  node.text = Word(bytes, at + 4) == 1;
  size_t cursor = at + 6;
  for (; Word(bytes, cursor) != 0; cursor += 2) node.key += static_cast<char16_t>(Word(bytes, cursor));
  cursor = Aligned(cursor + 2);
  size_t valueBytes = node.text ? valueLength * 2 : valueLength;
  node.value = bytes.substr(cursor, valueBytes);
  for (cursor = Aligned(cursor + valueBytes); cursor < end; cursor = Aligned(cursor + Word(bytes, cursor)))
    node.children.push_back(Parse(bytes, cursor));
  return node;
}

std::u16string Utf16(const std::string& value) {
  std::u16string text;
  for (size_t at = 0; at + 1 < value.size(); at += 2) text += static_cast<char16_t>(Word(value, at));
  while (!text.empty() && text.back() == u'\0') text.pop_back();
  return text;
}

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

TEST_F(WindowsExecutable, VersionRecordDecodes) {
  RequireBuilt(I686);
  std::string record = ToolOutput("wrestool", "icoutils", "-x --raw --type=16 " + I686);
  ASSERT_GT(record.size(), 100u);
  VersionNode root = Parse(record, 0);
  EXPECT_EQ(Narrow(root.key), "VS_VERSION_INFO");
  ASSERT_EQ(root.value.size(), 52u);
  EXPECT_EQ(DoubleWord(root.value, 0), 0xFEEF04BDu);
  struct Field {
    const char* name;
    size_t offset;
    std::uint32_t value;
  } fixed[] = {{"file version, major", 8, 0x00010000},
               {"file version, minor", 12, 0},
               {"product version, major", 16, 0x00010000},
               {"product version, minor", 20, 0}};
  for (const Field& field : fixed) EXPECT_EQ(DoubleWord(root.value, field.offset), field.value) << field.name;

  std::map<std::string, std::string> strings;
  std::string tableName, translation;
  for (const VersionNode& block : root.children) {
    if (Narrow(block.key) == "StringFileInfo") {
      ASSERT_EQ(block.children.size(), 1u);
      tableName = Narrow(block.children[0].key);
      for (const VersionNode& entry : block.children[0].children)
        strings[Narrow(entry.key)] = Narrow(Utf16(entry.value));
    } else if (Narrow(block.key) == "VarFileInfo") {
      ASSERT_EQ(block.children.size(), 1u);
      EXPECT_EQ(Narrow(block.children[0].key), "Translation");
      translation = block.children[0].value;
    }
  }
  EXPECT_EQ(tableName, "040904B0");
  ASSERT_EQ(translation.size(), 4u);
  EXPECT_EQ(Word(translation, 0), 0x0409) << "the translation names the table's language";
  EXPECT_EQ(Word(translation, 2), 0x04B0) << "the translation names the table's code page";
  std::map<std::string, std::string> wanted = {
      {"FileVersion", "1.00"},     {"ProductVersion", "1.00"},           {"InternalName", "Kestrune"},
      {"ProductName", "Kestrune"}, {"OriginalFilename", "Kestrune.exe"}, {"FileDescription", "Kestrune"}};
  for (const auto& [name, value] : wanted) EXPECT_EQ(strings[name], value) << name;
}

}  // namespace
