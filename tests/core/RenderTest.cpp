// Rendering a composition offline through the App's own clock and engine, and the program's
// command line, run as a separate process in a folder of its own.

#include "CoreFixture.h"

#include "audio/AudioPlayer.h"
#include "audio/WavFile.h"
#include "core/OfflineRender.h"
#include "tests/support/Shell.h"

#include <complex>
#include <cstdio>
#include <iterator>
#include <limits>
#include <set>
#include <thread>

namespace zaffo::testing {
namespace {

using Frames = std::vector<int64_t>;

class RenderTest : public CoreTest {
protected:
    // The left channel of the sections rendered from the live state.
    std::vector<float> renderLeft(const std::vector<RenderSection>& sections) {
        const std::string path = base + "/out.wav";
        WavFile file;
        EXPECT_TRUE(file.create(path));
        EXPECT_EQ(renderSections(*core, sections, file, [](double) { return true; }), RenderOutcome::done);
        file.close();
        const std::vector<float> frames = test::readSoundFile(path).samples;
        std::vector<float> left;
        std::filesystem::remove(path);
        for (size_t i = 0; i < frames.size(); i += 2) left.push_back(frames[i]);
        return left;
    }

    // Frames where the level rises: where a hit begins.
    static Frames onsets(const std::vector<float>& left) {
        Frames found;
        for (size_t i = 0; i < left.size(); ++i)
            if (left[i] > (i ? left[i - 1] : 0.0f)) found.push_back(static_cast<int64_t>(i));
        return found;
    }

    static Frames everyStep(int steps) {  // at 120 beats per minute
        Frames frames;
        for (int i = 0; i < steps; ++i) frames.push_back(i * 24000);
        return frames;
    }
};

TEST_F(RenderTest, HitsLandOnTheirStepsToTheFrameAndTheTailRingsOut) {
    writeWav(pack("default") + "/long.wav", 30000);  // 6000 frames longer than a step at 120
    start();
    ASSERT_TRUE(run("kick ########").ok);
    for (int measures : {1, 3}) {
        SCOPED_TRACE(measures);
        ASSERT_TRUE(run("long --------").ok);
        std::vector<float> left = renderLeft({{"", measures}});
        EXPECT_EQ(left.size(), measures * 192000u);
        EXPECT_EQ(onsets(left), everyStep(8 * measures));

        ASSERT_TRUE(run("long 0.5 -------#").ok);  // with the last kick, still under the limiter's ceiling
        left = renderLeft({{"", measures}});
        EXPECT_EQ(left.size(), measures * 192000u + 6000);
        EXPECT_EQ(onsets(left), everyStep(8 * measures));
        EXPECT_EQ(left.back(), 0.25f) << "the tail ends with the sound";
    }
}

// However loud the instruments (here up to a hundred times full scale), the render stays within the limiter's
// ceiling, and every render of the same state is the same. A quiet mix passing untouched is checked by the stems,
// which add up to it.
TEST_F(RenderTest, LoudMixesAreLimitedAndEveryRenderTheSame) {
    for (int i = 0; i < 20; ++i) writeWav(pack("default") + "/s" + std::to_string(i) + ".wav", 20000);
    for (const auto& [instruments, volume] : {std::pair(2, "1"), {20, "10"}}) {
        SCOPED_TRACE(instruments);
        start();
        for (int i = 0; i < instruments; ++i) ASSERT_TRUE(run("s" + std::to_string(i) + " " + volume + " ########").ok);
        const std::vector<float> left = renderLeft({{"", 2}});
        EXPECT_EQ(renderLeft({{"", 2}}), left) << "the same every time";
        float peak = 0;
        for (float sample : left) peak = std::max(peak, std::abs(sample));
        EXPECT_LE(peak, MasterLimiter::ceiling * 1.000001f);
        EXPECT_GE(peak, 0.85f);
    }
}

// Offline the core starts no thread and no inotify instance: while it renders, the process has no thread more than
// before the core was made (the decoders that loaded the pack have ended; a sanitizer may keep one of its own) and
// watches nothing.
TEST_F(RenderTest, OfflineTheRenderRunsOnTheCallingThreadAloneAndWatchesNothing) {
    const auto threads = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                             std::filesystem::directory_iterator());
    };
    const auto watching = [] {
        for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
            std::error_code error;
            if (std::filesystem::read_symlink(fd.path(), error).string() == "anon_inode:inotify") return true;
        }
        return false;
    };
    std::thread([] {}).join();  // a sanitizer starts a thread of its own with the first one made
    const std::ptrdiff_t before = threads();
    start(Core::Mode::offline);
    ASSERT_TRUE(run("kick #-#5").ok);
    WavFile file;
    ASSERT_TRUE(file.create(base + "/out.wav"));
    std::ptrdiff_t most = 0;
    bool watched = false;
    EXPECT_EQ(renderSections(*core, {{"", 4}}, file,
                             [&](double) {
                                 most = std::max(most, threads());
                                 watched = watched || watching();
                                 return true;
                             }),
              RenderOutcome::done);
    EXPECT_EQ(std::pair(most, watched), std::pair(before, false));
}

// The spectrum, in dB, of 32768 frames from `from` through a Kaiser window whose side lobes lie far below what is
// measured (a radix-2 transform in double precision).
std::vector<double> spectrumDb(const std::vector<float>& left, std::size_t from) {
    constexpr std::size_t size = 32768;
    constexpr double beta = 20;
    const auto i0 = [](double x) {
        double sum = 1, term = 1;
        for (int k = 1; k < 80; ++k) sum += term *= (x / (2 * k)) * (x / (2 * k));
        return sum;
    };
    std::vector<std::complex<double>> bins(size);
    for (std::size_t i = 0; i < size; ++i) {
        const double edge = 2.0 * double(i) / (size - 1) - 1;
        bins[i] = (from + i < left.size() ? left[from + i] : 0.0) * i0(beta * std::sqrt(1 - edge * edge)) / i0(beta);
    }
    for (std::size_t i = 1, j = 0; i < size; ++i) {
        std::size_t bit = size >> 1;
        for (; j & bit; bit >>= 1) j ^= bit;
        j ^= bit;
        if (i < j) std::swap(bins[i], bins[j]);
    }
    for (std::size_t length = 2; length <= size; length <<= 1) {
        const std::complex<double> turn = std::polar(1.0, -2 * M_PI / double(length));
        for (std::size_t start = 0; start < size; start += length) {
            std::complex<double> w = 1;
            for (std::size_t k = 0; k < length / 2; ++k, w *= turn) {
                const std::complex<double> even = bins[start + k], odd = w * bins[start + k + length / 2];
                bins[start + k] = even + odd;
                bins[start + k + length / 2] = even - odd;
            }
        }
    }
    std::vector<double> db(size / 2);
    for (std::size_t i = 0; i < db.size(); ++i) db[i] = 10 * std::log10(std::norm(bins[i]) + 1e-300);
    return db;
}

// The power of the bins within a main lobe of `hz`, in dB.
double lobeDb(const std::vector<double>& db, double hz) {
    const auto centre = std::lround(hz / 96000 * 2 * double(db.size()));
    double power = 0;
    for (long i = std::max(0L, centre - 20); i <= std::min(long(db.size()) - 1, centre + 20); ++i)
        power += std::pow(10, db[i] / 10);
    return 10 * std::log10(power);
}

// A shift keeps what lands within 20 kHz at its level (to 0.1 dB), and nothing else comes out louder than 100 dB
// below the input: neither what folds back over 48 kHz nor images. Unshifted, the frames come out as they went in.
// The material is at 96 kHz (single tones, and 64 tones spread over 30 to 46 kHz), and at 44.1 and 48 kHz, whose
// shifts take shorter kernels. Every shift is also swept with tones across the band, held to this within hearing
// only: above 20 kHz, the images of what itself comes out above 20 kHz are only partly removed. Far down, the top of
// the 96 kHz band (46 kHz) would image into hearing: it fades instead, and is not held to its level.
TEST_F(RenderTest, PitchShiftsKeepTheirPassbandAndFoldNothingBack) {
    struct Case {
        std::string name;
        double low, high;
        int shift;
        bool keepsLevel = true;
        int rate = 96000;
        double within = 48000;  // the band in which nothing else may come out
    };
    std::vector<Case> cases = {
        {"toa", 15000, 15000, 24},   {"tob", 30000, 30000, 12},
        {"toc", 10000, 10000, 7},    {"toc", 10000, 10000, -12},
        {"noise", 30000, 46000, 12}, {"toe", 40000, 40000, -12},
        {"toc", 10000, 10000, 0},    {"dad", 21000, 21000, -7, true, 48000},
    };
    const std::size_t table = cases.size();
    const std::tuple<const char*, int, int> sweep[] = {{"swa", 12000, 96000}, {"swb", 18000, 96000},
                                                       {"swc", 30000, 96000}, {"swd", 46000, 96000},
                                                       {"swe", 8000, 44100},  {"swf", 19000, 44100}};
    for (int shift = -24; shift <= 24; ++shift)
        for (const auto& [name, hz, rate] : sweep)
            if (shift != 0) cases.push_back({name, double(hz), double(hz), shift, hz < 40000, rate, 20000});
    for (const auto& c : cases) {
        const std::string path = pack("default") + "/" + c.name + ".wav";
        if (std::filesystem::exists(path)) continue;
        ASSERT_TRUE(
            test::writeSoundFile(path, SF_FORMAT_WAV | SF_FORMAT_FLOAT, c.rate, 1, 2 * c.rate, [&](auto f, int) {
                double sum = 0;
                for (int k = 0, tones = c.low == c.high ? 1 : 64; k < tones; ++k)
                    sum += std::sin(2 * M_PI * (c.low + (c.high - c.low) * k / 63) * double(f) / c.rate + k * k);
                return float(0.5 * sum / (c.low == c.high ? 1 : 8));
            }));
    }
    start(Core::Mode::offline);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name + " " + std::to_string(c.shift));
        ASSERT_TRUE(run(c.name + " 1 #" + std::to_string(c.shift) + "-------").ok);
        const std::vector<float> left = renderLeft({{"", 1}});
        ASSERT_TRUE(run(c.name + " 1 -").ok);
        const std::vector<float> input = test::readSoundFile(pack("default") + "/" + c.name + ".wav").samples;
        if (c.shift == 0) {
            EXPECT_TRUE(std::equal(input.begin(), input.end(), left.begin())) << "unshifted, exact";
            continue;
        }
        const std::vector<double> in = spectrumDb(input, 8192), out = spectrumDb(left, 8192);
        const double signal = *std::max_element(in.begin(), in.end()), ratio = 1 / pitchRatio(c.shift);
        double level = 0, worst = -400;
        for (std::size_t bin = 0; bin < out.size(); ++bin) {
            const double hz = double(bin) * 48000 / double(out.size());
            if (hz < c.within && (c.low != c.high || std::abs(hz - c.low * ratio) > 60))
                worst = std::max(worst, out[bin] - signal);
        }
        if (c.keepsLevel && c.low == c.high && c.low * ratio <= 20000)
            level = lobeDb(out, c.low * ratio) - lobeDb(in, c.low * 96000 / c.rate);
        if (i < table)
            std::printf("%6.0f Hz %+3d: level %+.3f dB, the loudest else %.1f dB\n", c.low, c.shift, level, worst);
        EXPECT_NEAR(level, 0, 0.1);
        EXPECT_LE(worst, -100);
    }
}

// A folder with a composition of one part, "a", to render from.
class CommandLine : public ::testing::Test {
protected:
    CommandLine() {
        writeFile(folder / "song.json",
                  R"({"bpm": 120, "activeInstruments": [{"name": "kick", "rawPattern": "#---", "volume": 1}],)"
                  R"( "parts": {"a": {"bpm": 90, "instrumentCollection": {}}}})");
    }

    // What the shell line says on both outputs, and its exit status.
    std::pair<std::string, int> shell(const std::string& line) {
        return test::runShell("cd " + folder.path() + " && " + line);
    }

    // Whether nothing but the composition is left in the folder.
    bool onlySong() const {
        return std::filesystem::exists(folder / "song.json") &&
               std::distance(std::filesystem::directory_iterator(folder.path()), {}) == 1;
    }

    TempFolder folder;
    const std::string zaffo = ZAFFO_BINARY;
};

TEST_F(CommandLine, EachCommandLineEndsAsItShould) {
    struct Case {
        const char* arguments;
        int status;
        const char* output;  // how what the program says begins
        bool writesSong;
        const char* shellFirst = "";
    };
    const Case cases[] = {
        {"", 1, "hi!\n", false},  // no terminal to show the screen on: an error
        {"render song --measures 1", 0, "song.wav: 2.0 s", true},
        {"render song.json --parts a:1,a:1 --seed 3", 0, "song.wav: 5.3 s", true},
        {"render song --output other.wav", 0, "other.wav: 8.0 s", false},
        {"render missing", 1, "zaffo: no composition named missing\n", false},
        {"render song --parts a:1,b:2", 1, "zaffo: no part named b in song.json\n", false},
        {"render song -o no/such/folder.wav", 1, "zaffo: cannot write no/such/folder.wav: No such file", false},
        {"render song", 1, "zaffo: cannot write song.wav: File too large\n", false, "trap '' XFSZ; ulimit -f 100; "},
        {"render song --measures 0", 2,
         "zaffo: --measures needs a whole number from 1 to 100000, not \"0\"\nTry 'zaffo --help'.\n", false},
        {"render song --parts a", 2, "zaffo: --parts needs NAME:MEASURES", false},
        {"render song --measures", 2, "zaffo: --measures needs a value\nTry 'zaffo --help'.\n", false},
        {"render song --loud", 2, "zaffo: unknown option --loud\nTry 'zaffo --help'.\n", false},
        {"render", 2, "zaffo: render needs a composition\n", false},
        {"play song", 2, "zaffo: unknown command play\nTry 'zaffo --help'.\n", false},
        {"-x", 2, "zaffo: unknown option -x\nTry 'zaffo --help'.\n", false},
        {"--version", 0, "zaffo 0.", false},
        {"-V", 0, "zaffo 0.", false},
        {"render song -oother.wav --measures 1", 0, "other.wav: 2.0 s", false},
        {"render song --help", 0, "usage: zaffo\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const auto [output, status] = shell(c.shellFirst + zaffo + " " + c.arguments + " 2>&1 </dev/null");
        EXPECT_EQ(status, c.status);
        EXPECT_TRUE(output.starts_with(c.output)) << output;
        EXPECT_EQ(std::filesystem::exists(folder / "song.wav"), c.writesSong);
        std::filesystem::remove(folder / "song.wav");
        std::filesystem::remove(folder / "other.wav");
        EXPECT_TRUE(onlySong()) << "nothing left behind";
    }
    const std::string usage = shell(zaffo + " -h").first;
    for (std::size_t start = 0, end; (end = usage.find('\n', start)) != std::string::npos; start = end + 1)
        EXPECT_LE(end - start, 79u) << usage.substr(start, end - start);
}

// What the output names decides how the render reaches it: a file, or the target of a link, is replaced by a whole
// new one, the link kept; a FIFO, a character device and standard output are written into and stay what they are; a
// folder is refused and left alone. Each line ends with a check that what was there is still of its kind.
TEST_F(CommandLine, EachKindOfOutputGetsTheRenderAsItCanAndNothingIsReplacedByAFile) {
    const std::string render = zaffo + " render song --measures 1 --output ";
    ASSERT_EQ(shell(render + "plain.wav").second, 0);
    const std::string wav = readFile(folder / "plain.wav");
    const std::pair<std::string, std::string> cases[] = {
        {"echo old >target.wav; ln -s target.wav link.wav; R link.wav >/dev/null && test -L link.wav && cat target.wav",
         wav},
        {"mkfifo f.wav; R f.wav >/dev/null & cat f.wav; wait $! && test -p f.wav", wav},
        {"R - 2>/dev/null", wav},
        {"R /dev/stdout 2>/dev/null | cat", wav},
        {"ln -s /dev/null null.wav; R null.wav && test -c /dev/null", "null.wav: 2.0 s\n"},
        {"mkdir d.wav; R d.wav 2>&1; echo $?; test -d d.wav", "zaffo: cannot write d.wav: it is a folder\n1\n"},
    };
    for (auto [line, expected] : cases) {
        for (std::size_t at; (at = line.find("R ")) != std::string::npos;) line.replace(at, 2, render);
        const auto [output, status] = shell(line);
        EXPECT_EQ(status, 0) << line;
        EXPECT_TRUE(output == expected) << line << ": " << output.size() << " bytes";
    }
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::temp_directory_path()))
        EXPECT_FALSE(entry.path().filename().string().starts_with("zaffo-render-")) << "left behind";
}

// FNV-1a over the bytes: a fingerprint of a whole file.
std::uint64_t fingerprint(const std::string& bytes) {
    std::uint64_t hash = 0xcbf29ce484222325;
    for (const char c : bytes) hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3;
    return hash;
}

// Parts cued at their own tempos, pitches and shuffles from a seed, with the bundled default pack: the very bytes that
// this render has always written. A change of the clock's order of events or of the mix shows here.
TEST_F(CommandLine, ASmallCompositionRendersToTheSameBytesAsEver) {
    writeFile(folder / "small.json", R"({"bpm": 120, "activeInstruments": [
        {"name": "kick", "rawPattern": "#-#5-", "volume": 1}, {"name": "hh", "rawPattern": "##-#", "volume": 0.5, "rand": 2},
        {"name": "snare", "rawPattern": "--#-2-", "volume": 0.8}], "parts": {
      "a": {"bpm": 100, "instrumentCollection": [{"name": "kick", "rawPattern": "#-#5-", "volume": 1},
                                                 {"name": "hh", "rawPattern": "##-#", "volume": 0.5, "rand": 1}]},
      "b": {"bpm": 140, "instrumentCollection": [{"name": "snare", "rawPattern": "#7-#-12", "volume": 0.8, "rand": 1},
                                                 {"name": "hh", "rawPattern": "#-3", "volume": 0.4}]}}})");
    ASSERT_EQ(shell(zaffo + " render small --parts a:2,b:2 --seed 7"), std::pair(std::string("small.wav: 8.5 s\n"), 0));
    const std::string bytes = readFile(folder / "small.wav");
    EXPECT_EQ(std::pair(bytes.size(), fingerprint(bytes)),
              std::pair(std::size_t{6528008}, std::uint64_t{0xeb534a491d2db259}));
    ASSERT_EQ(shell(zaffo + " render small --parts a:2,b:2 --seed 8").second, 0);
    EXPECT_NE(readFile(folder / "small.wav"), bytes) << "another seed, other shuffles";
}

TEST_F(CommandLine, CtrlCStopsTheRenderAndRemovesItsFile) {
    const auto [output, status] = shell(
        "{ " + zaffo + " render song --measures 100000 2>&1 & " +
        // Once the file is being written the render listens for Ctrl+C; before, a background job ignores it.
        "for i in $(seq 600); do ls *.partial >/dev/null 2>&1 && break; sleep 0.05; done; kill -INT $!; wait $!; }");
    EXPECT_EQ(status, 130);
    EXPECT_EQ(output, "zaffo: interrupted; nothing written\n");
    EXPECT_TRUE(onlySong());
}

// Stems of a piece that stays below -1 dBFS: one per instrument that sounds, a part's own too, the muted and the
// silent ones left out; each as long as the mix, from the same first frame, and all of them add up to the mix, which
// is the very file the render writes without stems.
TEST_F(CommandLine, StemsComeOnePerSoundingInstrumentAndAddUpToTheMix) {
    const std::string four = R"([{"name": "kick", "rawPattern": "#-#5-", "volume": 0.2},
        {"name": "hh", "rawPattern": "##-#", "volume": 0.1, "rand": 2}, {"name": "tom", "rawPattern": "#", "volume": 0},
        {"name": "rim", "rawPattern": "####", "volume": 0.2, "mute": true}])";
    writeFile(folder / "quiet.json", R"({"bpm": 120, "activeInstruments": )" + four + R"(, "parts": {"a": {"bpm": 120,
        "instrumentCollection": )" + four +
                                         R"(}, "b": {"bpm": 140, "instrumentCollection": [
        {"name": "snare", "rawPattern": "-#7", "volume": 0.2}]}}})");
    ASSERT_EQ(shell(zaffo + " render quiet --parts a:2,b:1 --seed 4 --output plain.wav").second, 0);
    const auto [said, status] = shell(zaffo + " render quiet --parts a:2,b:1 --seed 4 --stems st");
    ASSERT_EQ(status, 0) << said;
    EXPECT_TRUE(said.ends_with("st: 3 stems of 5.7 s\n")) << said;
    EXPECT_EQ(readFile(folder / "st/mix.wav"), readFile(folder / "plain.wav"));
    const std::vector<float> mix = test::readSoundFile(folder / "st/mix.wav").samples;
    std::vector<float> sum(mix.size(), 0.0f);
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder / "st")) {
        names.insert(entry.path().filename());
        if (entry.path().filename() == "mix.wav") continue;
        const std::vector<float> stem = test::readSoundFile(entry.path()).samples;
        ASSERT_EQ(stem.size(), mix.size()) << entry.path();
        for (std::size_t i = 0; i < stem.size(); ++i) sum[i] += stem[i];
    }
    EXPECT_EQ(names, (std::set<std::string>{"mix.wav", "kick.wav", "hh.wav", "snare.wav"}));
    float peak = 0, error = 0;
    for (std::size_t i = 0; i < mix.size(); ++i) {
        peak = std::max(peak, std::abs(mix[i]));
        error = std::max(error, std::abs(sum[i] - mix[i]));
    }
    EXPECT_GT(peak, 0.1f);
    EXPECT_LT(peak, 0.891f) << "below -1 dBFS";
    EXPECT_LE(error, 4 * std::numeric_limits<float>::epsilon() * peak) << "the stems add up to the mix";
}

// Files already in the stems' folder stay as they were unless --force replaces them; a failed render leaves nothing
// of its own behind.
TEST_F(CommandLine, StemsReplaceNothingWithoutForce) {
    struct Case {
        const char* before;  // shell line run in the folder first
        const char* flags;
        int status;
        const char* said;  // how what the program says ends
        const char* kept;  // a file that must hold "old"
    };
    const Case cases[] = {
        {"mkdir st; echo old >st/kick.wav", "", 1, "zaffo: st/kick.wav is there already (--force replaces it)\n",
         "st/kick.wav"},
        {"mkdir st; echo old >st/mix.wav", "", 1, "zaffo: st/mix.wav is there already (--force replaces it)\n",
         "st/mix.wav"},
        {"echo old >st", "", 1, "zaffo: cannot make the folder st: Not a directory\n", "st"},
        {"mkdir st; echo old >st/notes.txt", "", 0, "st: 1 stems of 2.0 s\n", "st/notes.txt"},
        {"mkdir st; echo old >st/kick.wav; echo old >st/mix.wav", "--force", 0, "st: 1 stems of 2.0 s\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        shell(c.before);
        const auto [said, status] = shell(zaffo + " render song --measures 1 --stems st " + c.flags + " 2>&1");
        EXPECT_EQ(status, c.status);
        EXPECT_TRUE(said.ends_with(c.said)) << said;
        if (*c.kept) {
            EXPECT_EQ(readFile(folder / c.kept), "old\n");
        }
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.path()))
            EXPECT_FALSE(entry.path().string().ends_with(".partial")) << entry.path();
        std::filesystem::remove_all(folder / "st");
    }
}

}  // namespace
}  // namespace zaffo::testing
