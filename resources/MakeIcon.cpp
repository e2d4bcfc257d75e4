// Turns the text drawing of an icon (see Kestrune.icon) into a Windows .ico
// file: MakeIcon SOURCE TARGET. Built and run on the build machine.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Image {
  int width = 0, height = 0, bits = 0;
  std::string palette;            // characters in index order
  std::vector<std::string> rows;  // top row first
};

constexpr char Transparent = '.';

[[noreturn]] void Fail(int line, const std::string& why) {
  std::cerr << "MakeIcon: line " << line << ": " << why << "\n";
  std::exit(1);
}

void Put16(std::string& out, std::uint16_t value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>(value >> 8);
}

void Put32(std::string& out, std::uint32_t value) {
  Put16(out, static_cast<std::uint16_t>(value & 0xFFFF));
  Put16(out, static_cast<std::uint16_t>(value >> 16));
}

// Bytes in one bitmap row: rows are padded to whole 32-bit words.
int Stride(int width, int bits) { return (width * bits + 31) / 32 * 4; }

// The image as an icon resource: a bitmap header of twice the height, the
// palette, the colour bitmap and the transparency mask, both bottom row first.
std::string Bitmap(const Image& image, const std::map<char, std::uint32_t>& colours) {
  int colourStride = Stride(image.width, image.bits), maskStride = Stride(image.width, 1);
  std::uint32_t pixels = static_cast<std::uint32_t>((colourStride + maskStride) * image.height);
  std::string out;
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(image.width));
  Put32(out, static_cast<std::uint32_t>(image.height * 2));
  Put16(out, 1);
  Put16(out, static_cast<std::uint16_t>(image.bits));
  Put32(out, 0);  // uncompressed
  Put32(out, pixels);
  for (int unused = 0; unused < 4; ++unused) Put32(out, 0);

  for (int index = 0; index < 1 << image.bits; ++index) {
    std::uint32_t rgb = index < static_cast<int>(image.palette.size()) ? colours.at(image.palette[index]) : 0;
    out += static_cast<char>(rgb & 0xFF);
    out += static_cast<char>((rgb >> 8) & 0xFF);
    out += static_cast<char>((rgb >> 16) & 0xFF);
    out += '\0';
  }

  std::string colourBits, maskBits;
  for (int y = image.height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> colourRow(static_cast<size_t>(colourStride)), maskRow(static_cast<size_t>(maskStride));
    for (int x = 0; x < image.width; ++x) {
      char pixel = image.rows[static_cast<size_t>(y)][static_cast<size_t>(x)];
      int index = 0;
      if (pixel == Transparent)
        maskRow[static_cast<size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
      else
        index = static_cast<int>(image.palette.find(pixel));
      int bit = x * image.bits;
      colourRow[static_cast<size_t>(bit / 8)] |= static_cast<std::uint8_t>(index << (8 - image.bits - bit % 8));
    }
    colourBits.append(colourRow.begin(), colourRow.end());
    maskBits.append(maskRow.begin(), maskRow.end());
  }
  return out + colourBits + maskBits;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: MakeIcon SOURCE TARGET\n";
    return 2;
  }
  std::ifstream source(argv[1]);
  if (!source) Fail(0, std::string("cannot read ") + argv[1]);

  std::map<char, std::uint32_t> colours;
  std::vector<Image> images;
  std::string text;
  for (int line = 1; std::getline(source, text); ++line) {
    if (text.empty() || text[0] == '#') continue;
    std::istringstream words(text);
    std::string word;
    words >> word;
    if (word == "colour") {
      char name;
      std::string rgb;
      if (!(words >> name >> rgb) || rgb.size() != 6 || name == Transparent) Fail(line, "colour C RRGGBB");
      colours[name] = static_cast<std::uint32_t>(std::stoul(rgb, nullptr, 16));
    } else if (word == "image") {
      Image image;
      if (!(words >> image.width >> image.height >> image.bits) || (image.bits != 1 && image.bits != 4) ||
          image.width < 1 || image.width > 256 || image.height < 1 || image.height > 256)
        Fail(line, "image WIDTH HEIGHT BITS, at most 256 by 256, 1 or 4 bits");
      images.push_back(image);
    } else if (word == "palette") {
      if (images.empty() || !(words >> images.back().palette)) Fail(line, "palette follows an image");
      Image& image = images.back();
      if (image.palette.size() > (1u << image.bits)) Fail(line, "more colours than the bits can index");
      for (char name : image.palette)
        if (!colours.count(name)) Fail(line, std::string("no colour ") + name);
    } else {
      if (images.empty() || images.back().palette.empty()) Fail(line, "a row before its image and palette");
      Image& image = images.back();
      if (static_cast<int>(image.rows.size()) == image.height) Fail(line, "more rows than the image is high");
      if (static_cast<int>(text.size()) != image.width) Fail(line, "a row of the wrong width");
      for (char pixel : text)
        if (pixel != Transparent && image.palette.find(pixel) == std::string::npos)
          Fail(line, std::string("a pixel not in the palette: ") + pixel);
      image.rows.push_back(text);
    }
  }
  for (const Image& image : images)
    if (static_cast<int>(image.rows.size()) != image.height) Fail(0, "an image with rows missing");
  if (images.empty()) Fail(0, "no images");

  // The directory, then each image's bitmap in the same order.
  std::vector<std::string> bitmaps;
  for (const Image& image : images) bitmaps.push_back(Bitmap(image, colours));
  std::string icon;
  Put16(icon, 0);
  Put16(icon, 1);  // an icon, not a cursor
  Put16(icon, static_cast<std::uint16_t>(images.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (size_t at = 0; at < images.size(); ++at) {
    const Image& image = images[at];
    icon += static_cast<char>(image.width & 0xFF);  // 256 is written as 0
    icon += static_cast<char>(image.height & 0xFF);
    icon += static_cast<char>(1 << image.bits);  // colours in the palette
    icon += '\0';
    Put16(icon, 1);
    Put16(icon, static_cast<std::uint16_t>(image.bits));
    Put32(icon, static_cast<std::uint32_t>(bitmaps[at].size()));
    Put32(icon, offset);
    offset += static_cast<std::uint32_t>(bitmaps[at].size());
  }
  for (const std::string& bitmap : bitmaps) icon += bitmap;

  std::ofstream target(argv[2], std::ios::binary);
  target.write(icon.data(), static_cast<std::streamsize>(icon.size()));
  if (!target) Fail(0, std::string("cannot write ") + argv[2]);
  return 0;
}
