#include <memory>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "audio/music_player.h"
#include "base/random.h"
#include "fake_window_calls.h"

namespace stakor {
namespace {

// Records what the player asks of the device; pieces listed in Refused fail to open.
class TFakeDevice : public IMusicDevice {
public:
    bool Open(const std::filesystem::path& file, uint64_t piece) override
    {
        Log.push_back("open " + file.filename().string());
        LastPiece = piece;
        return Refused.count(file.filename().string()) == 0 && !RefuseAll;
    }
    void Play() override { Log.push_back("play"); }
    void Close() override { Log.push_back("close"); }

    std::vector<std::string> Log;
    std::set<std::string> Refused;
    bool RefuseAll = false;
    uint64_t LastPiece = 0;
};

class MusicPlayerTest : public ::testing::Test {
protected:
    MusicPlayerTest()
        : Player(Device, Calls, "Music",
              {[this] { return PlayMusic; }, [this] { return Minimized; },
                  [this](int32_t n) { return Random.Random(n); }})
    {
    }

    // The file names the same generator gives for the next draws.
    std::vector<std::string> NextPieces(int count) const
    {
        TRandom copy = Random;
        std::vector<std::string> names;
        for (int i = 0; i < count; ++i)
            names.push_back(std::to_string(copy.Random(8) + 1) + ".mid");
        return names;
    }

    TFakeDevice Device;
    TFakeWindowCalls Calls;
    bool PlayMusic = true;
    bool Minimized = false;
    TRandom Random{20260412};
    TMusicPlayer Player;
};

TEST_F(MusicPlayerTest, StartArmsOneDelayedStartThenPlaysARandomPiece)
{
    const auto pieces = NextPieces(1);
    Player.StartMusic();
    EXPECT_TRUE(Player.Armed());
    EXPECT_EQ(Calls.Delays, std::vector<int>{100});
    EXPECT_TRUE(Device.Log.empty()) << "nothing opens before the delay";

    Player.StartMusic(); // while armed: nothing more
    EXPECT_EQ(Calls.Delays.size(), 1u);

    Calls.FireDelayed();
    EXPECT_FALSE(Player.Armed());
    EXPECT_TRUE(Player.MusicOpen());
    EXPECT_EQ(Device.Log, (std::vector<std::string>{"open " + pieces[0], "play"}));

    Player.StartMusic(); // while playing: nothing
    EXPECT_EQ(Calls.Delays.size(), 1u);
    EXPECT_TRUE(Calls.Delayed.empty());
}

TEST_F(MusicPlayerTest, OnlyARealEndOfTheOpenPieceBringsTheNext)
{
    const auto pieces = NextPieces(2);
    Player.StartMusic();
    Calls.FireDelayed();
    const uint64_t first = Player.Piece();
    Device.Log.clear();

    Player.PieceEnded(first, false); // aborted or refused: ignored
    Player.PieceEnded(first + 7, true); // not the open piece: ignored
    EXPECT_TRUE(Device.Log.empty());

    Player.PieceEnded(first, true);
    EXPECT_EQ(Device.Log, (std::vector<std::string>{"close", "open " + pieces[1], "play"}));
    EXPECT_TRUE(Player.MusicOpen());
    EXPECT_NE(Player.Piece(), first);

    Device.Log.clear();
    Player.PieceEnded(first, true); // the old piece again, late: ignored
    EXPECT_TRUE(Device.Log.empty());
}

TEST_F(MusicPlayerTest, StopClosesAndALaterStartBeginsAFreshPiece)
{
    // Pause and resume: the music stops, and resuming starts a new piece from its start.
    const auto pieces = NextPieces(2);
    Player.StartMusic();
    Calls.FireDelayed();
    Player.StopMusic();
    EXPECT_FALSE(Player.MusicOpen());
    Player.StopMusic(); // twice is harmless
    Player.StartMusic();
    EXPECT_TRUE(Player.Armed());
    Calls.FireDelayed();
    EXPECT_EQ(
        Device.Log, (std::vector<std::string>{"open " + pieces[0], "play", "close", "open " + pieces[1], "play"}));
}

TEST_F(MusicPlayerTest, StopCallsOffAPendingStart)
{
    // Paused or minimised within the 100 ms: no music then.
    const auto pieces = NextPieces(1);
    Player.StartMusic();
    Player.StopMusic();
    EXPECT_FALSE(Player.Armed());
    Calls.FireDelayed();
    EXPECT_TRUE(Device.Log.empty());
    EXPECT_EQ(Random.Seed, 20260412u) << "no piece was drawn";

    Player.StartMusic(); // a fresh start is armed again and not spoilt by the old one
    Calls.FireDelayed();
    EXPECT_EQ(Device.Log, (std::vector<std::string>{"open " + pieces[0], "play"}));
}

TEST_F(MusicPlayerTest, NoStartWithMusicOffOrMinimised)
{
    PlayMusic = false;
    Player.StartMusic();
    Minimized = true;
    PlayMusic = true;
    Player.StartMusic();
    EXPECT_FALSE(Player.Armed());
    EXPECT_TRUE(Calls.Delays.empty());
    EXPECT_EQ(Random.Seed, 20260412u) << "no piece was drawn";

    Minimized = false; // switched on again: about 100 ms later a piece starts
    Player.StartMusic();
    Calls.FireDelayed();
    EXPECT_TRUE(Player.MusicOpen());
}

TEST_F(MusicPlayerTest, AFailedOpenGoesBackToIdleAndTheNextStartDrawsAgain)
{
    Device.RefuseAll = true; // an empty music folder
    Player.StartMusic();
    Calls.FireDelayed();
    EXPECT_FALSE(Player.MusicOpen());
    EXPECT_FALSE(Player.Armed());
    EXPECT_EQ(Device.Log.size(), 1u) << "a piece that did not open is not played";

    const uint32_t seed = Random.Seed;
    Player.StartMusic();
    Calls.FireDelayed();
    EXPECT_NE(Random.Seed, seed) << "each try draws a new number";
    EXPECT_EQ(Device.Log.size(), 2u);
}

TEST_F(MusicPlayerTest, AnEndWhoseNextPieceFailsGoesIdle)
{
    const auto pieces = NextPieces(2);
    Device.Refused.insert(pieces[1]);
    if (pieces[0] == pieces[1])
        GTEST_SKIP() << "the seed draws the same piece twice";
    Player.StartMusic();
    Calls.FireDelayed();
    Player.PieceEnded(Player.Piece(), true);
    EXPECT_FALSE(Player.MusicOpen());
    EXPECT_FALSE(Player.Armed());
}

TEST_F(MusicPlayerTest, DestroyedPlayerIgnoresItsPendingStart)
{
    auto player = std::make_unique<TMusicPlayer>(Device, Calls, "Music",
        TMusicPlayer::TSwitches{[] { return true; }, [] { return false; }, [](int32_t) { return 0; }});
    player->StartMusic();
    player.reset();
    Calls.FireDelayed();
    EXPECT_TRUE(Device.Log.empty());
}

} // namespace
} // namespace stakor
