// SPDX-License-Identifier: MIT
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/review/sdl_stretching_audio_output.h"
#include "platform/scan_codes.h"
#include "platform/sdl_audio_output.h"
#include "platform/sdl_screen.h"
#include "platform/termination_signals.h"
#include "support/test_files.h"

// SDL's own invisible driver, asked for by name: what the screen does without a display.
TEST(SdlScreen, ThatFailsToOpenGivesBackWhatItMade)
{
    setenv("SDL_VIDEODRIVER", "offscreen", 1);

    SdlScreen screen;
    EXPECT_EQ(screen.open({"test", 640, 480, 24}), -1);
    EXPECT_NE(screen.error().find("32 bits"), std::string::npos) << screen.error();
    EXPECT_NE(SDL_WasInit(SDL_INIT_VIDEO), 0u) << "open failed at its last step, with the window made";
    screen.close();
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    EXPECT_EQ(screen.beginFrame().pixels, nullptr);
    screen.presentFrame();
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u) << "a closed screen presents nothing and starts nothing again";

    ASSERT_EQ(screen.open({"test", 640, 480, 32}), 0) << screen.error();
    EXPECT_NE(screen.beginFrame().pixels, nullptr);
    EXPECT_EQ(screen.beginFrame().pixels, nullptr) << "locked already";
}

TEST(ScanCodes, FollowTheRowsOfThePcKeyboard)
{
    const auto codesOf = [](const char* keys) {
        std::string codes;
        for (const char* key = keys; *key; ++key) {
            const char name[2] = {*key, 0};
            codes += static_cast<char>(pcScanCodeFor(SDL_GetScancodeFromName(name)).code);
        }
        return codes;
    };
    const auto run = [](int first, int count) {
        std::string codes;
        for (int i = 0; i < count; ++i) codes += static_cast<char>(first + i);
        return codes;
    };
    EXPECT_EQ(codesOf("1234567890-="), run(0x02, 12));
    EXPECT_EQ(codesOf("QWERTYUIOP[]"), run(0x10, 12));
    EXPECT_EQ(codesOf("ASDFGHJKL;'`"), run(0x1E, 12));
    EXPECT_EQ(codesOf("\\ZXCVBNM,./"), run(0x2B, 11));
    EXPECT_EQ(pcScanCodeFor(SDL_SCANCODE_ESCAPE).code, 1);
    for (int f = 0; f < 10; ++f) EXPECT_EQ(pcScanCodeFor(SDL_SCANCODE_F1 + f).code, 0x3B + f);
    EXPECT_EQ(pcScanCodeFor(SDL_SCANCODE_SPACE).code, 0x39);
}

TEST(TerminationSignals, AreRecordedOnceThenFatal)
{
    const std::atomic<int>& received = installTerminationHandlers();
    EXPECT_EQ(received.load(), 0);
    std::raise(SIGTERM);
    EXPECT_EQ(received.load(), SIGTERM) << "the process is still here and knows why it should stop";
    struct sigaction now {};
    sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL) << "a second signal ends the process";
}

TEST(TerminationSignals, HangUpEndsPlaybackOnlyWhereAskedFor)
{
    struct sigaction now {};
    installTerminationHandlers();
    sigaction(SIGHUP, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL) << "the player keeps a hang-up's default";
    const std::atomic<int>& received = installTerminationHandlers(HangUp::endsPlayback);
    std::raise(SIGHUP);
    EXPECT_EQ(received.load(), SIGHUP) << "kvq play ends as for SIGTERM when its terminal goes";
}

// Both outputs choose a device by the same rule: the system's default, or else the first of the
// others that opens (the dummy driver lists one).
template <typename Output>
void choosesDevicesAsAsked()
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    Output audio;
    ASSERT_TRUE(audio.open(AudioDevice::any_other, 44100));
    EXPECT_EQ(audio.deviceName(), "System audio output device");
    EXPECT_FALSE(audio.load("/no/such/soundtrack.mp3"));
    audio.close();
    ASSERT_TRUE(audio.open(AudioDevice::system_default, 44100));
    EXPECT_EQ(audio.deviceName(), "");
}

TEST(SdlAudioOutput, SecondChoiceIsTheFirstOtherDeviceThatOpens) { choosesDevicesAsAsked<SdlAudioOutput>(); }
TEST(SdlStretchingAudioOutput, SecondChoiceIsTheFirstOtherDeviceThatOpens)
{
    choosesDevicesAsAsked<SdlStretchingAudioOutput>();
}

namespace {

constexpr int kOutputRate = 44100;

// A soundtrack of 440 Hz for its first second and 880 Hz for its second, as an MP3 at `rate`
// made by lame; "" when lame is not there.
std::string twoTonesMp3(const TempDir& dir, int rate)
{
    const int frames = 2 * rate;
    std::vector<std::int16_t> samples;
    double phase = 0;
    for (int i = 0; i < frames; ++i) {
        phase += 2 * M_PI * (i < rate ? 440 : 880) / rate;
        const auto value = static_cast<std::int16_t>(std::lround(std::sin(phase) * 16000));
        samples.push_back(value);
        samples.push_back(value);
    }
    const std::string wav = dir.file("tones-" + std::to_string(rate) + ".wav");
    const auto put32 = [](std::ofstream& out, std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    const auto put16 = [](std::ofstream& out, std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    {
        std::ofstream out(wav, std::ios::binary);
        const auto data_bytes = static_cast<std::uint32_t>(samples.size() * 2);
        out.write("RIFF", 4), put32(out, 36 + data_bytes), out.write("WAVEfmt ", 8), put32(out, 16);
        put16(out, 1), put16(out, 2), put32(out, static_cast<std::uint32_t>(rate)),
            put32(out, static_cast<std::uint32_t>(rate) * 4);
        put16(out, 4), put16(out, 16), out.write("data", 4), put32(out, data_bytes);
        out.write(reinterpret_cast<const char*>(samples.data()), data_bytes);
    }
    const std::string mp3 = dir.file("tones-" + std::to_string(rate) + ".mp3");
    const std::string command =
        "lame --quiet -b 128 --resample " + std::to_string(rate / 1000.0) + " '" + wav + "' '" + mp3 + "'";
    return std::system(command.c_str()) == 0 ? mp3 : "";
}

// What SDL's disk driver writes while the output plays `mp3` at `speed` from `from` seconds: the
// left channel at the output's rate, from the first sound on, until `seconds` of output past the
// start have been written. The driver writes as fast as it is fed, so no wall-clock time counts.
std::vector<double> playedThroughDisk(const TempDir& dir, const std::string& mp3, double speed, double from,
                                      double seconds, bool muted = false)
{
    const std::string raw = dir.file("played.raw");
    std::filesystem::remove(raw);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "1", 1);
    SdlStretchingAudioOutput audio;
    if (!audio.open(AudioDevice::system_default, kOutputRate) || !audio.load(mp3.c_str())) return {};
    EXPECT_NEAR(audio.durationSeconds(), 2.0, 0.001);
    audio.setSpeed(speed);
    audio.setMuted(muted);
    // What comes before play() is silence; enough is written once the file holds the sound and
    // half a second after it.
    std::error_code error;
    const auto enough =
        std::filesystem::file_size(raw, error) + static_cast<std::uintmax_t>((seconds + 0.5) * kOutputRate * 4);
    audio.play();
    audio.seek(from);
    const auto given_up = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::filesystem::file_size(raw, error) < enough && std::chrono::steady_clock::now() < given_up) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    audio.stop();
    audio.close();
    std::ifstream in(raw, std::ios::binary);
    std::vector<std::int16_t> stereo((std::filesystem::file_size(raw, error) / 2));
    in.read(reinterpret_cast<char*>(stereo.data()), static_cast<std::streamsize>(stereo.size() * 2));
    std::vector<double> left;
    bool sounding = false;
    for (std::size_t i = 0; i + 1 < stereo.size() && left.size() < seconds * kOutputRate; i += 2) {
        sounding = sounding || std::abs(stereo[i]) > 500;
        if (sounding) left.push_back(stereo[i] / 32768.0);
    }
    return left;
}

// The pitch of `samples` between two times, from its rising zero crossings.
double pitchHz(const std::vector<double>& samples, double from, double to)
{
    const auto first = static_cast<std::size_t>(from * kOutputRate);
    const auto last = std::min(samples.size(), static_cast<std::size_t>(to * kOutputRate));
    int rises = 0;
    std::size_t first_rise = 0, last_rise = 0;
    for (std::size_t i = first + 1; i < last; ++i) {
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            if (rises++ == 0) first_rise = i;
            last_rise = i;
        }
    }
    return rises > 1 ? (rises - 1) * double{kOutputRate} / static_cast<double>(last_rise - first_rise) : 0;
}

// Seconds from the start of `samples` to its last loud sample.
double soundingSeconds(const std::vector<double>& samples)
{
    std::size_t last = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(samples[i]) > 0.1) last = i;
    }
    return static_cast<double>(last) / kOutputRate;
}

}  // namespace

// Whatever the MP3's own rate, it plays at the output's rate at its own pitch and pace; at other
// speeds its pace changes and its pitch does not; a seek lands where it is asked to.
TEST(SdlStretchingAudioOutput, PlaysEachRateAtItsPitchAndEachSpeedAtItsPace)
{
    TempDir dir;
    for (const int rate : {44100, 48000, 22050}) {
        const std::string mp3 = twoTonesMp3(dir, rate);
        if (mp3.empty()) GTEST_SKIP() << "lame is not installed";
        const std::vector<double> played = playedThroughDisk(dir, mp3, 1, 0, 2.5);
        ASSERT_GT(played.size(), std::size_t{2 * kOutputRate}) << rate;
        EXPECT_NEAR(pitchHz(played, 0.1, 0.9), 440, 4) << rate << " Hz, first second";
        EXPECT_NEAR(pitchHz(played, 1.1, 1.9), 880, 8) << rate << " Hz, second second";
        EXPECT_NEAR(soundingSeconds(played), 2.0, 0.03) << rate << " Hz";
    }
    const std::string mp3 = twoTonesMp3(dir, 48000);
    for (const double speed : {0.5, 2.0, 4.0}) {
        const std::vector<double> played = playedThroughDisk(dir, mp3, speed, 0, 2 / speed + 0.5);
        const double change = 1 / speed;  // when the second tone comes, in seconds of output
        EXPECT_NEAR(pitchHz(played, 0.1 * change, 0.8 * change), 440, 15) << "at " << speed;
        EXPECT_NEAR(pitchHz(played, 1.2 * change, 1.8 * change), 880, 30) << "at " << speed;
        EXPECT_NEAR(soundingSeconds(played), 2 / speed, 0.06) << "at " << speed;
    }
    const std::vector<double> played = playedThroughDisk(dir, mp3, 1, 1.5, 1.0);
    EXPECT_NEAR(pitchHz(played, 0.05, 0.45), 880, 8) << "after a seek to 1.5 s";
    EXPECT_NEAR(soundingSeconds(played), 0.5, 0.03) << "after a seek to 1.5 s";
    EXPECT_TRUE(playedThroughDisk(dir, mp3, 1, 0, 2.5, true).empty()) << "muted, silent";
}
