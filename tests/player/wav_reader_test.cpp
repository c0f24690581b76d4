// Decoding real files by UTF-16 path, and the platform file functions underneath.
#include "platform/file_reader.h"
#include "player/wav_reader.h"
#include "tests/player/sample_values.h"
#include "tests/player/temp_folder.h"
#include "tests/player/wav_bytes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace quillwave::plugins {
namespace {

using test::Bytes;
using test::widePath;

std::string outcome(const std::u16string& path, std::uint64_t limit = kPreloadLimitBytes) {
    try {
        decodeWavFile(path, limit);
        return "accepted";
    } catch (const std::exception& error) {
        return error.what();
    }
}

TEST(WavReaderFile, DecodesAFileWhoseNameIsNotAscii) {
    test::TempFolder folder;
    const auto name = std::filesystem::path(u"Pr\u00fcfung \u266a \U0001F3B5.wav");
    const auto file =
        folder.write(name, test::wavFile(1, 2, 44100, 16, test::pcm16({-32768, 16384, 0, 1})));
    const AudioClip clip = decodeWavFile(widePath(file), kPreloadLimitBytes);
    EXPECT_EQ(clip.channels, 2u);
    EXPECT_EQ(clip.sampleRateHz, 44100u);
    EXPECT_EQ(test::values(clip.samples), (std::vector<float>{-1.0f, 0.5f, 0.0f, 1.0f / 32768.0f}));
}

TEST(WavReaderFile, MissingFilesCannotBeOpened) {
    test::TempFolder folder;
    EXPECT_EQ(outcome(widePath(folder.path() / "absent.wav")), "Cannot open WAV file");
    EXPECT_EQ(outcome(u""), "Cannot open WAV file");
    // A NUL inside the name must not open the shorter name before it.
    const auto file = folder.write("a", test::wavFile(1, 1, 44100, 16, test::pcm16({1})));
    EXPECT_EQ(outcome(widePath(file) + u'\0' + u"b.wav"), "Cannot open WAV file");
}

TEST(WavReaderFile, RefusalsCarryTheirMessagesFromFiles) {
    test::TempFolder folder;
    const auto notWav = folder.write("text.wav", Bytes(40, std::byte{'x'}));
    EXPECT_EQ(outcome(widePath(notWav)), "Only RIFF WAV supported");
    Bytes header = test::WavBuilder().bytes();
    header.resize(19);
    EXPECT_EQ(outcome(widePath(folder.write("short.wav", header))),
              "Unsupported WAV encoding/layout");
    const auto big = folder.write("big.wav", test::wavFile(3, 1, 44100, 32, Bytes(400)));
    EXPECT_EQ(outcome(widePath(big), 256), "WAV exceeds preload limit");
    const Bytes truncated = test::WavBuilder()
                                .chunk("fmt ", test::formatPayload(1, 1, 44100, 16))
                                .header("data", 0xFFFFFFFFu)
                                .raw(Bytes(10))
                                .bytes();
    EXPECT_EQ(outcome(widePath(folder.write("cut.wav", truncated))), "Truncated WAV chunk");
}

TEST(WavReaderFile, FileIsClosedAfterSuccessAndFailure) {
    // Windows refuses to delete a file that is still open; elsewhere this only checks that
    // nothing goes wrong.
    test::TempFolder folder;
    const auto good = folder.write("good.wav", test::wavFile(1, 1, 44100, 16, test::pcm16({1})));
    decodeWavFile(widePath(good), kPreloadLimitBytes);
    EXPECT_TRUE(std::filesystem::remove(good));
    const auto bad = folder.write("bad.wav", test::wavFile(1, 1, 44100, 8, Bytes(2)));
    EXPECT_THROW(decodeWavFile(widePath(bad), kPreloadLimitBytes), std::runtime_error);
    EXPECT_TRUE(std::filesystem::remove(bad));
}

TEST(WavReaderFile, ReadsAFileThatAnotherWriterHoldsOpen) {
    test::TempFolder folder;
    const Bytes bytes = test::wavFile(3, 1, 48000, 32, test::float32({0.5f, -0.25f}));
    const auto file = folder.write("open.wav", bytes);
    std::ofstream writer(file, std::ios::binary | std::ios::app);
    ASSERT_TRUE(writer.is_open());
    EXPECT_EQ(test::values(decodeWavFile(widePath(file), kPreloadLimitBytes).samples),
              (std::vector<float>{0.5f, -0.25f}));
}

TEST(PlatformFileReader, ReadsSeeksAndReportsSizes) {
    test::TempFolder folder;
    Bytes bytes;
    for (int i = 0; i < 300; ++i) {
        bytes.push_back(static_cast<std::byte>(i));
    }
    const auto file = widePath(folder.write(u"d\u00e9j\u00e0.bin", bytes));
    EXPECT_EQ(platform::fileSize(file), 300u);
    EXPECT_EQ(platform::readWholeFile(file), bytes);

    auto reader = platform::FileReader::open(file);
    ASSERT_TRUE(reader.has_value());
    Bytes part(10);
    ASSERT_TRUE(reader->seek(295));
    EXPECT_EQ(reader->read(part), 5u);
    EXPECT_EQ(part[0], std::byte{295 % 256});
    EXPECT_FALSE(reader->hasError());
    ASSERT_TRUE(reader->seek(0));
    EXPECT_EQ(reader->read(part), 10u);
    EXPECT_EQ(part[9], std::byte{9});

    const auto empty = widePath(folder.write("empty.bin", {}));
    EXPECT_EQ(platform::fileSize(empty), 0u);
    EXPECT_EQ(platform::readWholeFile(empty), Bytes{});
}

TEST(PlatformFileReader, MissingFilesAreReportedByOperation) {
    test::TempFolder folder;
    const auto absent = widePath(folder.path() / "absent.bin");
    EXPECT_FALSE(platform::FileReader::open(absent).has_value());
    EXPECT_FALSE(platform::readWholeFile(absent).has_value());
    try {
        platform::fileSize(absent);
        FAIL() << "no error for a missing file";
    } catch (const std::filesystem::filesystem_error& error) {
        EXPECT_NE(std::string(error.what()).find("file_size"), std::string::npos) << error.what();
        EXPECT_TRUE(error.code());
    }
}

} // namespace
} // namespace quillwave::plugins
