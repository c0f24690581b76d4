#include "recorder/free_take_name.h"
#include "recorder/take_name.h"

#include "recorder_test_support.h"

#include <gtest/gtest.h>

namespace quillwave::plugins {
namespace {

std::u16string win(std::u16string_view path, std::uint32_t n = 1) {
    return takeName(path, n, PathStyle::Windows);
}
std::u16string posix(std::u16string_view path, std::uint32_t n = 1) {
    return takeName(path, n, PathStyle::Posix);
}

TEST(TakeName, WindowsExamples) {
    EXPECT_EQ(win(u"D:\\rec\\mix.WAV"), u"D:\\rec\\mix-take1.wav");
    EXPECT_EQ(win(u"D:\\rec\\mix.WAV", 2), u"D:\\rec\\mix-take2.wav");
    EXPECT_EQ(win(u"D:\\rec\\mix.WAV", 99999), u"D:\\rec\\mix-take99999.wav");
    EXPECT_EQ(win(u"mix.wav"), u"mix-take1.wav");
    EXPECT_EQ(win(u"D:\\rec\\mix-take1.wav"), u"D:\\rec\\mix-take1-take1.wav");
}

TEST(TakeName, WindowsSeparatorsDrivesAndRoots) {
    EXPECT_EQ(win(u"D:/rec/mix.wav"), u"D:/rec\\mix-take1.wav");
    EXPECT_EQ(win(u"D:\\rec/sub\\mix.aiff"), u"D:\\rec/sub\\mix-take1.wav");
    EXPECT_EQ(win(u"D:\\mix.wav"), u"D:\\mix-take1.wav");
    EXPECT_EQ(win(u"D:mix.wav"), u"D:mix-take1.wav");
    EXPECT_EQ(win(u"\\mix.wav"), u"\\mix-take1.wav");
    EXPECT_EQ(win(u"D:\\rec\\\\mix.wav"), u"D:\\rec\\mix-take1.wav");
    EXPECT_EQ(win(u"D:\\\\mix.wav"), u"D:\\mix-take1.wav");
    EXPECT_EQ(win(u"\\\\server\\share\\mix.wav"), u"\\\\server\\share\\mix-take1.wav");
    EXPECT_EQ(win(u"1:mix.wav"), u"1-take1.wav"); // not a drive: the name ends at the colon
}

TEST(TakeName, WindowsStemRules) {
    EXPECT_EQ(win(u"D:\\rec\\a.b.c"), u"D:\\rec\\a.b-take1.wav");
    EXPECT_EQ(win(u"D:\\rec\\noext"), u"D:\\rec\\noext-take1.wav");
    EXPECT_EQ(win(u"D:\\rec\\.hidden"), u"D:\\rec\\.hidden-take1.wav");
    EXPECT_EQ(win(u"D:\\rec\\mix."), u"D:\\rec\\mix-take1.wav");
    EXPECT_EQ(win(u"D:\\rec\\."), u"D:\\rec\\.-take1.wav");
    EXPECT_EQ(win(u"D:\\rec\\.."), u"D:\\rec\\..-take1.wav");
    EXPECT_EQ(win(u"D:\\rec\\mix.wav:stream"), u"D:\\rec\\mix-take1.wav");
    EXPECT_EQ(win(u"D:\\rec\\a:b.wav"), u"D:\\rec\\a-take1.wav");
    EXPECT_EQ(win(u"D:\\rec\\"), u"D:\\rec\\-take1.wav");
    EXPECT_EQ(win(u""), u"-take1.wav");
}

TEST(TakeName, PosixOnlySlashSeparates) {
    EXPECT_EQ(posix(u"/rec/mix.WAV"), u"/rec/mix-take1.wav");
    EXPECT_EQ(posix(u"/mix.wav"), u"/mix-take1.wav");
    EXPECT_EQ(posix(u"//rec//mix.wav", 12), u"//rec/mix-take12.wav");
    EXPECT_EQ(posix(u"mix.wav"), u"mix-take1.wav");
    EXPECT_EQ(posix(u"/rec/a\\b.wav"), u"/rec/a\\b-take1.wav");
    EXPECT_EQ(posix(u"D:mix.wav"), u"D:mix-take1.wav");
    EXPECT_EQ(posix(u"/rec/a:b.wav"), u"/rec/a:b-take1.wav");
    EXPECT_EQ(posix(u"/rec/.."), u"/rec/..-take1.wav");
    EXPECT_EQ(posix(u"/rec/.hidden"), u"/rec/.hidden-take1.wav");
}

TEST(TakeName, NativeStyleMatchesTheBuild) {
#if defined(_WIN32)
    EXPECT_EQ(takeName(u"C:\\a\\b.wav", 3), u"C:\\a\\b-take3.wav");
#else
    EXPECT_EQ(takeName(u"/a/b.wav", 3), u"/a/b-take3.wav");
#endif
}

TEST(FirstFreeDestination, SkipsExistingTakeNames) {
    test::TempFolder dir;
    const auto chosen = dir.file("mix.wav");
    EXPECT_EQ(firstFreeDestination(chosen), chosen);
    test::writeBytes(chosen, "x");
    test::writeBytes(takeName(chosen, 1), "x");
    test::writeBytes(takeName(chosen, 3), "x");
    EXPECT_EQ(firstFreeDestination(chosen), takeName(chosen, 2));
    test::fs::create_directory(
        test::fs::path(takeName(chosen, 2))); // a folder occupies the name too
    EXPECT_EQ(firstFreeDestination(chosen), takeName(chosen, 4));
}

} // namespace
} // namespace quillwave::plugins

namespace quillwave::plugins {
namespace {

TEST(TakeNameBase, ATakesOwnNameCountsOnFromItsStem) {
    EXPECT_EQ(takeNameBase(u"/rec/mix-take1.wav", PathStyle::Posix), u"/rec/mix.wav");
    EXPECT_EQ(takeNameBase(u"D:\\rec\\mix-take99999.wav", PathStyle::Windows), u"D:\\rec\\mix.wav");
    EXPECT_EQ(takeNameBase(u"D:mix-take7.wav", PathStyle::Windows), u"D:mix.wav");
    // Anything that is not exactly a take name stays as it is.
    for (const char16_t* kept :
         {u"/rec/mix.wav", u"/rec/mix-take0.wav", u"/rec/mix-take01.wav",
          u"/rec/mix-take123456.wav", u"/rec/mix-take1.WAV", u"/rec/-take1.wav",
          u"/rec/mix-take.wav", u"/rec/mixtake1.wav", u"-take1.wav"}) {
        EXPECT_EQ(takeNameBase(kept, PathStyle::Posix), kept);
    }
}

TEST(FirstFreeDestination, RepeatedActivationsDoNotGrowTheName) {
    test::TempFolder dir;
    std::u16string path = dir.file("song.wav");
    test::writeBytes(path, "x");
    for (int take = 1; take <= 60; ++take) {
        path = firstFreeDestination(path);
        test::writeBytes(path, "x");
    }
    EXPECT_EQ(path, takeName(dir.file("song.wav"), 60));
}

} // namespace
} // namespace quillwave::plugins
