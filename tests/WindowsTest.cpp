// The Windows executables' structure, read with tools no one here wrote.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/Child.h"
#include "tests/PackagedTools.h"

namespace {

const std::string I686 = WINDOWS_I686_EXECUTABLE;
const std::string X86_64 = WINDOWS_X86_64_EXECUTABLE;

// The manifest the executable at `path` carries, as the loader reads it.
std::string Manifest(const std::string& path) {
  return ToolOutput("wrestool", "icoutils", "-x --raw --type=24 --name=1 " + path);
}

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
  bool highEntropy;  // 64-bit addresses for ASLR to choose from
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

// What a release carries beyond its code: a manifest that asks for no
// elevation, names the Windows versions it was written for, themes and
// sharpens its message box, and changes nothing of the console; and the
// flags that let Windows place and guard it.
TEST_P(PortableExecutable, DeclaresWhatAReleaseNeeds) {
  const Build& build = GetParam();
  ASSERT_TRUE(Exists(*build.path)) << *build.path << " is not built: run ./build-and-test.sh";
  std::string manifest = Manifest(*build.path);
  const char* wanted[] = {
      "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
      "<supportedOS Id=\"{e2011457-1546-43c5-a5fe-008deee3d3f0}\"/>",  // Vista
      "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>",  // 7
      "<supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>",  // 8
      "<supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>",  // 8.1
      "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>",  // 10 and 11
      "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" processorArchitecture=\"*\" "
      "publicKeyToken=\"6595b64144ccf1df\"",
      ">true/pm</dpiAware>",
      ">PerMonitorV2,PerMonitor</dpiAwareness>",
  };
  for (const char* element : wanted) EXPECT_NE(manifest.find(element), std::string::npos) << element;
  for (const char* console : {"activeCodePage", "consoleAllocationPolicy", "disableWindowFiltering"})
    EXPECT_EQ(manifest.find(console), std::string::npos) << console;

  std::string headers = ToolOutput("objdump", "binutils", "-p " + *build.path);
  // objdump names each flag on a line of its own, indented, after the value.
  std::set<std::string> flags;
  std::istringstream lines(headers.substr(headers.find("DllCharacteristics")));
  std::string line;
  std::getline(lines, line);
  while (std::getline(lines, line) && line.starts_with("\t")) flags.insert(line.substr(line.find_first_not_of('\t')));
  std::set<std::string> expected = {"DYNAMIC_BASE", "NX_COMPAT", "TERMINAL_SERVICE_AWARE"};
  if (build.highEntropy) expected.insert("HIGH_ENTROPY_VA");
  EXPECT_EQ(flags, expected);
}

INSTANTIATE_TEST_SUITE_P(Builds, PortableExecutable,
                         testing::Values(Build{"i686", &I686, "pei-i386", "PE32", false},
                                         Build{"x86_64", &X86_64, "pei-x86-64", "PE32\\+", true}),
                         [](const testing::TestParamInfo<Build>& info) { return std::string(info.param.name); });

// The program and its icon and version record fit in 64 KiB; the manifest
// that a release carries adds the 512-byte blocks it fills, and no more.
TEST_F(WindowsExecutable, FitsIn64KiBBesideItsManifest) {
  RequireBuilt(I686);
  struct stat status;
  ASSERT_EQ(stat(I686.c_str(), &status), 0);
  size_t manifest = Manifest(I686).size();
  ASSERT_GT(manifest, 0u);
  off_t manifestBlocks = static_cast<off_t>((manifest + 511) / 512 * 512);
  EXPECT_LE(status.st_size, 64 * 1024 + manifestBlocks) << "Kestrune.exe, resources and all";
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

// Two clean clones of the commit under test, in two folders, built one after
// the other: each Windows executable comes out the same to the byte, its
// header's time is the commit's, and neither folder's path is in it.
TEST_F(WindowsExecutable, RebuildsAreByteIdentical) {
  std::string folder = TemporaryFolder();
  std::string commitTime;
  std::map<std::string, std::string> first;
  for (const char* clone : {"/one", "/two"}) {
    std::string source = folder + clone;
    ToolOutput("git", "git", "clone -q " + std::string(SOURCE_FOLDER) + " " + source);
    commitTime = ToolOutput("git", "git", "-C " + source + " log -1 --format=%ct");
    for (const char* preset : {"windows-i686", "windows-x86_64"}) {
      ToolOutput("cmake", "cmake", "-S " + source + " --preset " + preset + " >/dev/null");
      ToolOutput("cmake", "cmake", "--build " + source + "/build/" + preset + " >/dev/null");
      std::string built = source + "/build/" + preset + "/bin/Kestrune.exe";
      std::string bytes = FileText(built);
      ASSERT_GT(bytes.size(), 0x100u) << built;
      EXPECT_EQ(bytes.find(source), std::string::npos) << built << " holds the path it was built in";
      std::uint32_t header = DoubleWord(bytes, 0x3C);
      EXPECT_EQ(std::to_string(DoubleWord(bytes, header + 8)) + "\n", commitTime) << built << ": the header's time";
      if (first.count(preset) == 0)
        first[preset] = bytes;
      else
        EXPECT_TRUE(bytes == first[preset]) << preset << ": two builds of one commit differ";
    }
  }
  ToolOutput("rm", "coreutils", "-rf " + folder);
}

// A user checks a download with the checksum beside it.
TEST_F(WindowsExecutable, ChecksumBesideEachExecutableVerifies) {
  for (const std::string* path : {&I686, &X86_64}) {
    RequireBuilt(*path);
    std::string folder = path->substr(0, path->rfind('/'));
    // As a user runs it: in the folder that holds both files.
    EXPECT_EQ(ToolOutput("sh", "dash", "-c 'cd " + folder + " && sha256sum -c Kestrune.exe.sha256'"),
              "Kestrune.exe: OK\n")
        << folder;
  }
}

// One image of an icon: its pixels' colours as 0xRRGGBB, top row first, with
// Transparent where its mask leaves the pixel out.
struct IconImage {
  int width = 0, height = 0, bits = 0;
  std::vector<std::uint32_t> pixels;
  static constexpr std::uint32_t Transparent = 0xFFFFFFFF;
  std::uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
};

// The images of an .ico file, as Windows reads them: a directory, then per
// image a bitmap header, a palette, the colour rows and the mask rows, both
// bottom row first and each padded to four bytes.
std::vector<IconImage> DecodeIcon(const std::string& ico) {
  std::vector<IconImage> images;
  for (size_t entry = 0; entry < Word(ico, 4); ++entry) {
    size_t at = DoubleWord(ico, 6 + entry * 16 + 12);
    IconImage image;
    image.width = static_cast<int>(DoubleWord(ico, at + 4));
    image.height = static_cast<int>(DoubleWord(ico, at + 8)) / 2;  // colour rows and mask rows
    image.bits = Word(ico, at + 14);
    size_t palette = at + DoubleWord(ico, at);
    size_t colours = palette + (size_t{1} << image.bits) * 4;
    size_t colourRow = static_cast<size_t>((image.width * image.bits + 31) / 32 * 4);
    size_t mask = colours + colourRow * static_cast<size_t>(image.height);
    size_t maskRow = static_cast<size_t>((image.width + 31) / 32 * 4);
    for (int y = 0; y < image.height; ++y) {
      size_t row = static_cast<size_t>(image.height - 1 - y);
      for (int x = 0; x < image.width; ++x) {
        size_t bit = static_cast<size_t>(x * image.bits);
        unsigned byte = static_cast<unsigned char>(ico[colours + row * colourRow + bit / 8]);
        unsigned index = (byte >> (8 - image.bits - bit % 8)) & ((1u << image.bits) - 1);
        unsigned char masked = static_cast<unsigned char>(ico[mask + row * maskRow + static_cast<size_t>(x) / 8]);
        size_t entryAt = palette + index * 4;  // blue, green, red, unused
        std::uint32_t colour = static_cast<unsigned char>(ico[entryAt + 2]) << 16 |
                               static_cast<unsigned char>(ico[entryAt + 1]) << 8 |
                               static_cast<unsigned char>(ico[entryAt]);
        image.pixels.push_back((masked >> (7 - x % 8)) & 1 ? IconImage::Transparent : colour);
      }
    }
    images.push_back(image);
  }
  return images;
}

// Every colour image tells the same story: the two bytes, red then yellow
// and alike, in flight above a blue arrow that points from the left cell to
// the right one.
TEST_F(WindowsExecutable, EveryColourIconShowsTheBytesMovingRight) {
  RequireBuilt(I686);
  const std::uint32_t Red = 0xC00000, Yellow = 0xFFD000, Blue = 0x0040C0, Black = 0x000000;
  std::vector<IconImage> images = DecodeIcon(ToolOutput("wrestool", "icoutils", "-x --type=14 --name=1 " + I686));
  int colourImages = 0;
  for (const IconImage& image : images) {
    if (image.bits != 4) continue;
    ++colourImages;
    std::string name = std::to_string(image.width) + "x" + std::to_string(image.height);
    // The arrow: its tallest column is its head's base, and from there it
    // narrows to its tip, which is its rightmost column.
    std::vector<int> heights(static_cast<size_t>(image.width));
    for (int y = 0; y < image.height; ++y)
      for (int x = 0; x < image.width; ++x) heights[static_cast<size_t>(x)] += image.At(x, y) == Blue;
    auto tallest = std::max_element(heights.begin(), heights.end());
    auto tip = std::find_if(heights.rbegin(), heights.rend(), [](int height) { return height > 0; }).base() - 1;
    ASSERT_GT(*tallest, 0) << name << " has no arrow";
    EXPECT_LT(tallest, tip) << name << ": the arrow does not point right";
    EXPECT_TRUE(std::is_sorted(tallest, tip + 1, std::greater<int>())) << name << ": the head does not narrow";
    // The bytes in flight: everything red or yellow above the cells' top edge.
    int top = 0;
    while (top < image.height && image.At(0, top) != Black) ++top;
    int red = 0, yellow = 0, lastRed = -1, firstYellow = image.width;
    for (int y = 0; y < top; ++y)
      for (int x = 0; x < image.width; ++x) {
        if (image.At(x, y) == Red) ++red, lastRed = std::max(lastRed, x);
        if (image.At(x, y) == Yellow) ++yellow, firstYellow = std::min(firstYellow, x);
      }
    EXPECT_GT(red, 0) << name << ": no bytes in flight";
    EXPECT_EQ(red, yellow) << name << ": the two bytes differ in size";
    EXPECT_LT(lastRed, firstYellow) << name << ": the bytes are out of order";
  }
  EXPECT_EQ(colourImages, 2);
}

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
