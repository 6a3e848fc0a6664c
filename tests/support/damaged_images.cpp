#include "tests/support/damaged_images.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

#include "tests/support/tool_runner.h"
#include "tool/images/image.h"
#include "tool/images/image_write.h"

namespace fs = std::filesystem;

namespace {

std::uint32_t Crc32(const unsigned char* data, std::size_t size) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

}  // namespace

void WriteDamagedImages(const fs::path& in) {
    Image image;
    AllocateImage(image, 64, 48, 3);
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = static_cast<float>((i * 7919) % 1000) / 1000.0f;
    WriteImageFile((in / "good.png").string(), image, {ImageFormat::Png, 8});
    WriteImageFile((in / "good.exr").string(), image, {ImageFormat::Exr, 32});
    const std::string png = ReadAll(in / "good.png"), exr = ReadAll(in / "good.exr");
    auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(in / name, std::ios::binary) << bytes;
    };
    write("empty.png", "");
    write("cut.png", png.substr(0, png.size() / 2));
    std::string flipped = png;
    for (std::size_t i = 60; i < flipped.size() - 20; i += 7)
        flipped[i] = static_cast<char>(~flipped[i]);
    write("flipped.png", flipped);
    // The header's width set to 100000, with its checksum made right: only the size is wrong.
    std::string wide = png;
    const unsigned char width[4] = {0x00, 0x01, 0x86, 0xA0};
    std::memcpy(&wide[16], width, 4);
    const std::uint32_t crc = Crc32(reinterpret_cast<const unsigned char*>(&wide[12]), 17);
    for (int k = 0; k < 4; ++k) wide[29 + k] = static_cast<char>(crc >> (24 - 8 * k));
    write("wide.png", wide);
    write("empty.exr", "");
    write("cut.exr", exr.substr(0, exr.size() / 2));
    write("garbage.exr", exr.substr(0, 8) + std::string(400, '\x7f'));
    fs::create_directory(in / "folder.png");
}
