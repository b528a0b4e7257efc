// The counted string of the model, animated-model and scene files, written by ByteWriter and read
// back by ByteReader: the part after the last separator, and every limit the reader checks.
#include <gtest/gtest.h>

#include <string>

#include "core/byte_reader.h"
#include "core/byte_writer.h"

namespace {

TEST(CountedString, KeepsTheLastPathComponentAndChecksItsLimits) {
    ByteWriter w;
    w.putCountedString("C:\\Art\\Textures\\tex_firewood_glow.tga");
    w.putCountedString("tex_firewood_glow.tga");
    w.putCountedString("maps/wood/tex_firewood_glow.tga");
    w.putCountedString("");
    w.putCountedString("Hull");
    w.putCountedString(std::string(3000, 'a'));
    ByteReader in(w.bytes().data(), w.size());
    EXPECT_EQ(in.readCountedString(), "tex_firewood_glow.tga");
    EXPECT_EQ(in.readCountedString(), "tex_firewood_glow.tga");
    EXPECT_EQ(in.readCountedString(), "tex_firewood_glow.tga");
    EXPECT_EQ(in.readCountedString(), "");
    EXPECT_EQ(in.readCountedString(), "Hull");
    EXPECT_EQ(in.readCountedString().size(), 3000u);
    EXPECT_TRUE(in.ok());
    EXPECT_EQ(in.remaining(), 0u);

    auto fails = [](const Bytes& bytes) {
        ByteReader r(bytes.data(), bytes.size());
        const std::string text = r.readCountedString();
        return !r.ok() && text.empty();
    };
    ByteWriter tooLong;
    tooLong.putCountedString(std::string(3001, 'a'));
    EXPECT_TRUE(fails(tooLong.bytes()));
    ByteWriter withNul;
    withNul.putCountedString(std::string("ab\0cd", 5));
    EXPECT_TRUE(fails(withNul.bytes()));
    ByteWriter negative;
    negative.putInt32(-1);
    EXPECT_TRUE(fails(negative.bytes()));
    ByteWriter beyond;
    beyond.putInt32(10);
    beyond.putBytes("abc", 3);
    EXPECT_TRUE(fails(beyond.bytes()));
    Bytes threeBytes{1, 0, 0};
    EXPECT_TRUE(fails(threeBytes));
}

}  // namespace
