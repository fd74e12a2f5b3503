// The sync editor's protocol over byte strings: the editor's messages read whole, in parts, and
// the ones that cannot be; the demo's messages written; messages carried out on the tracks.

#include "live/editor_protocol.h"
#include "tracks/tracks.h"

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

TEST(EditorProtocol, TheDemosMessagesAreBigEndianAfterTheirCommand)
{
    std::vector<unsigned char> out;
    WriteGetTrack("cam:x", out);
    WriteSetRow(0x01020304, out);
    WriteSetRow(-5, out);
    EXPECT_EQ(out, (std::vector<unsigned char>{2, 0, 0, 0, 5, 'c', 'a', 'm', ':', 'x', 3, 1, 2, 3,
                                               4, 3, 0, 0, 0, 0}));
}

TEST(EditorProtocol, MessagesAreCarriedOutOnTheTracksAskedFor)
{
    SetTracksFromEditor(true);
    int track = FindTrack("protocol:a");
    ASSERT_GE(track, 0);
    EditorRequests requests;
    int32_t row_told = -1;
    std::string problem;
    auto apply = [&](uint8_t command, uint32_t track_number, uint32_t row, float value,
                     uint8_t flag) {
        EditorMessage message{command, track_number, row, value, flag};
        return ApplyEditorMessage(message, static_cast<size_t>(track) + 1, requests, row_told,
                                  problem);
    };
    ASSERT_TRUE(apply(kSetKey, track, 4, 2.0f, 1));
    ASSERT_TRUE(apply(kSetKey, track, 8, 6.0f, 0));
    EXPECT_EQ(AllTracks()[track].keys.size(), 2u);
    EXPECT_DOUBLE_EQ(TrackValue(AllTracks()[track].keys, 6), 4.0);
    ASSERT_TRUE(apply(kDeleteKey, track, 8, 0, 0));
    EXPECT_EQ(AllTracks()[track].keys.size(), 1u);

    ASSERT_TRUE(apply(kSetRow, 0, 32, 0, 0));
    ASSERT_TRUE(apply(kPause, 0, 0, 0, 1));
    ASSERT_TRUE(apply(kSaveTracks, 0, 0, 0, 0));
    EXPECT_EQ(requests.row, 32);
    EXPECT_EQ(row_told, 32);
    EXPECT_EQ(requests.pause, true);
    EXPECT_TRUE(requests.save);

    EXPECT_FALSE(apply(kSetKey, track + 1, 0, 1.0f, 0));
    EXPECT_EQ(problem, "a key for track " + std::to_string(track + 1) + ", never asked for");
    EXPECT_FALSE(apply(kSetRow, 0, 0x80000000u, 0, 0));
    EXPECT_EQ(problem, "row 2147483648 is out of range");
    EXPECT_EQ(AllTracks()[track].keys.size(), 1u);
}
