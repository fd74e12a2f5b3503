// The editor's messages as demohost-live reads them: whole, in parts, and the ones that cannot be.

#include "live/editor_link.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(EditorMessage, EachCommandWholeAndNoneBeforeItHasAllCome)
{
    float value = -2.5f;
    uint32_t bits;
    memcpy(&bits, &value, sizeof bits);
    const unsigned char set_key[] = {0, 0, 0, 1, 2, 0, 1, 0, 0,
                                     static_cast<unsigned char>(bits >> 24),
                                     static_cast<unsigned char>(bits >> 16),
                                     static_cast<unsigned char>(bits >> 8),
                                     static_cast<unsigned char>(bits), 3};
    EditorMessage message;
    std::string problem;
    for (size_t size = 0; size < sizeof set_key; size++)
        EXPECT_EQ(ReadEditorMessage(set_key, size, message, problem), 0) << size;
    ASSERT_EQ(ReadEditorMessage(set_key, sizeof set_key, message, problem), 14);
    EXPECT_EQ(message.command, kSetKey);
    EXPECT_EQ(message.track, 0x102u);
    EXPECT_EQ(message.row, 0x10000u);
    EXPECT_EQ(message.value, -2.5f);
    EXPECT_EQ(message.flag, 3);

    const unsigned char others[] = {1, 0, 0, 0, 7, 0, 0, 0, 9, 3, 1, 2, 3, 4, 4, 1, 5};
    const unsigned char* p = others;
    ASSERT_EQ(ReadEditorMessage(p, 17, message, problem), 9);
    EXPECT_EQ(message.command, kDeleteKey);
    EXPECT_EQ(message.track, 7u);
    EXPECT_EQ(message.row, 9u);
    ASSERT_EQ(ReadEditorMessage(p += 9, 8, message, problem), 5);
    EXPECT_EQ(message.command, kSetRow);
    EXPECT_EQ(message.row, 0x01020304u);
    ASSERT_EQ(ReadEditorMessage(p += 5, 3, message, problem), 2);
    EXPECT_EQ(message.command, kPause);
    EXPECT_EQ(message.flag, 1);
    ASSERT_EQ(ReadEditorMessage(p += 2, 1, message, problem), 1);
    EXPECT_EQ(message.command, kSaveTracks);
    EXPECT_TRUE(problem.empty());
}

TEST(EditorMessage, AnUnknownCommandOrKeyTypeIsNoMessage)
{
    EditorMessage message;
    std::string problem;
    const unsigned char unknown[] = {2, 0, 0, 0, 0};
    EXPECT_EQ(ReadEditorMessage(unknown, sizeof unknown, message, problem), -1);
    EXPECT_EQ(problem, "unknown command 2");
    const unsigned char bad_type[] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 4};
    EXPECT_EQ(ReadEditorMessage(bad_type, sizeof bad_type, message, problem), -1);
    EXPECT_EQ(problem, "unknown key type 4");
}
