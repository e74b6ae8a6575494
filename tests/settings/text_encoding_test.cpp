#include "settings/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace stakor {
namespace {

using namespace std::string_literals;

TEST(TextToUtf8, ValidUtf8PassesUnchanged)
{
    for (const std::string& text : {
             ""s,
             "Plain ASCII = text; with \t tabs"s,
             "Zero\0byte"s,
             "caf\xc3\xa9"s, // 2 bytes
             "\xe2\x82\xac 5"s, // 3 bytes: euro sign
             "\xef\xbb\xbfM00=&Start"s, // a byte-order mark is valid text
             "\xf0\x9f\x8e\xae"s, // 4 bytes
             "\xc2\x80\xdf\xbf\xe0\xa0\x80\xed\x9f\xbf\xee\x80\x80\xf0\x90\x80\x80\xf4\x8f\xbf\xbf"s,
         }) {
        EXPECT_EQ(TextToUtf8(text), text);
    }
}

TEST(TextToUtf8, EightBitTextIsReadAsWindows1252)
{
    EXPECT_EQ(TextToUtf8("caf\xe9"), "caf\xc3\xa9");
    EXPECT_EQ(TextToUtf8("\x80"), "\xe2\x82\xac"); // euro sign
    EXPECT_EQ(TextToUtf8("\x8a\x9a"), "\xc5\xa0\xc5\xa1"); // S and s with caron
    EXPECT_EQ(TextToUtf8("\x93quoted\x94"), "\xe2\x80\x9cquoted\xe2\x80\x9d");
    EXPECT_EQ(TextToUtf8("\x99"), "\xe2\x84\xa2"); // trade mark
    EXPECT_EQ(TextToUtf8("\x9f"), "\xc5\xb8"); // Y with diaeresis
    EXPECT_EQ(TextToUtf8("\xa0\xff"), "\xc2\xa0\xc3\xbf");
    EXPECT_EQ(TextToUtf8("\xc4rger \xfc"
                         "ber \xdf"),
        "\xc3\x84rger \xc3\xbc"
        "ber \xc3\x9f");
}

TEST(TextToUtf8, BytesUndefinedInWindows1252KeepTheirLatin1CodePoints)
{
    for (const unsigned char b : {0x81, 0x8d, 0x8f, 0x90, 0x9d}) {
        const std::string expected = {'\xc2', static_cast<char>(b)};
        EXPECT_EQ(TextToUtf8(std::string(1, static_cast<char>(b))), expected) << int(b);
    }
}

TEST(TextToUtf8, OneInvalidSequenceMakesTheWholeTextEightBit)
{
    // Mixed text cannot be half UTF-8: the valid-looking pair is converted too.
    EXPECT_EQ(TextToUtf8("\xc3\xa9 \xe9"), "\xc3\x83\xc2\xa9 \xc3\xa9");
    EXPECT_EQ(TextToUtf8("A\0\xe9"s), "A\0\xc3\xa9"s);
}

TEST(TextToUtf8, MalformedUtf8IsNotTakenAsUtf8)
{
    const auto isEightBit = [](const std::string& bytes) { return TextToUtf8(bytes) != bytes; };
    EXPECT_TRUE(isEightBit("\xc0\xaf")); // overlong "/"
    EXPECT_TRUE(isEightBit("\xc1\xbf")); // overlong
    EXPECT_TRUE(isEightBit("\xe0\x80\xaf")); // overlong 3 bytes
    EXPECT_TRUE(isEightBit("\xe0\x9f\xbf")); // overlong 3 bytes, highest
    EXPECT_TRUE(isEightBit("\xf0\x80\x80\xaf")); // overlong 4 bytes
    EXPECT_TRUE(isEightBit("\xf0\x8f\xbf\xbf")); // overlong 4 bytes, highest
    EXPECT_TRUE(isEightBit("\xed\xa0\x80")); // surrogate D800
    EXPECT_TRUE(isEightBit("\xed\xbf\xbf")); // surrogate DFFF
    EXPECT_TRUE(isEightBit("\xf4\x90\x80\x80")); // above U+10FFFF
    EXPECT_TRUE(isEightBit("\xf5\x80\x80\x80"));
    EXPECT_TRUE(isEightBit("\xf8\x88\x80\x80\x80")); // 5-byte form
    EXPECT_TRUE(isEightBit("\xc3")); // cut off at the end
    EXPECT_TRUE(isEightBit("\xe2\x82"));
    EXPECT_TRUE(isEightBit("\xf0\x9f\x8e"));
    EXPECT_TRUE(isEightBit("\xe2\x82 ")); // cut off by a blank
    EXPECT_TRUE(isEightBit("\xa9")); // lone continuation byte
    EXPECT_TRUE(isEightBit("\xc3\xa9\xa9")); // one continuation too many
    EXPECT_TRUE(isEightBit("\xfe\xff"));
}

} // namespace
} // namespace stakor
