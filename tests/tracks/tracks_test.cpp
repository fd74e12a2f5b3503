// The track table: values between keys, the keys the editor sets and deletes, the files' names
// and a file written and read back.

#include "tracks/tracks.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>

TEST(TrackValue, NoKeysBeforeAfterAndBetweenByTheRowsWholePart)
{
    EXPECT_EQ(TrackValue({}, 3.5), 0);
    std::vector<TrackKey> keys = {{4, 2, KeyType::kLinear}, {8, 6, KeyType::kStep},
                                  {12, -1, KeyType::kRamp}};
    EXPECT_EQ(TrackValue(keys, -3), 2);
    EXPECT_EQ(TrackValue(keys, 3.999), 2);
    EXPECT_EQ(TrackValue(keys, 4), 2);
    EXPECT_DOUBLE_EQ(TrackValue(keys, 5), 3);
    // 7.9 belongs to the key at 4: linear all the way to 6 at row 8.
    EXPECT_DOUBLE_EQ(TrackValue(keys, 7.9), 2 + 4 * (3.9 / 4));
    // A step holds until the next key's row.
    EXPECT_EQ(TrackValue(keys, 8), 6);
    EXPECT_EQ(TrackValue(keys, 11.99), 6);
    EXPECT_EQ(TrackValue(keys, 12), -1);
    EXPECT_EQ(TrackValue(keys, 1e9), -1);
    // Keys as far apart as rows go.
    std::vector<TrackKey> far = {{INT32_MIN, 0, KeyType::kLinear}, {INT32_MAX, 1, KeyType::kStep}};
    EXPECT_NEAR(TrackValue(far, 0), 0.5, 1e-9);
    // A single key is its value everywhere.
    EXPECT_EQ(TrackValue({{7, 5, KeyType::kSmooth}}, 100), 5);
}

TEST(TrackValue, SmoothAndRampEaseTheWay)
{
    std::vector<TrackKey> smooth = {{0, 0, KeyType::kSmooth}, {10, 1, KeyType::kStep}};
    std::vector<TrackKey> ramp = {{0, 0, KeyType::kRamp}, {10, 1, KeyType::kStep}};
    for (double row : {0.0, 2.5, 5.0, 7.25, 9.99}) {
        double t = row / 10;
        EXPECT_DOUBLE_EQ(TrackValue(smooth, row), t * t * (3 - 2 * t)) << row;
        EXPECT_DOUBLE_EQ(TrackValue(ramp, row), t * t) << row;
    }
}

TEST(SyncTracks, KeysSetReplacedAndDeletedStayInRowOrder)
{
    int track = FindTrack("keys-test-track");
    ASSERT_GE(track, 0);
    EXPECT_EQ(FindTrack("keys-test-track"), track);
    EXPECT_TRUE(AllTracks()[track].keys.empty());
    for (int32_t row : {8, 2, 5, 2})
        SetTrackKey(track, {row, static_cast<float>(row * 10), KeyType::kLinear});
    SetTrackKey(track, {5, -1, KeyType::kRamp});
    DeleteTrackKey(track, 8);
    DeleteTrackKey(track, 3);
    const std::vector<TrackKey>& keys = AllTracks()[track].keys;
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].row, 2);
    EXPECT_EQ(keys[0].value, 20);
    EXPECT_EQ(keys[1].row, 5);
    EXPECT_EQ(keys[1].value, -1);
    EXPECT_EQ(keys[1].type, KeyType::kRamp);
}

TEST(SyncTracks, ARowWithinAThousandthOfAWholeRowIsThatRow)
{
    SetTrackTiming(150, 8, TrackPrefix());  // 20 rows a second
    SetTrackTime(29 / 20.0 - 1e-9);
    EXPECT_EQ(CurrentRow(), 29);
    SetTrackTime(2.0 / 20 + 0.01 / 20);
    EXPECT_DOUBLE_EQ(CurrentRow(), 2.01);
    SetTrackTiming(120, 8, TrackPrefix());
}

TEST(TrackFiles, NamesKeepLettersDigitsDotsUnderscoresAndSlashes)
{
    EXPECT_EQ(TrackFilePath("res/sync", "cam:x"), "res/sync_cam-3Ax.track");
    EXPECT_EQ(TrackFilePath("res/sync", "a.b_C/9"), "res/sync_a.b_C/9.track");
    EXPECT_EQ(TrackFilePath("p", "a b-\xc3\xa9"), "p_a-20b-2D-C3-A9.track");
    EXPECT_EQ(TrackFilePath("p", ""), "p_.track");
}

TEST(TrackFiles, WrittenAndReadBackWithoutALeftover)
{
    std::string path = testing::TempDir() + "track-" + std::to_string(getpid()) + ".track";
    std::vector<TrackKey> keys = {{0, 1.5f, KeyType::kSmooth}, {3, -2, KeyType::kStep},
                                  {1000000, 1e30f, KeyType::kRamp}};
    ASSERT_TRUE(WriteTrackFile(path, keys));
    std::vector<TrackKey> read = ReadTrackFile(path);
    ASSERT_EQ(read.size(), keys.size());
    for (size_t i = 0; i < keys.size(); i++) {
        EXPECT_EQ(read[i].row, keys[i].row);
        EXPECT_EQ(read[i].value, keys[i].value);
        EXPECT_EQ(read[i].type, keys[i].type);
    }
    EXPECT_NE(access((path + ".new").c_str(), F_OK), 0);
    unlink(path.c_str());

    // A file that cannot be written is named and reported as not written.
    testing::internal::CaptureStdout();
    EXPECT_FALSE(WriteTrackFile("/nonexistent-folder/x.track", keys));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Track file error: cannot write /nonexistent-folder/x.track: No such file or "
              "directory\n");
}
